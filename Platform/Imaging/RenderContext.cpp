#include "Platform/Imaging/RenderContext.h"

#include <cmath>
#include <cstring>

#include "Platform/Imaging/PixelRect.h"

namespace quorvel::platform {

std::shared_ptr<const Bitmap> RenderContext::createBitmap(const FilterImage& image,
                                                          const Rect& fromRect) const {
    if (!std::isfinite(fromRect.origin.x) || !std::isfinite(fromRect.origin.y) ||
        !std::isfinite(fromRect.size.width) || !std::isfinite(fromRect.size.height)) {
        return nullptr;
    }
    // Bitmaps never change once handed on, so a whole unmodified bitmap needs no copy.
    if (image.wholeBitmap() && fromRect == image.extent()) return image.wholeBitmap();
    const auto wanted = PixelRect::enclosing(fromRect);
    if (!wanted || wanted->isEmpty() || wanted->width() > Bitmap::maximumDimension ||
        wanted->height() > Bitmap::maximumDimension) {
        return nullptr;
    }
    const Rect extent = image.extent();
    const PixelRect own{static_cast<std::int64_t>(extent.origin.x),
                        static_cast<std::int64_t>(extent.origin.y),
                        static_cast<std::int64_t>(extent.origin.x + extent.size.width),
                        static_cast<std::int64_t>(extent.origin.y + extent.size.height)};
    const PixelRect common = own.intersection(*wanted);
    // Transparent where the image does not reach; a bitmap the image covers is written whole.
    const int width = static_cast<int>(wanted->width());
    const int height = static_cast<int>(wanted->height());
    auto bitmap =
        common == *wanted ? Bitmap::makeForOverwrite(width, height) : Bitmap::make(width, height);
    if (!bitmap) {
        return nullptr;
    }
    if (common.isEmpty()) {
        return bitmap;
    }
    const cv::Mat& pixels = image.pixels();
    const std::size_t rowBytes = static_cast<std::size_t>(common.width()) * 4;
    // The band of image rows from y to y + 1 is row (top − 1 − y) of a top-down raster.
    for (std::int64_t y = common.minY; y < common.maxY; ++y) {
        const std::uint8_t* source = pixels.ptr<std::uint8_t>(static_cast<int>(own.maxY - 1 - y)) +
                                     (common.minX - own.minX) * 4;
        std::uint8_t* target =
            bitmap->mutableData() +
            static_cast<std::size_t>(wanted->maxY - 1 - y) * bitmap->bytesPerRow() +
            static_cast<std::size_t>(common.minX - wanted->minX) * 4;
        std::memcpy(target, source, rowBytes);
    }
    return bitmap;
}

}  // namespace quorvel::platform
