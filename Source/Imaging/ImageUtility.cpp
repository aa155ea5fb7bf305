#include "Source/Imaging/ImageUtility.h"

#include "Platform/Graphics/ImageRenderer.h"

namespace quorvel {

std::shared_ptr<platform::Image> ImageUtility::mergeImages(
    const std::vector<std::shared_ptr<platform::Image>>& from) {
    if (from.empty()) return nullptr;
    const double width = from.front()->size().width;
    double height = 0;
    for (const auto& image : from) height += image->size().height;

    platform::ImageRenderer renderer({width, height}, /*opaque=*/false, /*scale=*/1.0);
    if (!renderer.isValid()) return nullptr;
    double y = 0;
    for (const auto& image : from) {
        const double h = image->size().height;
        renderer.drawImage(*image, {{0, y}, {width, h}});
        y += h;
    }
    return renderer.makeImage();
}

}  // namespace quorvel
