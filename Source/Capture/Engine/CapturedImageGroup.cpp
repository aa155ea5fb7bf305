#include "Source/Capture/Engine/CapturedImageGroup.h"

#include <string>

#include "Source/Configuration/FatalError.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

const std::shared_ptr<CapturedImage>& CapturedImageGroup::page(std::size_t index) const {
    if (index >= images_.size()) {
        fatalError("Page index " + std::to_string(index) + " is outside the " +
                   std::to_string(images_.size()) + " captured page(s)");
    }
    return images_[index];
}

const std::shared_ptr<CapturedImage>& CapturedImageGroup::operator[](std::size_t index) const {
    return page(index);
}

std::shared_ptr<platform::Image> CapturedImageGroup::last() const {
    return isEmpty() ? nullptr : image(count() - 1, false);
}

void CapturedImageGroup::append(std::shared_ptr<CapturedImage> image) {
    images_.push_back(std::move(image));
}

std::shared_ptr<platform::Image> CapturedImageGroup::image(std::size_t at, bool filtered) const {
    const auto& chosen = page(at);
    auto image = chosen->croppedImage ? chosen->croppedImage : chosen->originalImage();
    return filtered ? ImageOperations::applyFilters(*image) : image;
}

std::vector<std::shared_ptr<platform::Image>> CapturedImageGroup::allImages() const {
    std::vector<std::shared_ptr<platform::Image>> images;
    for (std::size_t i = 0; i < count(); ++i) images.push_back(image(i, false));
    return images;
}

void CapturedImageGroup::setCroppedImage(std::shared_ptr<platform::Image> image, std::size_t at,
                                         std::vector<platform::Point> corners) {
    page(at)->croppedImage = std::move(image);
    page(at)->cropCorners = std::move(corners);
}

void CapturedImageGroup::setCropCorners(std::vector<platform::Point> corners, std::size_t at) {
    page(at)->cropCorners = std::move(corners);
}

void CapturedImageGroup::replaceOriginalImage(std::shared_ptr<platform::Image> with,
                                              std::size_t at) {
    page(at)->replaceOriginalImage(std::move(with));
}

}  // namespace quorvel
