#include "Platform/Imaging/PixelBuffer.h"

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/PixelOrientation.h"

namespace quorvel::platform {

static_assert(std::endian::native == std::endian::little,
              "PixelBuffer assumes little-endian Cairo pixel words");

PixelBuffer::PixelBuffer(int width, int height, PixelFormat format, std::size_t bytesPerRow,
                         PictureMemory::Block memory)
    : width_(width),
      height_(height),
      format_(format),
      bytesPerRow_(bytesPerRow),
      memory_(std::move(memory)) {}

std::shared_ptr<PixelBuffer> PixelBuffer::make(int width, int height, PixelFormat format,
                                               const PixelBufferAttributes& attributes) {
    return create(width, height, format, attributes, true);
}

std::shared_ptr<PixelBuffer> PixelBuffer::makeForOverwrite(
    int width, int height, PixelFormat format, const PixelBufferAttributes& attributes) {
    return create(width, height, format, attributes, false);
}

std::shared_ptr<PixelBuffer> PixelBuffer::create(int width, int height, PixelFormat format,
                                                 const PixelBufferAttributes& attributes,
                                                 bool cleared) {
    const std::size_t alignment = attributes.bytesPerRowAlignment;
    if (width <= 0 || height <= 0 || width > Bitmap::maximumDimension ||
        height > Bitmap::maximumDimension || alignment < 4 || !std::has_single_bit(alignment) ||
        alignment > 4096) {
        return nullptr;
    }
    const std::size_t packed = static_cast<std::size_t>(width) * 4;
    const std::size_t bytesPerRow = (packed + alignment - 1) / alignment * alignment;
    const std::size_t size = bytesPerRow * static_cast<std::size_t>(height);
    // Blocks start on a page, which no alignment asked for exceeds: every row starts aligned.
    static_assert(PictureMemory::alignment >= 4096);
    auto owned = PictureMemory::take(size);
    if (!owned) {
        return nullptr;
    }
    if (cleared) {
        std::memset(owned.get(), 0, size);
    }
    try {
        return std::shared_ptr<PixelBuffer>(
            new PixelBuffer(width, height, format, bytesPerRow, std::move(owned)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void PixelBuffer::lockBaseAddress() const {
    lockCount_.fetch_add(1, std::memory_order_acq_rel);
}

void PixelBuffer::unlockBaseAddress() const {
    int count = lockCount_.load(std::memory_order_acquire);
    while (count > 0 &&
           !lockCount_.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel)) {
    }
}

std::uint8_t* PixelBuffer::baseAddress() {
    assert(isLocked() && "a pixel buffer's memory is only valid while it is locked");
    return memory_.get();
}

const std::uint8_t* PixelBuffer::baseAddress() const {
    assert(isLocked() && "a pixel buffer's memory is only valid while it is locked");
    return memory_.get();
}

cv::Mat PixelBuffer::asMat() {
    return cv::Mat(height_, width_, CV_8UC4, baseAddress(), bytesPerRow_);
}

void PixelBuffer::copyAsBGRA(cv::Mat& into) const {
    const cv::Mat stored = asMat();
    into.create(stored.rows, stored.cols, CV_8UC4);
    if (format_ == PixelFormat::bgra32) {
        stored.copyTo(into);
        return;
    }
    // A, R, G, B bytes read as a little-endian word are the B, G, R, A word with its bytes
    // reversed. Written with shifts and masks, the loop vectorises.
    for (int y = 0; y < stored.rows; ++y) {
        const auto* in = stored.ptr<std::uint32_t>(y);
        auto* out = into.ptr<std::uint32_t>(y);
        for (int x = 0; x < stored.cols; ++x) {
            const std::uint32_t w = in[x];
            out[x] = (w >> 24) | ((w >> 8) & 0xff00u) | ((w << 8) & 0xff0000u) | (w << 24);
        }
    }
}

cv::Mat PixelBuffer::asMat() const {
    // The view is documented as read only for a const buffer; cv::Mat has no const form.
    return cv::Mat(height_, width_, CV_8UC4, const_cast<std::uint8_t*>(baseAddress()),
                   bytesPerRow_);
}

bool PixelBuffer::drawImage(const Image& image, const Rect& rect) {
    if (!std::isfinite(rect.origin.x) || !std::isfinite(rect.origin.y) ||
        !std::isfinite(rect.size.width) || !std::isfinite(rect.size.height) || rect.isEmpty()) {
        return false;
    }
    // Drawing the page pixel for pixel at the origin (the usual case: a photo into a buffer of
    // its own size) needs no resampling: the pixels are only turned, exactly as Cairo would
    // place them.
    const Bitmap& bitmap = *image.bitmap();
    const bool swapped = Image::swapsWidthAndHeight(image.orientation());
    const double shownWidth = swapped ? bitmap.height() : bitmap.width();
    const double shownHeight = swapped ? bitmap.width() : bitmap.height();
    if (rect == Rect::make(0, 0, shownWidth, shownHeight) && shownWidth <= width_ &&
        shownHeight <= height_) {
        const cv::Mat stored(bitmap.height(), bitmap.width(), CV_8UC4,
                             const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow());
        lockBaseAddress();
        writeUpright(stored, exifOrientation(image.orientation()), baseAddress(), bytesPerRow_,
                     format_ == PixelFormat::argb32 ? PixelWordWrite::opaqueReversed
                                                    : PixelWordWrite::opaque);
        unlockBaseAddress();
        // Black where the picture does not reach.
        writeOverBlack(cv::Mat(), static_cast<int>(shownWidth), static_cast<int>(shownHeight));
        return true;
    }

    // Otherwise an opaque renderer, which starts black and composites the image over it, as
    // drawing into a context without alpha does.
    ImageRenderer renderer(Size{static_cast<double>(width_), static_cast<double>(height_)}, true,
                           1.0);
    if (!renderer.isValid()) {
        return false;
    }
    renderer.drawImage(image, rect);
    cairo_surface_t* surface = cairo_get_target(renderer.cairo());
    cairo_surface_flush(surface);
    std::uint8_t* drawn = cairo_image_surface_get_data(surface);
    if (drawn == nullptr || cairo_image_surface_get_width(surface) != width_ ||
        cairo_image_surface_get_height(surface) != height_) {
        return false;
    }
    writeOverBlack(cv::Mat(height_, width_, CV_8UC4, drawn,
                           static_cast<std::size_t>(cairo_image_surface_get_stride(surface))));
    return true;
}

void PixelBuffer::writeOverBlack(const cv::Mat& pixels, int keptWidth, int keptHeight) {
    constexpr std::uint32_t black = 0xff000000u;  // as a native 0xAARRGGBB word
    const bool argb = format_ == PixelFormat::argb32;
    lockBaseAddress();
    std::uint8_t* base = baseAddress();
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* out = base + static_cast<std::size_t>(y) * bytesPerRow_;
        const int covered = y < pixels.rows ? std::min(pixels.cols, width_) : 0;
        const std::uint8_t* in = covered > 0 ? pixels.ptr<std::uint8_t>(y) : nullptr;
        for (int x = y < keptHeight ? keptWidth : 0; x < width_; ++x) {
            std::uint32_t word = black;  // premultiplied over black: the colour stays, alpha full
            if (x < covered) {
                std::memcpy(&word, in + 4 * x, 4);
                word |= black;
            }
            if (argb) {
                word = __builtin_bswap32(word);  // bytes A, R, G, B
            }
            std::memcpy(out + 4 * x, &word, 4);
        }
    }
    unlockBaseAddress();
}

void PixelBuffer::setAttachment(std::string_view key, const FloatMatrix3x3& value) {
    std::lock_guard lock(attachmentsMutex_);
    attachments_.insert_or_assign(std::string(key), value);
}

std::optional<FloatMatrix3x3> PixelBuffer::attachment(std::string_view key) const {
    std::lock_guard lock(attachmentsMutex_);
    const auto found = attachments_.find(key);
    if (found == attachments_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void PixelBuffer::removeAttachment(std::string_view key) {
    std::lock_guard lock(attachmentsMutex_);
    const auto found = attachments_.find(key);
    if (found != attachments_.end()) {
        attachments_.erase(found);
    }
}

}  // namespace quorvel::platform
