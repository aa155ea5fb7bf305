#include "Source/Capture/Engine/CapturedImage.h"

#include "Source/Configuration/Logger.h"

namespace quorvel {

CapturedImage::CapturedImage(std::shared_ptr<platform::Image> image, CaptureType captureType)
    : originalImage_(std::move(image)), captureType_(captureType) {}

std::shared_ptr<CapturedImage> CapturedImage::make(std::shared_ptr<platform::Image> image,
                                                   std::optional<CaptureType> captureType) {
    if (!captureType) {
        Logger::capture().error("Failed to initialize captured image: no capture type");
        return nullptr;
    }
    return std::make_shared<CapturedImage>(std::move(image), *captureType);
}

void CapturedImage::replaceOriginalImage(std::shared_ptr<platform::Image> image) {
    originalImage_ = std::move(image);
    croppedImage.reset();
    cropCorners.reset();
}

}  // namespace quorvel
