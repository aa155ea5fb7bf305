#include "Platform/Imaging/FilterImage.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <opencv2/imgproc.hpp>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/Filter.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Imaging/PixelOrientation.h"
#include "Platform/Imaging/PixelRect.h"
#include "Platform/Imaging/RenderContext.h"

namespace quorvel::platform {

// A bitmap's native 0xAARRGGBB words are B, G, R, A bytes only on a little-endian machine.
static_assert(std::endian::native == std::endian::little,
              "FilterImage assumes little-endian pixel words");

namespace {

constexpr std::int64_t maximumCoordinate = std::numeric_limits<int>::max() / 2;

bool fitsCoordinates(std::int64_t x, std::int64_t y, int width, int height) {
    return x >= -maximumCoordinate && y >= -maximumCoordinate && x + width <= maximumCoordinate &&
           y + height <= maximumCoordinate;
}

// Holds a pixel buffer's lock for a scope.
class BufferLock {
public:
    explicit BufferLock(const PixelBuffer& buffer) : buffer_(buffer) { buffer_.lockBaseAddress(); }
    ~BufferLock() { buffer_.unlockBaseAddress(); }
    BufferLock(const BufferLock&) = delete;
    BufferLock& operator=(const BufferLock&) = delete;

private:
    const PixelBuffer& buffer_;
};

}  // namespace

FilterImage::FilterImage(cv::Mat pixels, int x, int y, std::shared_ptr<const void> owner,
                         ImageProperties properties)
    : pixels_(std::move(pixels)), x_(x), y_(y), owner_(std::move(owner)), properties_(properties) {}

std::shared_ptr<const FilterImage> FilterImage::make(cv::Mat pixels, int x, int y,
                                                     std::shared_ptr<const void> owner,
                                                     ImageProperties properties) {
    if (pixels.empty() || pixels.dims != 2 || pixels.type() != CV_8UC4 ||
        !fitsCoordinates(x, y, pixels.cols, pixels.rows)) {
        return nullptr;
    }
    try {
        return std::shared_ptr<const FilterImage>(
            new FilterImage(std::move(pixels), x, y, std::move(owner), properties));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<const FilterImage> FilterImage::fromImage(const Image& image) {
    return fromBitmap(image.bitmap());
}

std::shared_ptr<const FilterImage> FilterImage::fromBitmap(std::shared_ptr<const Bitmap> bitmap,
                                                           Point origin) {
    if (!bitmap || !std::isfinite(origin.x) || !std::isfinite(origin.y) ||
        std::abs(origin.x) > static_cast<double>(maximumCoordinate) ||
        std::abs(origin.y) > static_cast<double>(maximumCoordinate)) {
        return nullptr;
    }
    // Read only: pixels() promises its readers nothing else, and every operation writes new
    // matrices.
    cv::Mat pixels(bitmap->height(), bitmap->width(), CV_8UC4,
                   const_cast<std::uint8_t*>(bitmap->data()), bitmap->bytesPerRow());
    auto image = make(std::move(pixels), static_cast<int>(std::lround(origin.x)),
                      static_cast<int>(std::lround(origin.y)), bitmap);
    // Not yet shared with anyone: the one moment the new image may still be completed.
    if (image) std::const_pointer_cast<FilterImage>(image)->wholeBitmap_ = std::move(bitmap);
    return image;
}

std::shared_ptr<const FilterImage> FilterImage::fromPixelBuffer(const PixelBuffer& buffer) {
    try {
        cv::Mat pixels;
        BufferLock lock(buffer);
        buffer.copyAsBGRA(pixels);
        return make(std::move(pixels), 0, 0);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<const FilterImage> FilterImage::fromData(std::span<const std::uint8_t> data) {
    const auto image = Image::fromEncodedData(data);
    if (!image) {
        return nullptr;
    }
    const auto& bitmap = image->bitmap();
    cv::Mat pixels(bitmap->height(), bitmap->width(), CV_8UC4,
                   const_cast<std::uint8_t*>(bitmap->data()), bitmap->bytesPerRow());
    return make(std::move(pixels), 0, 0, bitmap,
                ImageProperties{exifOrientation(image->orientation())});
}

std::shared_ptr<const FilterImage> FilterImage::fromPixels(cv::Mat premultipliedBGRA,
                                                           Point origin) {
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y) ||
        std::abs(origin.x) > static_cast<double>(maximumCoordinate) ||
        std::abs(origin.y) > static_cast<double>(maximumCoordinate)) {
        return nullptr;
    }
    return make(std::move(premultipliedBGRA), static_cast<int>(std::lround(origin.x)),
                static_cast<int>(std::lround(origin.y)));
}

Rect FilterImage::extent() const {
    return Rect::make(x_, y_, pixels_.cols, pixels_.rows);
}

std::shared_ptr<const FilterImage> FilterImage::oriented(int exifOrientation) const {
    if (!imageOrientationFromExif(exifOrientation)) {
        return nullptr;
    }
    if (exifOrientation == 1) {
        return make(pixels_, 0, 0, owner_);
    }
    // The turned pixels go straight into a bitmap, which rendering then hands on as it is.
    const bool swapped = exifOrientation >= 5;
    auto bitmap = Bitmap::makeForOverwrite(swapped ? pixels_.rows : pixels_.cols,
                                           swapped ? pixels_.cols : pixels_.rows);
    if (!bitmap) {
        return nullptr;
    }
    writeUpright(pixels_, exifOrientation, bitmap->mutableData(), bitmap->bytesPerRow());
    return fromBitmap(std::move(bitmap));
}

std::shared_ptr<const FilterImage> FilterImage::cropped(const Rect& rect) const {
    const auto wanted = PixelRect::enclosing(rect);
    if (!wanted) {
        return nullptr;
    }
    const PixelRect own{x_, y_, x_ + pixels_.cols, y_ + pixels_.rows};
    const PixelRect part = own.intersection(*wanted);
    if (part.isEmpty()) {
        return nullptr;
    }
    // Rows count down from the extent's top edge.
    const cv::Rect region(static_cast<int>(part.minX - own.minX),
                          static_cast<int>(own.maxY - part.maxY), static_cast<int>(part.width()),
                          static_cast<int>(part.height()));
    return make(pixels_(region), static_cast<int>(part.minX), static_cast<int>(part.minY), owner_);
}

std::shared_ptr<const FilterImage> FilterImage::transformed(const AffineTransform& t) const {
    const double values[] = {t.a, t.b, t.c, t.d, t.tx, t.ty};
    for (double value : values) {
        if (!std::isfinite(value)) {
            return nullptr;
        }
    }
    if (!t.inverted()) {
        return nullptr;
    }
    // Whole-pixel moves keep the pixels as they are.
    if (t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1 && t.tx == std::round(t.tx) &&
        t.ty == std::round(t.ty)) {
        if (std::abs(t.tx) > maximumCoordinate || std::abs(t.ty) > maximumCoordinate) {
            return nullptr;
        }
        return make(pixels_, x_ + static_cast<int>(t.tx), y_ + static_cast<int>(t.ty), owner_);
    }
    const auto bounds = PixelRect::enclosing(t.apply(extent()));
    if (!bounds || bounds->isEmpty() || bounds->width() > Bitmap::maximumDimension ||
        bounds->height() > Bitmap::maximumDimension ||
        !fitsCoordinates(bounds->minX, bounds->minY, static_cast<int>(bounds->width()),
                         static_cast<int>(bounds->height()))) {
        return nullptr;
    }
    // Source pixel indices → image coordinates → transformed coordinates → result pixel indices.
    // A pixel index addresses the pixel's centre, half a pixel in from its edges; rows run down.
    const double sourceTop = y_ + pixels_.rows;
    const cv::Matx33d fromSource(1, 0, x_ + 0.5, 0, -1, sourceTop - 0.5, 0, 0, 1);
    const cv::Matx33d transform(t.a, t.c, t.tx, t.b, t.d, t.ty, 0, 0, 1);
    const double resultLeft = static_cast<double>(bounds->minX);
    const double resultTop = static_cast<double>(bounds->maxY);
    const cv::Matx33d toResult(1, 0, -resultLeft - 0.5, 0, -1, resultTop - 0.5, 0, 0, 1);
    const cv::Matx33d forward = toResult * transform * fromSource;
    const cv::Matx23d affine(forward(0, 0), forward(0, 1), forward(0, 2), forward(1, 0),
                             forward(1, 1), forward(1, 2));
    try {
        cv::Mat result;
        cv::warpAffine(
            pixels_, result, affine,
            cv::Size(static_cast<int>(bounds->width()), static_cast<int>(bounds->height())),
            cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
        return make(std::move(result), static_cast<int>(bounds->minX),
                    static_cast<int>(bounds->minY));
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<const FilterImage> FilterImage::applyingFilter(
    std::string_view filterName, const FilterParameters& parameters) const {
    auto filter = Filter::named(filterName);
    if (!filter || !filter->setValue(Filter::inputImageKey, shared_from_this())) {
        return nullptr;
    }
    for (const auto& [key, value] : parameters) {
        if (!filter->setValue(key, value)) {
            return nullptr;
        }
    }
    return filter->outputImage();
}

std::shared_ptr<const Bitmap> FilterImage::toBitmap() const {
    return RenderContext().createBitmap(*this, extent());
}

}  // namespace quorvel::platform
