#pragma once

#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"

namespace quorvel {

// The crop screen's side of the first placement of the corner handles when no corners were
// stored on the page. Main queue.
class CropViewModelDelegate {
public:
    virtual ~CropViewModelDelegate() = default;

    // The placement begins (detection may now run off the main queue).
    virtual void cropViewModelStartedCornerDetection() = 0;
    // The placement has ended: the four locations just placed (top-left, top-right,
    // bottom-right, bottom-left) in the image area's coordinates. Always present.
    virtual void cropViewModelDetectedCornerPoints(
        const std::optional<std::vector<platform::Point>>& points) = 0;
};

}  // namespace quorvel
