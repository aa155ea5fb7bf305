#pragma once

#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>

namespace quorvel::platform {

// How each 32-bit pixel word is written when pixels are turned upright.
enum class PixelWordWrite {
    asIs,            // unchanged
    opaque,          // alpha byte (the word's top byte) set to 255
    opaqueReversed,  // alpha set to 255, then the four bytes reversed (B, G, R, A to A, R, G, B)
};

// Writes the four-byte pixels of `stored` turned so that a picture stored with that EXIF
// orientation (1–8) displays upright, into `out` (rows `bytesPerRow` apart): exact moves, no
// resampling, in one pass (turns go tile by tile so that neither image is walked across its
// rows). `out` must hold the upright size: width and height swapped for 5 to 8.
void writeUpright(const cv::Mat& stored, int exifOrientation, std::uint8_t* out,
                  std::size_t bytesPerRow, PixelWordWrite write = PixelWordWrite::asIs);

}  // namespace quorvel::platform
