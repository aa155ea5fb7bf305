#include "Platform/Imaging/ImageEncoding.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/PictureMemory.h"

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

}  // namespace

std::optional<Data> ImageEncoding::jpegData(const Image& image, double quality) {
    return jpegData(*image.bitmap(), quality, exifOrientation(image.orientation()));
}

std::optional<Data> ImageEncoding::jpegData(const Bitmap& bitmap, double quality,
                                            int exifOrientation) {
    if (std::isnan(quality) || exifOrientation < 1 || exifOrientation > 8) {
        return std::nullopt;
    }
    const int jpegQuality = static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100));
    const std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), tjDestroy);
    if (!encoder) {
        return std::nullopt;
    }
    // Straight from the B, G, R, A words (the alpha byte is not read, which leaves premultiplied
    // colours as drawn over black), with 2 × 2 chroma subsampling and the accurate integer DCT
    // at every quality, as libjpeg's defaults have it.
    // Into a block of the encoder's worst-case size, reused from one picture to the next.
    unsigned long size = tjBufSize(bitmap.width(), bitmap.height(), TJSAMP_420);
    const auto block = PictureMemory::take(size);
    if (!block) {
        return std::nullopt;
    }
    unsigned char* encoded = block.get();
    const int failed =
        tjCompress2(encoder.get(), bitmap.data(), bitmap.width(),
                    static_cast<int>(bitmap.bytesPerRow()), bitmap.height(), TJPF_BGRA, &encoded,
                    &size, TJSAMP_420, jpegQuality, TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC);
    if (failed != 0 || size < 2 || encoded[0] != 0xFF || encoded[1] != 0xD8) {
        return std::nullopt;
    }
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
