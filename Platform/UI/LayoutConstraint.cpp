#include "Platform/UI/LayoutConstraint.h"

#include <algorithm>

#include "Platform/UI/View.h"

namespace quorvel::platform {

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(const std::shared_ptr<View>& firstItem,
                                                         LayoutAttribute firstAttribute,
                                                         LayoutRelation relation,
                                                         const std::shared_ptr<View>& secondItem,
                                                         LayoutAttribute secondAttribute,
                                                         double multiplier, double constant) {
    auto constraint = std::shared_ptr<LayoutConstraint>(new LayoutConstraint());
    constraint->firstItem_ = firstItem;
    constraint->firstAttribute_ = firstAttribute;
    constraint->relation_ = relation;
    constraint->secondItem_ = secondItem;
    constraint->secondAttribute_ = secondItem ? secondAttribute : LayoutAttribute::notAnAttribute;
    constraint->multiplier_ = multiplier;
    constraint->constant_ = constant;
    return constraint;
}

std::shared_ptr<LayoutConstraint> LayoutConstraint::make(const std::shared_ptr<View>& item,
                                                         LayoutAttribute attribute,
                                                         double constant) {
    return make(item, attribute, LayoutRelation::equal, nullptr, LayoutAttribute::notAnAttribute, 1,
                constant);
}

void LayoutConstraint::markForLayout() const {
    if (auto first = firstItem()) {
        first->setNeedsLayout();
        if (auto parent = first->superview()) {
            parent->setNeedsLayout();
        }
    }
}

void LayoutConstraint::setConstant(double constant) {
    if (constant_ == constant) {
        return;
    }
    constant_ = constant;
    markForLayout();
}

namespace {

std::shared_ptr<View> commonAncestor(const std::shared_ptr<View>& a,
                                     const std::shared_ptr<View>& b) {
    if (!b) {
        return a;
    }
    for (auto view = a; view; view = view->superview()) {
        if (b->isDescendantOf(*view)) {
            return view;
        }
    }
    return a;
}

}  // namespace

void LayoutConstraint::setActive(bool active) {
    if (active == active_) {
        return;
    }
    const auto self = shared_from_this();
    if (active) {
        auto owner = commonAncestor(firstItem(), secondItem());
        if (!owner) {
            return;
        }
        owner->addConstraint(self);
    } else if (auto owner = owner_.lock()) {
        owner->removeConstraint(self);
    } else {
        active_ = false;
        markForLayout();
    }
}

void LayoutConstraint::activate(const std::vector<std::shared_ptr<LayoutConstraint>>& list) {
    for (const auto& constraint : list) {
        if (constraint) {
            constraint->setActive(true);
        }
    }
}

void LayoutConstraint::deactivate(const std::vector<std::shared_ptr<LayoutConstraint>>& list) {
    for (const auto& constraint : list) {
        if (constraint) {
            constraint->setActive(false);
        }
    }
}

namespace {

double attributeValue(const Rect& f, LayoutAttribute attribute) {
    switch (attribute) {
        case LayoutAttribute::left:
        case LayoutAttribute::leading:
            return f.minX();
        case LayoutAttribute::right:
        case LayoutAttribute::trailing:
            return f.maxX();
        case LayoutAttribute::top:
            return f.minY();
        case LayoutAttribute::bottom:
            return f.maxY();
        case LayoutAttribute::width:
            return f.width();
        case LayoutAttribute::height:
            return f.height();
        case LayoutAttribute::centerX:
            return f.midX();
        case LayoutAttribute::centerY:
            return f.midY();
        case LayoutAttribute::notAnAttribute:
            return 0;
    }
    return 0;
}

}  // namespace

double LayoutConstraint::targetValue() const {
    auto second = secondItem();
    if (!second) {
        return constant_;
    }
    auto first = firstItem();
    Rect f = second->frame();
    const bool sizeAttribute =
        secondAttribute_ == LayoutAttribute::width || secondAttribute_ == LayoutAttribute::height;
    if (!sizeAttribute) {
        // Positions are compared in the first item's superview coordinates; the first item's
        // superview itself is measured in its own bounds.
        auto space = first ? first->superview() : nullptr;
        if (space && second == space) {
            f = second->bounds();
        } else if (space && second->superview()) {
            f = second->superview()->convert(second->frame(), space.get());
        }
    }
    return attributeValue(f, secondAttribute_) * multiplier_ + constant_;
}

}  // namespace quorvel::platform
