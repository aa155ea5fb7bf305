#include "Source/Capture/Views/DetectionLayer.h"

#include "Platform/UI/Transaction.h"

namespace quorvel {

std::shared_ptr<DetectionLayer> DetectionLayer::make() {
    return std::shared_ptr<DetectionLayer>(new DetectionLayer());
}

void DetectionLayer::apply(const CaptureTheme& theme) {
    setStrokeColor(theme.resolvedColor(&CaptureTheme::detectionStrokeColor));
    setFillColor(theme.resolvedColor(&CaptureTheme::detectionFillColor));
    setLineWidth(theme.detectionLineWidth);
}

std::shared_ptr<platform::BasicAnimation> DetectionLayer::action(const std::string& key) {
    if (key != "path") return ShapeLayer::action(key);
    auto animation = platform::BasicAnimation::make("path");
    // Asked before the new path is set: what is on screen is where the change starts.
    animation->setFromValue(presentationValue("path"));
    animation->setDuration(platform::Transaction::animationDuration());
    animation->setTimingFunction(platform::Transaction::animationTimingFunction());
    return animation;
}

}  // namespace quorvel
