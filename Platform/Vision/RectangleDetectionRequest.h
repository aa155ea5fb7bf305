#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "Platform/Vision/QuadrilateralFinder.h"
#include "Platform/Vision/RectangleObservation.h"
#include "Platform/Vision/VisionError.h"

namespace quorvel::platform {

// A request to find rectangles (pages, receipts) in an image, performed by an
// ImageRequestHandler. As on the phone platform, its completion handler is called during
// perform, on the performing thread, with the request (whose results are then set) and an error
// or none. Settings start at the platform's defaults: minimum size 0.2, aspect ratios 0.5 to
// 1.0, quadrature tolerance 30°, at most one observation, minimum confidence 0.
class RectangleDetectionRequest {
public:
    using CompletionHandler =
        std::function<void(RectangleDetectionRequest& request, const std::optional<VisionError>&)>;

    explicit RectangleDetectionRequest(CompletionHandler completionHandler = {});

    void setMinimumSize(float size) { settings_.minimumSize = size; }
    void setMinimumAspectRatio(float ratio) { settings_.minimumAspectRatio = ratio; }
    void setMaximumAspectRatio(float ratio) { settings_.maximumAspectRatio = ratio; }
    void setQuadratureTolerance(float degrees) { settings_.quadratureTolerance = degrees; }
    void setMaximumObservations(int count) { settings_.maximumObservations = count; }
    void setMinimumConfidence(float confidence) { settings_.minimumConfidence = confidence; }
    const RectangleDetectionSettings& settings() const { return settings_; }

    // The observations of the last perform, best first; none before a perform or after one that
    // failed.
    const std::optional<std::vector<RectangleObservation>>& results() const { return results_; }

private:
    friend class ImageRequestHandler;
    void complete(std::optional<std::vector<RectangleObservation>> results,
                  const std::optional<VisionError>& error);

    RectangleDetectionSettings settings_;
    std::optional<std::vector<RectangleObservation>> results_;
    CompletionHandler completionHandler_;
};

}  // namespace quorvel::platform
