#include "Platform/UI/ActivityIndicatorView.h"

#include <chrono>
#include <cmath>
#include <numbers>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Graphics/BezierPath.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/GraphicsContext.h"

namespace quorvel::platform {

namespace {

constexpr int kSpokes = 8;

}  // namespace

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style, const Rect& frame)
    : View(frame), style_(style) {
    setHidden(true);
    setUserInteractionEnabled(false);
    setIsAccessibilityElement(true);
    setAccessibilityLabel("In progress");
    setAccessibilityTraits(AccessibilityTraits::updatesFrequently);
}

ActivityIndicatorView::~ActivityIndicatorView() {
    if (animating_) {
        DisplayInvalidation::endContinuousAnimation();
    }
}

std::shared_ptr<ActivityIndicatorView> ActivityIndicatorView::make(ActivityIndicatorStyle style,
                                                                   const Rect& frame) {
    auto view = std::shared_ptr<ActivityIndicatorView>(new ActivityIndicatorView(style, frame));
    return view;
}

void ActivityIndicatorView::startAnimating() {
    if (animating_) {
        return;
    }
    animating_ = true;
    startTime_ = Clock::now();
    DisplayInvalidation::beginContinuousAnimation();
    if (hidesWhenStopped_) {
        setHidden(false);
    }
}

void ActivityIndicatorView::stopAnimating() {
    if (!animating_) {
        return;
    }
    animating_ = false;
    DisplayInvalidation::endContinuousAnimation();
    if (hidesWhenStopped_) {
        setHidden(true);
    }
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) {
        setHidden(hides);
    }
}

void ActivityIndicatorView::setStyle(ActivityIndicatorStyle style) {
    style_ = style;
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

void ActivityIndicatorView::setColor(const Color& color) {
    color_ = color;
    setNeedsDisplay();
}

double ActivityIndicatorView::rotationAngle() const {
    if (!animating_) {
        return 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - startTime_).count();
    const double turns = seconds - std::floor(seconds);
    return turns * 2 * std::numbers::pi;
}

Size ActivityIndicatorView::intrinsicContentSize() const {
    return style_ == ActivityIndicatorStyle::large ? Size{37, 37} : Size{20, 20};
}

void ActivityIndicatorView::draw(GraphicsContext& context, const Rect&) {
    const Rect b = bounds();
    const double radius = std::min(b.width(), b.height()) / 2;
    if (radius <= 0) {
        return;
    }
    // The spokes step round once per second, the brightest one leading.
    const double step = 2 * std::numbers::pi / kSpokes;
    const int lead = static_cast<int>(std::floor(rotationAngle() / step)) % kSpokes;
    context.setLineWidth(std::max(1.5, radius * 0.2));
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = i * step - std::numbers::pi / 2;
        const int age = ((lead - i) % kSpokes + kSpokes) % kSpokes;
        context.setStrokeColor(color_.withAlpha(color_.alpha * (1.0 - age * 0.1)));
        BezierPath spoke;
        spoke.moveTo({b.midX() + std::cos(angle) * radius * 0.45,
                      b.midY() + std::sin(angle) * radius * 0.45});
        spoke.addLineTo(
            {b.midX() + std::cos(angle) * radius * 0.9, b.midY() + std::sin(angle) * radius * 0.9});
        context.stroke(spoke);
    }
}

}  // namespace quorvel::platform
