#include "Platform/UI/StackView.h"

#include <algorithm>

#include "Platform/UI/LayoutConstraint.h"

namespace quorvel::platform {

namespace {

// The size a view keeps along an axis: a fixed constraint, else its intrinsic size.
std::optional<double> keptSize(const View& view, bool vertical) {
    if (auto fixed =
            view.fixedConstant(vertical ? LayoutAttribute::height : LayoutAttribute::width)) {
        return *fixed;
    }
    const Size intrinsic = view.intrinsicContentSize();
    const double value = vertical ? intrinsic.height : intrinsic.width;
    if (value >= 0) {
        return value;
    }
    return std::nullopt;
}

}  // namespace

StackView::StackView(const Rect& frame) : View(frame) {}

std::shared_ptr<StackView> StackView::make(std::vector<std::shared_ptr<View>> arranged,
                                           const Rect& frame) {
    auto stack = std::shared_ptr<StackView>(new StackView(frame));
    for (const auto& view : arranged) {
        stack->addArrangedSubview(view);
    }
    return stack;
}

void StackView::setAxis(LayoutAxis axis) {
    axis_ = axis;
    setNeedsLayout();
}

void StackView::setSpacing(double spacing) {
    spacing_ = spacing;
    setNeedsLayout();
}

void StackView::setAlignment(StackViewAlignment alignment) {
    alignment_ = alignment;
    setNeedsLayout();
}

void StackView::addArrangedSubview(const std::shared_ptr<View>& view) {
    insertArrangedSubview(view, arranged_.size());
}

void StackView::insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view || view.get() == this) {
        return;
    }
    arranged_.erase(std::remove(arranged_.begin(), arranged_.end(), view), arranged_.end());
    index = std::min(index, arranged_.size());
    arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
    if (view->superview().get() != this) {
        addSubview(view);
    }
    setNeedsLayout();
}

void StackView::removeArrangedSubview(const std::shared_ptr<View>& view) {
    arranged_.erase(std::remove(arranged_.begin(), arranged_.end(), view), arranged_.end());
    setNeedsLayout();
}

void StackView::layoutSubviews() {
    View::layoutSubviews();
    // Views taken out of the tree leave the arrangement too.
    arranged_.erase(std::remove_if(arranged_.begin(), arranged_.end(),
                                   [this](const auto& v) { return v->superview().get() != this; }),
                    arranged_.end());
    const bool vertical = axis_ == LayoutAxis::vertical;
    std::vector<std::shared_ptr<View>> shown;
    for (const auto& view : arranged_) {
        if (!view->isHidden()) {
            shown.push_back(view);
        }
    }
    if (shown.empty()) {
        return;
    }
    const Rect b = bounds();
    const double length = vertical ? b.height() : b.width();
    const double breadth = vertical ? b.width() : b.height();
    double used = spacing_ * static_cast<double>(shown.size() - 1);
    int flexible = 0;
    std::vector<std::optional<double>> kept;
    for (const auto& view : shown) {
        kept.push_back(keptSize(*view, vertical));
        if (kept.back()) {
            used += *kept.back();
        } else {
            ++flexible;
        }
    }
    const double share = flexible > 0 ? std::max(0.0, (length - used) / flexible) : 0;
    double position = vertical ? b.minY() : b.minX();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto& view = shown[i];
        const double size = kept[i].value_or(share);
        double crossSize = breadth;
        double crossOrigin = vertical ? b.minX() : b.minY();
        if (alignment_ != StackViewAlignment::fill) {
            if (auto own = keptSize(*view, !vertical)) {
                crossSize = std::min(*own, breadth);
            }
            const double room = breadth - crossSize;
            if (alignment_ == StackViewAlignment::center) {
                crossOrigin += room / 2;
            } else if (alignment_ == StackViewAlignment::trailing) {
                crossOrigin += room;
            }
        }
        if (vertical) {
            view->setFrame(Rect{{crossOrigin, position}, {crossSize, size}});
        } else {
            view->setFrame(Rect{{position, crossOrigin}, {size, crossSize}});
        }
        position += size + spacing_;
    }
}

Size StackView::intrinsicContentSize() const {
    const bool vertical = axis_ == LayoutAxis::vertical;
    double length = 0;
    double breadth = 0;
    int count = 0;
    for (const auto& view : arranged_) {
        if (view->isHidden()) {
            continue;
        }
        ++count;
        length += keptSize(*view, vertical).value_or(0);
        breadth = std::max(breadth, keptSize(*view, !vertical).value_or(0));
    }
    if (count > 1) {
        length += spacing_ * (count - 1);
    }
    return vertical ? Size{breadth, length} : Size{length, breadth};
}

}  // namespace quorvel::platform
