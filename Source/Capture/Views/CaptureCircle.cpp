#include "Source/Capture/Views/CaptureCircle.h"

#include <numbers>

namespace quorvel {

std::shared_ptr<CaptureCircle> CaptureCircle::make() {
    return std::shared_ptr<CaptureCircle>(new CaptureCircle());
}

void CaptureCircle::apply(const CaptureTheme& theme) {
    theme_ = std::make_shared<const CaptureTheme>(theme);
}

void CaptureCircle::display(platform::Point point, platform::Layer& layer) {
    // One full turn from the top, clockwise; the angles are the single-precision values.
    constexpr float top = static_cast<float>(-std::numbers::pi / 2);
    constexpr float end = static_cast<float>(3 * std::numbers::pi / 2);
    // The ring's coordinates are its superlayer's.
    setFrame(layer.bounds());
    setPath(platform::BezierPath::arc(point, radius, top, end, /*clockwise=*/true));
    if (theme_) {
        setFillColor(theme_->resolvedColor(&CaptureTheme::captureCircleFillColor));
        setStrokeColor(theme_->resolvedColor(&CaptureTheme::captureCircleStrokeColor));
        setLineWidth(theme_->captureCircleLineWidth);
    }
    auto animation = platform::BasicAnimation::make("strokeEnd");
    animation->setFromValue(0.0);
    animation->setToValue(1.0);
    animation->setDuration(drawDuration);
    animation->setTimingFunction(platform::TimingFunction::linear);
    animation->setRemovedOnCompletion(false);
    // No transaction of its own: the ring shows at once and the animation runs on Clock.
    add(animation, animationKey);
    layer.addSublayer(shared_from_this());
}

}  // namespace quorvel
