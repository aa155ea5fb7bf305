#include "Platform/Vision/RectangleDetectionRequest.h"

namespace quorvel::platform {

RectangleDetectionRequest::RectangleDetectionRequest(CompletionHandler completionHandler)
    : completionHandler_(std::move(completionHandler)) {}

void RectangleDetectionRequest::complete(std::optional<std::vector<RectangleObservation>> results,
                                         const std::optional<VisionError>& error) {
    results_ = std::move(results);
    if (completionHandler_) completionHandler_(*this, error);
}

}  // namespace quorvel::platform
