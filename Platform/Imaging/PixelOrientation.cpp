#include "Platform/Imaging/PixelOrientation.h"

#include <algorithm>
#include <cstring>

namespace quorvel::platform {

namespace {

struct Walk {
    // Stored pixel of upright pixel (x, y): (originX + x * xAlongX + y * xAlongY,
    // originY + x * yAlongX + y * yAlongY).
    int originX, originY, xAlongX, xAlongY, yAlongX, yAlongY;
};

Walk walkFor(int exifOrientation, int storedWidth, int storedHeight) {
    const int w = storedWidth - 1;
    const int h = storedHeight - 1;
    switch (exifOrientation) {
        case 2:  // mirrored left to right
            return {w, 0, -1, 0, 0, 1};
        case 3:  // turned 180°
            return {w, h, -1, 0, 0, -1};
        case 4:  // mirrored top to bottom
            return {0, h, 1, 0, 0, -1};
        case 5:  // rows become columns
            return {0, 0, 0, 1, 1, 0};
        case 6:  // to be turned 90° clockwise
            return {0, h, 0, 1, -1, 0};
        case 7:  // rows become columns, read backwards
            return {w, h, 0, -1, -1, 0};
        case 8:  // to be turned 90° anticlockwise
            return {w, 0, 0, -1, 1, 0};
        default:
            return {0, 0, 1, 0, 0, 1};
    }
}

template <PixelWordWrite kWrite>
inline std::uint32_t written(std::uint32_t word) {
    if constexpr (kWrite == PixelWordWrite::asIs) {
        return word;
    } else if constexpr (kWrite == PixelWordWrite::opaque) {
        return word | 0xff000000u;
    } else {
        return __builtin_bswap32(word | 0xff000000u);
    }
}

template <PixelWordWrite kWrite>
void writeWalk(const cv::Mat& stored, const Walk& walk, std::uint8_t* out, std::size_t bytesPerRow,
               int width, int height) {
    const auto step = static_cast<std::ptrdiff_t>(stored.step[0]);
    // Byte offsets in the stored image for one step along an upright row and down a column.
    const std::ptrdiff_t alongRow = walk.xAlongX * 4 + walk.yAlongX * step;
    const std::ptrdiff_t downColumn = walk.xAlongY * 4 + walk.yAlongY * step;
    const std::uint8_t* origin =
        stored.data + static_cast<std::ptrdiff_t>(walk.originY) * step + walk.originX * 4;
    // A turn reads stored columns: tiles keep both sides' lines in the cache.
    const bool turns = walk.xAlongX == 0;
    const int tile = turns ? 32 : std::max(width, 1);
    for (int top = 0; top < height; top += tile) {
        const int bottom = std::min(height, top + tile);
        for (int left = 0; left < width; left += tile) {
            const int right = std::min(width, left + tile);
            for (int y = top; y < bottom; ++y) {
                const std::uint8_t* in = origin + y * downColumn + left * alongRow;
                auto* row = reinterpret_cast<std::uint32_t*>(out + y * bytesPerRow);
                for (int x = left; x < right; ++x, in += alongRow) {
                    std::uint32_t word;
                    std::memcpy(&word, in, sizeof word);
                    row[x] = written<kWrite>(word);
                }
            }
        }
    }
}

}  // namespace

void writeUpright(const cv::Mat& stored, int exifOrientation, std::uint8_t* out,
                  std::size_t bytesPerRow, PixelWordWrite write) {
    CV_Assert(stored.type() == CV_8UC4);
    const bool swapped = exifOrientation >= 5 && exifOrientation <= 8;
    const int width = swapped ? stored.rows : stored.cols;
    const int height = swapped ? stored.cols : stored.rows;
    const Walk walk = walkFor(exifOrientation, stored.cols, stored.rows);
    switch (write) {
        case PixelWordWrite::asIs:
            writeWalk<PixelWordWrite::asIs>(stored, walk, out, bytesPerRow, width, height);
            break;
        case PixelWordWrite::opaque:
            writeWalk<PixelWordWrite::opaque>(stored, walk, out, bytesPerRow, width, height);
            break;
        case PixelWordWrite::opaqueReversed:
            writeWalk<PixelWordWrite::opaqueReversed>(stored, walk, out, bytesPerRow, width,
                                                      height);
            break;
    }
}

}  // namespace quorvel::platform
