#include "Platform/Imaging/ImageEncoding.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "Platform/Graphics/ExifOrientation.h"

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
    try {
        // Encoding only reads the pixels.
        const cv::Mat pixels(bitmap.height(), bitmap.width(), CV_8UC4,
                             const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow());
        // Dropping premultiplied alpha leaves the colours as drawn over black.
        cv::Mat bgr;
        cv::cvtColor(pixels, bgr, cv::COLOR_BGRA2BGR);
        std::vector<std::uint8_t> encoded;
        if (!cv::imencode(".jpg", bgr, encoded, {cv::IMWRITE_JPEG_QUALITY, jpegQuality}) ||
            encoded.size() < 2 || encoded[0] != 0xFF || encoded[1] != 0xD8) {
            return std::nullopt;
        }
        if (exifOrientation == 1) {
            return Data(encoded.begin(), encoded.end());
        }
        const Data segment = exifSegment(exifOrientation);
        Data data;
        data.reserve(encoded.size() + segment.size());
        data.insert(data.end(), encoded.begin(), encoded.begin() + 2);  // start of image
        data.insert(data.end(), segment.begin(), segment.end());
        data.insert(data.end(), encoded.begin() + 2, encoded.end());
        return data;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace quorvel::platform
