#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Source/Capture/Engine/CaptureType.h"

namespace quorvel {

// One page: the image as shot, the crop screen's straightened result and the corners it used
// (top-left, top-right, bottom-right, bottom-left), and how the page was taken.
class CapturedImage {
public:
    CapturedImage(std::shared_ptr<platform::Image> image, CaptureType captureType);

    // None, after logging, when there is no capture type.
    static std::shared_ptr<CapturedImage> make(std::shared_ptr<platform::Image> image,
                                               std::optional<CaptureType> captureType);

    const std::shared_ptr<platform::Image>& originalImage() const { return originalImage_; }
    CaptureType captureType() const { return captureType_; }

    std::shared_ptr<platform::Image> croppedImage;
    std::optional<std::vector<platform::Point>> cropCorners;

    // A new original; the crop and its corners are dropped.
    void replaceOriginalImage(std::shared_ptr<platform::Image> image);

private:
    std::shared_ptr<platform::Image> originalImage_;
    CaptureType captureType_;
};

}  // namespace quorvel
