#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/PictureMemory.h"

namespace quorvel::platform {

// A bitmap of 32-bit pixels: 8-bit components, alpha premultiplied, each pixel one native-endian
// 32-bit word 0xAARRGGBB, rows top to bottom. That is Cairo's ARGB32 format exactly; on a
// little-endian machine the bytes of a pixel are B, G, R, A, which is what OpenCV calls a CV_8UC4
// BGRA image. Either library can therefore wrap the pixels without copying them:
//   cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, width, height, bytesPerRow)
//   cv::Mat(height, width, CV_8UC4, data, bytesPerRow)
//
// A bitmap is filled by whoever makes it (through mutableData()) and not changed once it has been
// handed on: an Image holds its bitmap as `const`.
class Bitmap {
public:
    // The largest width and height, Cairo's limit for image surfaces.
    static constexpr int maximumDimension = 32767;

    // A bitmap of that many pixels, every pixel transparent black; nullptr when a dimension is not
    // positive or exceeds maximumDimension, or the memory could not be had.
    static std::shared_ptr<Bitmap> make(int width, int height);
    // The same without clearing the pixels, for a maker that writes every one of them (a
    // decoder, a copy, a turn): their values are unspecified until then.
    static std::shared_ptr<Bitmap> makeForOverwrite(int width, int height);
    // A copy of another bitmap's pixels.
    static std::shared_ptr<Bitmap> copy(const Bitmap& other);

    int width() const { return width_; }
    int height() const { return height_; }
    // Always width × 4: rows are packed (which satisfies Cairo's stride alignment).
    std::size_t bytesPerRow() const { return bytesPerRow_; }
    std::size_t byteCount() const { return bytesPerRow_ * static_cast<std::size_t>(height_); }

    const std::uint8_t* data() const { return pixels_.get(); }
    std::uint8_t* mutableData() { return pixels_.get(); }

    // The raw premultiplied word of a pixel; 0 outside the bitmap.
    std::uint32_t argb(int x, int y) const;
    // The colour of a pixel with alpha taken out of the components (transparent black outside
    // the bitmap or where alpha is 0).
    Color pixel(int x, int y) const;

    // Premultiplies a colour (components clamped to 0…1) into one pixel word.
    static std::uint32_t premultipliedARGB(const Color& color);

private:
    Bitmap(int width, int height, bool cleared);
    static std::shared_ptr<Bitmap> create(int width, int height, bool cleared);

    int width_;
    int height_;
    std::size_t bytesPerRow_;
    PictureMemory::Block pixels_;
};

}  // namespace quorvel::platform
