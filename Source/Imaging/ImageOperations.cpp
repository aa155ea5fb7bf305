#include "Source/Imaging/ImageOperations.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/Filter.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Source/Configuration/Logger.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

using platform::FilterImage;
using platform::Image;
using platform::ImageOrientation;

std::shared_ptr<Image> ImageOperations::imageFromFilterImage(const FilterImage& image) {
    auto bitmap = image.toBitmap();
    return bitmap ? Image::make(bitmap) : nullptr;
}

std::shared_ptr<const platform::Bitmap> ImageOperations::convertToCGImage(const Image& image) {
    auto filterImage = FilterImage::fromImage(image);
    return filterImage ? filterImage->toBitmap() : nullptr;
}

std::shared_ptr<platform::PixelBuffer> ImageOperations::toCVPixelBuffer(const Image& image) {
    const platform::Size size = image.size();
    const int width = static_cast<int>(size.width);
    const int height = static_cast<int>(size.height);
    // Drawing the page over the whole buffer writes every pixel: no need to clear it first.
    auto buffer = platform::PixelBuffer::makeForOverwrite(
        width, height, platform::PixelFormat::argb32,
        {.imageCompatibility = true, .bitmapContextCompatibility = true});
    if (!buffer) return nullptr;
    if (!buffer->drawImage(image,
                           {{0, 0}, {static_cast<double>(width), static_cast<double>(height)}})) {
        buffer->lockBaseAddress();
        std::fill_n(buffer->baseAddress(), buffer->dataSize(), std::uint8_t{0});
        buffer->unlockBaseAddress();
    }
    return buffer;
}

std::shared_ptr<Image> ImageOperations::crop(const Image& image, const platform::Rect& toRect) {
    auto bitmap = convertToCGImage(image);
    if (!bitmap) {
        Logger::capture().error(
            "Failed to crop: nil is returned while converting image to core graphics image");
        return nullptr;
    }
    // Cutting works on pixel rows from the top, as the bitmap is stored.
    const platform::Rect bounds{{0, 0}, {double(bitmap->width()), double(bitmap->height())}};
    const auto intersection = toRect.standardized().intersection(bounds);
    if (!intersection || intersection->isEmpty()) return nullptr;
    const platform::Rect cut = *intersection;
    const int x = static_cast<int>(std::floor(cut.minX()));
    const int y = static_cast<int>(std::floor(cut.minY()));
    const int width = static_cast<int>(std::ceil(cut.maxX())) - x;
    const int height = static_cast<int>(std::ceil(cut.maxY())) - y;
    if (width <= 0 || height <= 0) return nullptr;
    auto part = platform::Bitmap::make(width, height);
    if (!part) return nullptr;
    for (int row = 0; row < height; ++row) {
        std::copy_n(bitmap->data() + (y + row) * bitmap->bytesPerRow() + x * 4, width * 4,
                    part->mutableData() + row * part->bytesPerRow());
    }
    return Image::make(part);
}

std::shared_ptr<Image> ImageOperations::scaledForWidth(const Image& image,
                                                       platform::Size targetSize) {
    const platform::Size size = image.size();
    const double heightForWidth = size.height / size.width * targetSize.width;
    const double scale =
        std::max(static_cast<float>(targetSize.height), static_cast<float>(heightForWidth)) /
        size.height;
    auto scaled = RectangleFeature::scale(FilterImage::fromImage(image), scale);
    std::shared_ptr<Image> result = scaled ? imageFromFilterImage(*scaled) : nullptr;
    if (!result) {
        Logger::capture().error(
            "Failed to scale for width: scale failed, or nil is returned while converting image "
            "to core image");
    }
    return result;
}

std::shared_ptr<Image> ImageOperations::applyFilters(const Image& image) {
    auto bitmap = convertToCGImage(image);
    auto rendered = bitmap ? Image::make(bitmap) : nullptr;
    auto grey = rendered ? toGrayscale(*rendered) : nullptr;
    if (!grey) {
        Logger::capture().error("Failed to apply filters to image: nil is returned");
        return nullptr;
    }
    return sharpen(grey);
}

std::shared_ptr<Image> ImageOperations::toGrayscale(const Image& image) {
    return grayscaleSizeAllowed(image) ? grayscaleOfAllowedSize(image) : nullptr;
}

bool ImageOperations::grayscaleSizeAllowed(const Image& image) {
    // The JPEG at quality 1.0 only measures the size. A picture whose largest possible JPEG
    // fits needs no encoding to know that its own does.
    const auto& bitmap = *image.bitmap();
    if (platform::ImageEncoding::maximumJpegSize(bitmap.width(), bitmap.height()) <=
        maximumGrayscaleJPEGSize) {
        return true;
    }
    // Nor does one whose JPEG, encoded in bands side by side, surely fits; only a page close to
    // the limit or above it is encoded whole to be measured.
    const int orientation = platform::exifOrientation(image.orientation());
    const auto bound = platform::ImageEncoding::jpegSizeBound(bitmap, 1.0, orientation);
    if (bound && *bound <= maximumGrayscaleJPEGSize) {
        return true;
    }
    const auto jpeg = platform::ImageEncoding::jpegData(image, 1.0);
    if (!jpeg) {
        Logger::capture().error(
            "Failed to apply greyscale filter: nil is returned while converting image to JPEG "
            "data");
        return false;
    }
    if (jpeg->size() > maximumGrayscaleJPEGSize) {
        Logger::capture().error("Failed to apply greyscale filter: image is too large (> 10mb)");
        return false;
    }
    return true;
}

std::shared_ptr<Image> ImageOperations::grayscaleOfAllowedSize(const Image& image) {
    auto filterImage = FilterImage::fromImage(image);
    if (!filterImage) {
        Logger::capture().error(
            "Failed to apply greyscale filter: nil is returned while converting image to core "
            "image");
        return nullptr;
    }
    auto oriented = filterImage->oriented(platform::exifOrientation(image.orientation()));
    if (!oriented) return nullptr;
    auto filter = platform::Filter::named("CIColorControls");
    if (!filter) return nullptr;
    filter->setValue(platform::Filter::inputImageKey, oriented);
    filter->setValue("inputSaturation", 0.0);
    auto output = filter->outputImage();
    return output ? imageFromFilterImage(*output) : nullptr;
}

std::shared_ptr<Image> ImageOperations::sharpen(const std::shared_ptr<Image>& image) {
    auto filter = platform::Filter::named("CIUnsharpMask");
    if (!filter) return image;
    filter->setValue(platform::Filter::inputImageKey, FilterImage::fromImage(*image));
    filter->setValue("inputIntensity", 2.0);
    filter->setValue("inputRadius", 1.0);
    auto output = filter->outputImage();
    auto sharpened = output ? imageFromFilterImage(*output) : nullptr;
    return sharpened ? sharpened : image;
}

std::shared_ptr<Image> ImageOperations::orientPhotoPortrait(const std::shared_ptr<Image>& image) {
    const auto orientation = image->orientation();
    if (orientation != ImageOrientation::down && orientation != ImageOrientation::left &&
        orientation != ImageOrientation::right) {
        return image;
    }
    auto filterImage = FilterImage::fromImage(*image);
    auto oriented =
        filterImage ? filterImage->oriented(platform::exifOrientation(orientation)) : nullptr;
    auto upright = oriented ? imageFromFilterImage(*oriented) : nullptr;
    if (!upright) {
        Logger::capture().error("Error: Unable to rotate the UIImage");
        return image;
    }
    return upright;
}

}  // namespace quorvel
