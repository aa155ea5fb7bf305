#include "Platform/Imaging/PixelOrientation.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Platform/Imaging/ParallelRanges.h"

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

#if defined(__SSE2__)
template <PixelWordWrite kWrite>
inline __m128i writtenWords(__m128i words) {
    if constexpr (kWrite == PixelWordWrite::asIs) {
        return words;
    } else {
        words = _mm_or_si128(words, _mm_set1_epi32(static_cast<int>(0xff000000u)));
        if constexpr (kWrite == PixelWordWrite::opaqueReversed) {
            // Bytes 0 1 2 3 to 3 2 1 0 in each word: swap the bytes of each half, then the halves.
            const __m128i swapped =
                _mm_or_si128(_mm_slli_epi16(words, 8), _mm_srli_epi16(words, 8));
            words = _mm_shufflehi_epi16(_mm_shufflelo_epi16(swapped, 0xb1), 0xb1);
        }
        return words;
    }
}

// Four upright rows of four pixels each from a turn: the four pixels down each upright column
// lie side by side in one stored row, running forwards or (kBackwards) backwards from the first;
// one upright column to the next is `alongRow` bytes.
template <bool kBackwards>
inline __m128i turnedColumn(const std::uint8_t* first) {
    if constexpr (kBackwards) {
        return _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first - 12)),
                                 0x1b);
    } else {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    }
}

template <PixelWordWrite kWrite, bool kBackwards>
inline void writeTurnedBlock(const std::uint8_t* in, std::ptrdiff_t alongRow, std::uint8_t* out,
                             std::size_t bytesPerRow) {
    const __m128i column0 = turnedColumn<kBackwards>(in);
    const __m128i column1 = turnedColumn<kBackwards>(in + alongRow);
    const __m128i column2 = turnedColumn<kBackwards>(in + 2 * alongRow);
    const __m128i column3 = turnedColumn<kBackwards>(in + 3 * alongRow);
    // Transposed: word j of column i becomes word i of row j.
    const __m128i low01 = _mm_unpacklo_epi32(column0, column1);
    const __m128i low23 = _mm_unpacklo_epi32(column2, column3);
    const __m128i high01 = _mm_unpackhi_epi32(column0, column1);
    const __m128i high23 = _mm_unpackhi_epi32(column2, column3);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     writtenWords<kWrite>(_mm_unpacklo_epi64(low01, low23)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + bytesPerRow),
                     writtenWords<kWrite>(_mm_unpackhi_epi64(low01, low23)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * bytesPerRow),
                     writtenWords<kWrite>(_mm_unpacklo_epi64(high01, high23)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * bytesPerRow),
                     writtenWords<kWrite>(_mm_unpackhi_epi64(high01, high23)));
}

// The whole 4 × 4 blocks of upright rows [top, bottom) and columns [left, right), the rows
// advancing `downColumn` (one pixel, ±4 bytes) in the stored image.
template <PixelWordWrite kWrite, bool kBackwards>
void writeTurnedBlocks(const std::uint8_t* origin, std::ptrdiff_t alongRow,
                       std::ptrdiff_t downColumn, std::uint8_t* out, std::size_t bytesPerRow,
                       int top, int bottom, int left, int right) {
    for (int y = top; y + 4 <= bottom; y += 4) {
        const std::uint8_t* in = origin + y * downColumn + left * alongRow;
        std::uint8_t* row = out + y * bytesPerRow + left * 4;
        for (int x = left; x + 4 <= right; x += 4, in += 4 * alongRow, row += 16) {
            writeTurnedBlock<kWrite, kBackwards>(in, alongRow, row, bytesPerRow);
        }
    }
}
#endif

// Upright row y from column left to right, pixel by pixel.
template <PixelWordWrite kWrite>
inline void writeRowPixels(const std::uint8_t* origin, std::ptrdiff_t alongRow,
                           std::ptrdiff_t downColumn, std::uint8_t* out, std::size_t bytesPerRow,
                           int y, int left, int right) {
    const std::uint8_t* in = origin + y * downColumn + left * alongRow;
    auto* row = reinterpret_cast<std::uint32_t*>(out + y * bytesPerRow);
    for (int x = left; x < right; ++x, in += alongRow) {
        std::uint32_t word;
        std::memcpy(&word, in, sizeof word);
        row[x] = written<kWrite>(word);
    }
}

template <PixelWordWrite kWrite>
void writeTile(const std::uint8_t* origin, std::ptrdiff_t alongRow, std::ptrdiff_t downColumn,
               std::uint8_t* out, std::size_t bytesPerRow, int top, int bottom, int left,
               int right) {
    int y = top;
#if defined(__SSE2__)
    // A turn steps along stored rows for each upright column (downColumn is one pixel): blocks
    // of 4 × 4 pixels are read as four stored row pieces and transposed; the pixels left over at
    // the right and the bottom are written one by one below.
    if (downColumn == 4 || downColumn == -4) {
        const int blockRight = left + (right - left) / 4 * 4;
        const int blockBottom = top + (bottom - top) / 4 * 4;
        if (downColumn < 0) {
            writeTurnedBlocks<kWrite, true>(origin, alongRow, downColumn, out, bytesPerRow, top,
                                            blockBottom, left, blockRight);
        } else {
            writeTurnedBlocks<kWrite, false>(origin, alongRow, downColumn, out, bytesPerRow, top,
                                             blockBottom, left, blockRight);
        }
        for (; y < blockBottom; ++y) {
            writeRowPixels<kWrite>(origin, alongRow, downColumn, out, bytesPerRow, y, blockRight,
                                   right);
        }
    }
#endif
    for (; y < bottom; ++y) {
        writeRowPixels<kWrite>(origin, alongRow, downColumn, out, bytesPerRow, y, left, right);
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
    const int tile = turns ? 32 : 64;
    const int bands = (height + tile - 1) / tile;
    // Bands of upright rows are written side by side on the worker threads.
    forEachRange(
        cv::Range(0, bands),
        [&](const cv::Range& range) {
            for (int band = range.start; band < range.end; ++band) {
                const int top = band * tile;
                const int bottom = std::min(height, top + tile);
                const int across = turns ? tile : std::max(width, 1);
                for (int left = 0; left < width; left += across) {
                    writeTile<kWrite>(origin, alongRow, downColumn, out, bytesPerRow, top, bottom,
                                      left, std::min(width, left + across));
                }
            }
        },
        static_cast<double>(width) * height / (1 << 18));
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
