#include "Platform/Graphics/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace quorvel::platform {

namespace {

std::uint8_t toByte(double component) {
    if (!(component > 0)) {
        return 0;
    }
    if (component >= 1) {
        return 255;
    }
    return static_cast<std::uint8_t>(std::lround(component * 255.0));
}

}  // namespace

Bitmap::Bitmap(int width, int height, bool cleared)
    : width_(width),
      height_(height),
      bytesPerRow_(static_cast<std::size_t>(width) * 4),
      pixels_(PictureMemory::take(byteCount())) {
    if (!pixels_) {
        throw std::bad_alloc();
    }
    if (cleared) {
        std::memset(pixels_.get(), 0, byteCount());
    }
}

std::shared_ptr<Bitmap> Bitmap::create(int width, int height, bool cleared) {
    if (width <= 0 || height <= 0 || width > maximumDimension || height > maximumDimension) {
        return nullptr;
    }
    try {
        return std::shared_ptr<Bitmap>(new Bitmap(width, height, cleared));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::shared_ptr<Bitmap> Bitmap::make(int width, int height) {
    return create(width, height, true);
}

std::shared_ptr<Bitmap> Bitmap::makeForOverwrite(int width, int height) {
    return create(width, height, false);
}

std::shared_ptr<Bitmap> Bitmap::copy(const Bitmap& other) {
    auto bitmap = makeForOverwrite(other.width_, other.height_);
    if (bitmap) {
        std::memcpy(bitmap->pixels_.get(), other.pixels_.get(), other.byteCount());
    }
    return bitmap;
}

std::uint32_t Bitmap::argb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    std::uint32_t word = 0;
    std::memcpy(&word,
                pixels_.get() + static_cast<std::size_t>(y) * bytesPerRow_ +
                    static_cast<std::size_t>(x) * 4,
                sizeof word);
    return word;
}

Color Bitmap::pixel(int x, int y) const {
    const std::uint32_t word = argb(x, y);
    const unsigned alpha = word >> 24;
    if (alpha == 0) {
        return Color::clear();
    }
    auto unpremultiply = [alpha](unsigned component) {
        return std::min(1.0, static_cast<double>(component) / alpha);
    };
    return Color{unpremultiply((word >> 16) & 0xff), unpremultiply((word >> 8) & 0xff),
                 unpremultiply(word & 0xff), alpha / 255.0};
}

std::uint32_t Bitmap::premultipliedARGB(const Color& color) {
    const double alpha = std::clamp(std::isnan(color.alpha) ? 0.0 : color.alpha, 0.0, 1.0);
    auto component = [alpha](double value) {
        const double clamped = std::clamp(std::isnan(value) ? 0.0 : value, 0.0, 1.0);
        return static_cast<std::uint32_t>(toByte(clamped * alpha));
    };
    return (static_cast<std::uint32_t>(toByte(alpha)) << 24) | (component(color.red) << 16) |
           (component(color.green) << 8) | component(color.blue);
}

}  // namespace quorvel::platform
