#pragma once

#include <memory>
#include <vector>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

namespace quorvel {

// The preview screen's side of the crop screen. Corner lists are in the order top-left,
// top-right, bottom-right, bottom-left, in points of the crop screen's image area. Main queue.
class CropViewControllerDelegate {
public:
    virtual ~CropViewControllerDelegate() = default;

    // Done succeeded: the straightened page and the handle centres, just before the screen pops.
    virtual void cropViewControllerCroppedImage(std::shared_ptr<platform::Image> image,
                                                const std::vector<platform::Point>& corners) = 0;
    // A placement without stored corners (detection or the image's edges) has ended.
    virtual void cropViewControllerDetectedCornerPoints(
        const std::vector<platform::Point>& points) = 0;
};

}  // namespace quorvel
