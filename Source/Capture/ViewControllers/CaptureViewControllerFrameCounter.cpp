#include "Source/Capture/ViewControllers/CaptureViewControllerFrameCounter.h"

namespace quorvel {

void CaptureViewControllerFrameCounter::didFindRectangle(
    const std::shared_ptr<RectangleFeature>& feature,
    const std::shared_ptr<platform::BezierPath>& path, CaptureType captureType,
    CaptureDocumentType documentType) {
    const bool counts = feature && path && captureType == CaptureType::automatic &&
                        documentType == CaptureDocumentType::normal;
    if (!counts) {
        miss();
        return;
    }
    const auto& current = counters_.currentRectangle;
    if (current && feature->cornerVarianceFrom(*current) >= jumpVariance) {
        miss();
    } else if (counters_.rectangleDetectedForFrames < requiredDetectionFrames) {
        counters_.rectangleLockedTime = 0;
        ++counters_.rectangleDetectedForFrames;
    } else {
        counters_.rectangleLostForFrames = 0;
        outline_.draw(path);
    }
    counters_.currentRectangle = feature;
}

void CaptureViewControllerFrameCounter::miss() {
    if (counters_.rectangleDetectedForFrames >= requiredDetectionFrames &&
        counters_.rectangleLostForFrames < requiredLostFrames) {
        ++counters_.rectangleLostForFrames;
    } else {
        clearDetectionPath();
    }
}

void CaptureViewControllerFrameCounter::rectLost() {
    if (counters_.rectangleDetectedForFrames < requiredDetectionFrames ||
        counters_.rectangleLostForFrames >= requiredLostFrames) {
        clearDetectionPath();
    } else {
        ++counters_.rectangleLostForFrames;
    }
}

void CaptureViewControllerFrameCounter::clearDetectionPath() {
    counters_.rectangleLockedTime = 0;
    counters_.rectangleDetectedForFrames = 0;
    if (outline_.isCollapsed()) return;
    outline_.collapse();
    counters_.currentRectangle.reset();
}

}  // namespace quorvel
