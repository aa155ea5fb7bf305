#include "Platform/UI/PageControl.h"

#include <algorithm>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/UI/GraphicsContext.h"

namespace quorvel::platform {

PageControl::PageControl(const Rect& frame) : Control(frame) {
    setAccessibilityTraits(AccessibilityTraits::adjustable);
}

std::shared_ptr<PageControl> PageControl::make(const Rect& frame) {
    auto control = std::shared_ptr<PageControl>(new PageControl(frame));
    return control;
}

void PageControl::setNumberOfPages(int pages) {
    numberOfPages_ = std::max(0, pages);
    currentPage_ = std::clamp(currentPage_, 0, std::max(0, numberOfPages_ - 1));
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int page) {
    currentPage_ = std::clamp(page, 0, std::max(0, numberOfPages_ - 1));
    setNeedsDisplay();
}

void PageControl::setHidesForSinglePage(bool hides) {
    hidesForSinglePage_ = hides;
    setNeedsDisplay();
}

void PageControl::setPageIndicatorTintColor(std::optional<Color> color) {
    pageIndicatorTintColor_ = color;
    setNeedsDisplay();
}

void PageControl::setCurrentPageIndicatorTintColor(std::optional<Color> color) {
    currentTintColor_ = color;
    setNeedsDisplay();
}

bool PageControl::showsDots() const {
    return numberOfPages_ > 0 && !(hidesForSinglePage_ && numberOfPages_ == 1);
}

Rect PageControl::dotRect(int page) const {
    const double total =
        numberOfPages_ * dotDiameter + std::max(0, numberOfPages_ - 1) * dotSpacing;
    const Rect b = bounds();
    const double x = b.midX() - total / 2 + page * (dotDiameter + dotSpacing);
    return Rect{{x, b.midY() - dotDiameter / 2}, {dotDiameter, dotDiameter}};
}

Size PageControl::intrinsicContentSize() const {
    const double total =
        numberOfPages_ * dotDiameter + std::max(0, numberOfPages_ - 1) * dotSpacing;
    return Size{numberOfPages_ > 0 ? total + 16 : 0, 26};
}

void PageControl::draw(GraphicsContext& context, const Rect&) {
    if (!showsDots()) {
        return;
    }
    const Color other = pageIndicatorTintColor_.value_or(Color::white().withAlpha(0.3));
    const Color current = currentTintColor_.value_or(Color::white());
    for (int page = 0; page < numberOfPages_; ++page) {
        context.setFillColor(page == currentPage_ ? current : other);
        context.fill(BezierPath::roundedRect(dotRect(page), dotDiameter / 2));
    }
}

void PageControl::step(int delta, const Event* event) {
    const int target = std::clamp(currentPage_ + delta, 0, std::max(0, numberOfPages_ - 1));
    if (target == currentPage_) {
        return;
    }
    setCurrentPage(target);
    sendActions(ControlEvent::valueChanged, event);
}

void PageControl::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    const bool wasTracking = isTracking();
    const bool inside = !touches.empty() && bounds().contains(touches.front().location(this));
    Control::touchesEnded(touches, event);
    if (wasTracking && inside) {
        step(touches.front().location(this).x < bounds().midX() ? -1 : 1, &event);
    }
}

std::string PageControl::accessibilityValue() const {
    if (hasAccessibilityLabel() && !View::accessibilityValue().empty()) {
        return View::accessibilityValue();
    }
    if (numberOfPages_ <= 0) {
        return View::accessibilityValue();
    }
    return "page " + std::to_string(currentPage_ + 1) + " of " + std::to_string(numberOfPages_);
}

AccessibilityTraits PageControl::accessibilityTraits() const {
    return Control::accessibilityTraits() | AccessibilityTraits::adjustable;
}

bool PageControl::accessibilityActivate() {
    return false;
}

void PageControl::accessibilityIncrement() {
    step(1, nullptr);
}

void PageControl::accessibilityDecrement() {
    step(-1, nullptr);
}

}  // namespace quorvel::platform
