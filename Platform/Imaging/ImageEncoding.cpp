#include "Platform/Imaging/ImageEncoding.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/PictureMemory.h"
#include "Platform/Imaging/ParallelRanges.h"

namespace quorvel::platform {

namespace {

// An APP1 segment holding a minimal big-endian EXIF block: IFD0 with the Orientation tag only.
Data exifSegment(int orientation) {
    const std::uint8_t value = static_cast<std::uint8_t>(orientation);
    return Data{
        0xFF, 0xE1,                     // APP1
        0x00, 34,                       // length of what follows, these two bytes included
        'E',  'x',   'i',  'f',  0, 0,  // EXIF identifier
        'M',  'M',   0x00, 0x2A,        // TIFF header: big-endian, 42
        0x00, 0x00,  0x00, 0x08,        // IFD0 right after the header
        0x00, 0x01,                     // one entry
        0x01, 0x12,  0x00, 0x03,        // tag Orientation, type SHORT
        0x00, 0x00,  0x00, 0x01,        // one value
        0x00, value, 0x00, 0x00,        // the value, left-justified in four bytes
        0x00, 0x00,  0x00, 0x00,        // no next IFD
    };
}

// The JPEG quality of a quality from 0 to 1; nullopt for a quality that is not a number.
std::optional<int> jpegQualityOf(double quality) {
    if (std::isnan(quality)) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
}

// Encodes rows of a bitmap as jpegData does (without an EXIF segment) into `block`, of the
// encoder's worst-case size for them; the size, or 0 on failure.
unsigned long encodeRows(const Bitmap& bitmap, int firstRow, int rows, int jpegQuality,
                         PictureMemory::Block& block) {
    const std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), tjDestroy);
    if (!encoder) {
        return 0;
    }
    // Straight from the B, G, R, A words (the alpha byte is not read, which leaves premultiplied
    // colours as drawn over black), with 2 × 2 chroma subsampling and the accurate integer DCT
    // at every quality, as libjpeg's defaults have it.
    // Into a block of the encoder's worst-case size, reused from one picture to the next.
    unsigned long size = tjBufSize(bitmap.width(), rows, TJSAMP_420);
    block = PictureMemory::take(size);
    if (!block) {
        return 0;
    }
    unsigned char* encoded = block.get();
    const int failed = tjCompress2(
        encoder.get(), bitmap.data() + static_cast<std::size_t>(firstRow) * bitmap.bytesPerRow(),
        bitmap.width(), static_cast<int>(bitmap.bytesPerRow()), rows, TJPF_BGRA, &encoded, &size,
        TJSAMP_420, jpegQuality, TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC);
    if (failed != 0 || size < 4 || encoded[0] != 0xFF || encoded[1] != 0xD8 ||
        encoded[size - 2] != 0xFF || encoded[size - 1] != 0xD9) {
        return 0;
    }
    return size;
}

// What the bound needs of one band's JPEG.
struct BandCount {
    bool valid = false;
    std::size_t headerBytes = 0;  // everything before the entropy-coded data
    std::size_t dataBytes = 0;    // the entropy-coded data without its stuffed zeros
    std::size_t oneBits = 0;      // bits set in it
};

BandCount countBand(const std::uint8_t* jpeg, std::size_t size) {
    BandCount count;
    // Marker segments after the start of image, up to and including the start of scan.
    std::size_t at = 2;
    while (true) {
        if (at + 4 > size || jpeg[at] != 0xFF) {
            return count;
        }
        const std::uint8_t marker = jpeg[at + 1];
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        at += 2 + length;
        if (marker == 0xDA) {
            break;
        }
    }
    if (at + 2 > size) {
        return count;
    }
    count.headerBytes = at;
    const std::size_t end = size - 2;  // the end-of-image marker
    std::size_t stuffed = 0;
    std::size_t i = at;
    // Eight bytes at a time: set bits by halves, quarters and bytes; bytes of 255 as the bytes
    // of the complement that are zero.
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Fu;
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, jpeg + i, sizeof word);
        std::uint64_t bits = word - ((word >> 1) & 0x5555555555555555u);
        bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
        bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
        count.oneBits += static_cast<std::size_t>((bits * ones) >> 56);
        const std::uint64_t complement = ~word;
        const std::uint64_t nonZero = (((complement & low7) + low7) | complement) & ~low7;
        stuffed += 8 - static_cast<std::size_t>(((nonZero >> 7) * ones) >> 56);
    }
    for (; i < end; ++i) {
        count.oneBits += static_cast<std::size_t>(__builtin_popcount(jpeg[i]));
        if (jpeg[i] == 0xFF) {
            ++stuffed;
        }
    }
    count.dataBytes = end - at - stuffed;
    count.valid = true;
    return count;
}

}  // namespace

std::optional<std::size_t> ImageEncoding::jpegSizeBound(const Bitmap& bitmap, double quality,
                                                        int exifOrientation) {
    const auto jpegQuality = jpegQualityOf(quality);
    if (!jpegQuality || exifOrientation < 1 || exifOrientation > 8) {
        return std::nullopt;
    }
    // Bands of whole rows of 16 × 16 blocks, so that each band's blocks are the picture's own.
    constexpr int mcuRows = 16;
    const int mcuRowCount = (bitmap.height() + mcuRows - 1) / mcuRows;
    const int bands = std::clamp(std::min(cv::getNumThreads(), mcuRowCount / 8), 1, 64);
    std::vector<BandCount> counts(static_cast<std::size_t>(bands));
    forEachRange(cv::Range(0, bands), [&](const cv::Range& range) {
        for (int band = range.start; band < range.end; ++band) {
            const int first = mcuRowCount * band / bands * mcuRows;
            const int last = std::min(bitmap.height(), mcuRowCount * (band + 1) / bands * mcuRows);
            PictureMemory::Block block;
            const unsigned long size = encodeRows(bitmap, first, last - first, *jpegQuality, block);
            if (size > 0) {
                counts[static_cast<std::size_t>(band)] = countBand(block.get(), size);
            }
        }
    });
    std::size_t headerBytes = 0, dataBytes = 0, oneBits = 0;
    for (const BandCount& count : counts) {
        if (!count.valid) {
            return std::nullopt;
        }
        headerBytes = std::max(headerBytes, count.headerBytes);
        dataBytes += count.dataBytes;
        oneBits += count.oneBits;
    }
    // Where one band follows another, the DC differences of its first luminance and two
    // chrominance blocks are coded against the band before instead of against 0: at most 18 and
    // twice 20 bits more (categories 0 to 11 take 2 to 20 bits in the luminance table, 2 to 22 in
    // the chrominance one). A byte of value 255 needs eight set bits of its own, the final
    // padding included.
    const std::size_t extraBits = 58 * static_cast<std::size_t>(bands - 1);
    const std::size_t bits = 8 * dataBytes + extraBits;
    const std::size_t stuffedBytes = (oneBits + extraBits + 7) / 8;
    const std::size_t exifBytes = exifOrientation == 1 ? 0 : exifSegment(exifOrientation).size();
    return headerBytes + exifBytes + (bits + 7) / 8 + stuffedBytes + 2;
}

std::optional<Data> ImageEncoding::jpegData(const Image& image, double quality) {
    return jpegData(*image.bitmap(), quality, exifOrientation(image.orientation()));
}

std::optional<Data> ImageEncoding::jpegData(const Bitmap& bitmap, double quality,
                                            int exifOrientation) {
    const auto jpegQuality = jpegQualityOf(quality);
    if (!jpegQuality || exifOrientation < 1 || exifOrientation > 8) {
        return std::nullopt;
    }
    PictureMemory::Block block;
    const unsigned long size = encodeRows(bitmap, 0, bitmap.height(), *jpegQuality, block);
    if (size == 0) {
        return std::nullopt;
    }
    const unsigned char* encoded = block.get();
    try {
        if (exifOrientation == 1) {
            return Data(encoded, encoded + size);
        }
        const Data segment = exifSegment(exifOrientation);
        Data data;
        data.reserve(size + segment.size());
        data.insert(data.end(), encoded, encoded + 2);  // start of image
        data.insert(data.end(), segment.begin(), segment.end());
        data.insert(data.end(), encoded + 2, encoded + size);
        return data;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::size_t ImageEncoding::maximumJpegSize(int width, int height) {
    return tjBufSize(width, height, TJSAMP_420) + exifSegment(1).size();
}

}  // namespace quorvel::platform
