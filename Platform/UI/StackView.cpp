#include "Platform/UI/StackView.h"

namespace quorvel::platform {

StackView::StackView(const Rect& frame) : View(frame) {}
std::shared_ptr<StackView> StackView::make(std::vector<std::shared_ptr<View>> arranged,
                                           const Rect& frame) {
    auto stack = std::shared_ptr<StackView>(new StackView(frame));
    for (const auto& v : arranged) stack->addArrangedSubview(v);
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
void StackView::setAlignment(StackViewAlignment a) {
    alignment_ = a;
    setNeedsLayout();
}
void StackView::addArrangedSubview(const std::shared_ptr<View>& view) {
    arranged_.push_back(view);
    addSubview(view);
}
void StackView::insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t) {
    addArrangedSubview(view);
}
void StackView::removeArrangedSubview(const std::shared_ptr<View>&) {}
void StackView::layoutSubviews() {
    View::layoutSubviews();
}
Size StackView::intrinsicContentSize() const {
    return View::intrinsicContentSize();
}

}  // namespace quorvel::platform
