#include "Platform/UI/PageControl.h"

namespace quorvel::platform {

PageControl::PageControl(const Rect& frame) : Control(frame) {}
std::shared_ptr<PageControl> PageControl::make(const Rect& frame) {
    return std::shared_ptr<PageControl>(new PageControl(frame));
}
void PageControl::setNumberOfPages(int pages) {
    numberOfPages_ = pages;
}
void PageControl::setCurrentPage(int page) {
    currentPage_ = page;
}
void PageControl::setHidesForSinglePage(bool hides) {
    hidesForSinglePage_ = hides;
}
void PageControl::setPageIndicatorTintColor(std::optional<Color> c) {
    pageIndicatorTintColor_ = c;
}
void PageControl::setCurrentPageIndicatorTintColor(std::optional<Color> c) {
    currentTintColor_ = c;
}
bool PageControl::showsDots() const {
    return true;
}
Rect PageControl::dotRect(int) const {
    return {};
}
Size PageControl::intrinsicContentSize() const {
    return {};
}
void PageControl::draw(GraphicsContext&, const Rect&) {}
void PageControl::touchesEnded(const std::vector<Touch>& t, const Event& e) {
    Control::touchesEnded(t, e);
}
std::string PageControl::accessibilityValue() const {
    return {};
}
AccessibilityTraits PageControl::accessibilityTraits() const {
    return Control::accessibilityTraits();
}
bool PageControl::accessibilityActivate() {
    return false;
}
void PageControl::accessibilityIncrement() {}
void PageControl::accessibilityDecrement() {}
void PageControl::step(int, const Event*) {}

}  // namespace quorvel::platform
