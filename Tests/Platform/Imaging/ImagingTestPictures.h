#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/RenderContext.h"

namespace quorvel::platform::testing {

inline constexpr Color red = Color::fromRGBA8(255, 0, 0);
inline constexpr Color green = Color::fromRGBA8(0, 255, 0);
inline constexpr Color blue = Color::fromRGBA8(0, 0, 255);
inline constexpr Color white = Color::fromRGBA8(255, 255, 255);
inline constexpr Color grey = Color::fromRGBA8(128, 128, 128);

inline void setPixel(Bitmap& bitmap, int x, int y, const Color& color) {
    const std::uint32_t word = Bitmap::premultipliedARGB(color);
    std::memcpy(bitmap.mutableData() + static_cast<std::size_t>(y) * bitmap.bytesPerRow() +
                    static_cast<std::size_t>(x) * 4,
                &word, sizeof word);
}

inline std::shared_ptr<Bitmap> solidBitmap(int width, int height, const Color& color) {
    auto bitmap = Bitmap::make(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            setPixel(*bitmap, x, y, color);
        }
    }
    return bitmap;
}

// Grey, with red at the top-left, green at the top-right, blue at the bottom-left and white at
// the bottom-right pixel (rows top-down, as stored).
inline std::shared_ptr<Bitmap> cornerBitmap(int width, int height) {
    auto bitmap = solidBitmap(width, height, grey);
    setPixel(*bitmap, 0, 0, red);
    setPixel(*bitmap, width - 1, 0, green);
    setPixel(*bitmap, 0, height - 1, blue);
    setPixel(*bitmap, width - 1, height - 1, white);
    return bitmap;
}

// The pixel covering (x, y) to (x + 1, y + 1) in the image's own coordinates (lower-left origin).
inline std::uint32_t wordAt(const FilterImage& image, double x, double y) {
    const auto bitmap = RenderContext().createBitmap(image, Rect::make(x, y, 1, 1));
    return bitmap ? bitmap->argb(0, 0) : 0xdeadbeef;
}

inline std::uint32_t word(const Color& color) {
    return Bitmap::premultipliedARGB(color);
}

inline bool sameBytes(const Bitmap& a, const Bitmap& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.data(), b.data(), a.byteCount()) == 0;
}

}  // namespace quorvel::platform::testing
