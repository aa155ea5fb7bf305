#include "Platform/Graphics/Image.h"

#include <turbojpeg.h>

#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <utility>

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/ExifOrientation.h"

namespace quorvel::platform {

namespace {

std::uint16_t read16(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                     : static_cast<std::uint16_t>((p[1] << 8) | p[0]);
}

std::uint32_t read32(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                           (std::uint32_t{p[2]} << 8) | p[3]
                     : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                           (std::uint32_t{p[1]} << 8) | p[0];
}

// The orientation tag of an EXIF block (the bytes after "Exif\0\0"); nullopt when absent.
std::optional<int> exifOrientation(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8) {
        return std::nullopt;
    }
    bool bigEndian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        bigEndian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return std::nullopt;
    }
    if (read16(tiff.data() + 2, bigEndian) != 42) {
        return std::nullopt;
    }
    const std::uint32_t ifd = read32(tiff.data() + 4, bigEndian);
    if (ifd > tiff.size() - 2) {
        return std::nullopt;
    }
    const std::size_t entries = read16(tiff.data() + ifd, bigEndian);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (entry + 12 > tiff.size()) {
            break;
        }
        const std::uint8_t* p = tiff.data() + entry;
        constexpr std::uint16_t orientationTag = 0x0112;
        constexpr std::uint16_t shortType = 3;
        if (read16(p, bigEndian) == orientationTag && read16(p + 2, bigEndian) == shortType) {
            return read16(p + 8, bigEndian);
        }
    }
    return std::nullopt;
}

// Walks a JPEG's header segments up to the image data looking for the EXIF orientation.
std::optional<int> jpegOrientation(std::span<const std::uint8_t> data) {
    if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return std::nullopt;
    }
    std::size_t position = 2;
    while (position + 4 <= data.size()) {
        if (data[position] != 0xFF) {
            return std::nullopt;
        }
        const std::uint8_t marker = data[position + 1];
        if (marker == 0xFF) {  // fill byte
            ++position;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) {  // end of image, start of scan
            return std::nullopt;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            position += 2;
            continue;
        }
        const std::size_t length = read16(data.data() + position + 2, true);
        if (length < 2 || position + 2 + length > data.size()) {
            return std::nullopt;
        }
        const auto segment = data.subspan(position + 4, length - 2);
        static constexpr std::uint8_t exifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && segment.size() >= sizeof exifHeader &&
            std::memcmp(segment.data(), exifHeader, sizeof exifHeader) == 0) {
            return exifOrientation(segment.subspan(sizeof exifHeader));
        }
        position += 2 + length;
    }
    return std::nullopt;
}

ImageOrientation orientationFromExif(std::optional<int> exif) {
    return imageOrientationFromExif(exif.value_or(1)).value_or(ImageOrientation::up);
}

// Any decoded image as 8-bit straight-alpha BGRA.
std::optional<cv::Mat> toBGRA8(const cv::Mat& decoded) {
    cv::Mat eight;
    switch (decoded.depth()) {
        case CV_8U:
            eight = decoded;
            break;
        case CV_16U:
            decoded.convertTo(eight, CV_8U, 1.0 / 257.0);
            break;
        case CV_32F:
        case CV_64F:
            decoded.convertTo(eight, CV_8U, 255.0);
            break;
        default:
            return std::nullopt;
    }
    cv::Mat bgra;
    switch (eight.channels()) {
        case 1:
            cv::cvtColor(eight, bgra, cv::COLOR_GRAY2BGRA);
            break;
        case 3:
            cv::cvtColor(eight, bgra, cv::COLOR_BGR2BGRA);
            break;
        case 4:
            bgra = eight;
            break;
        default:
            return std::nullopt;
    }
    return bgra;
}

std::shared_ptr<Bitmap> premultipliedBitmap(const cv::Mat& bgra) {
    auto bitmap = Bitmap::makeForOverwrite(bgra.cols, bgra.rows);
    if (!bitmap) {
        return nullptr;
    }
    for (int y = 0; y < bgra.rows; ++y) {
        const std::uint8_t* source = bgra.ptr<std::uint8_t>(y);
        std::uint8_t* row =
            bitmap->mutableData() + static_cast<std::size_t>(y) * bitmap->bytesPerRow();
        for (int x = 0; x < bgra.cols; ++x, source += 4) {
            const unsigned alpha = source[3];
            auto premultiply = [alpha](unsigned component) {
                return (component * alpha + 127) / 255;
            };
            const std::uint32_t word = (alpha << 24) | (premultiply(source[2]) << 16) |
                                       (premultiply(source[1]) << 8) | premultiply(source[0]);
            std::memcpy(row + static_cast<std::size_t>(x) * 4, &word, sizeof word);
        }
    }
    return bitmap;
}

bool isJpeg(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(std::span<const std::uint8_t> data) {
    return data.size() >= sizeof pngSignature &&
           std::memcmp(data.data(), pngSignature, sizeof pngSignature) == 0;
}

// False, with the reason, for a picture that has no pixels or more than are decoded.
bool withinDecodingLimit(std::int64_t width, std::int64_t height, std::string& reason) {
    if (width <= 0 || height <= 0) {
        reason = "The image has no pixels.";
        return false;
    }
    if (width > Bitmap::maximumDimension || height > Bitmap::maximumDimension ||
        width * height > Image::maximumDecodedPixels) {
        reason = "The image is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels: more than the " + std::to_string(Image::maximumDecodedPixels) +
                 " pixels (or " + std::to_string(Bitmap::maximumDimension) +
                 " on a side) that are decoded.";
        return false;
    }
    return true;
}

// Decodes straight into the bitmap's memory as B, G, R, A bytes (alpha 255). libjpeg's warnings
// (data cut short, corrupt entropy data) stop the decoding: such a picture is partly made up.
std::shared_ptr<Bitmap> decodeJpeg(std::span<const std::uint8_t> data, std::string& reason) {
    const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
    if (!decoder) {
        reason = "The JPEG decoder cannot be started.";
        return nullptr;
    }
    const auto size = static_cast<unsigned long>(data.size());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(decoder.get(), data.data(), size, &width, &height, &subsampling,
                            &colorspace) != 0) {
        reason =
            std::string("The JPEG header cannot be read (") + tjGetErrorStr2(decoder.get()) + ").";
        return nullptr;
    }
    if (!withinDecodingLimit(width, height, reason)) {
        return nullptr;
    }
    auto bitmap = Bitmap::makeForOverwrite(width, height);
    if (!bitmap) {
        reason = "There is no memory for the image.";
        return nullptr;
    }
    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(decoder.get(), data.data(), size, bitmap->mutableData(), width,
                      static_cast<int>(bitmap->bytesPerRow()), height, cmyk ? TJPF_CMYK : TJPF_BGRA,
                      flags) != 0) {
        reason = std::string("The JPEG data is truncated or corrupt (") +
                 tjGetErrorStr2(decoder.get()) + ").";
        return nullptr;
    }
    if (cmyk) {
        // Inverted CMYK as cameras and Photoshop write it, taken to B, G, R as OpenCV does.
        std::uint8_t* p = bitmap->mutableData();
        for (std::size_t i = 0; i < bitmap->byteCount(); i += 4) {
            const int k = p[i + 3];
            auto channel = [k](int ink) {
                return static_cast<std::uint8_t>(k - ((255 - ink) * k >> 8));
            };
            const std::uint8_t red = channel(p[i]), green = channel(p[i + 1]),
                               blue = channel(p[i + 2]);
            p[i] = blue;
            p[i + 1] = green;
            p[i + 2] = red;
            p[i + 3] = 255;
        }
    }
    return bitmap;
}

// The picture size of a PNG, from its IHDR chunk, which must come first.
std::optional<std::pair<std::int64_t, std::int64_t>> pngSize(std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t header[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (data.size() < 24 || std::memcmp(data.data() + 8, header, sizeof header) != 0) {
        return std::nullopt;
    }
    return std::pair<std::int64_t, std::int64_t>{read32(data.data() + 16, true),
                                                 read32(data.data() + 20, true)};
}

std::shared_ptr<Bitmap> decodePng(std::span<const std::uint8_t> data, std::string& reason) {
    const auto size = pngSize(data);
    if (!size) {
        reason = "The PNG header cannot be read.";
        return nullptr;
    }
    if (!withinDecodingLimit(size->first, size->second, reason)) {
        return nullptr;
    }
    try {
        // OpenCV does not write to the buffer it decodes from.
        const cv::Mat encoded(1, static_cast<int>(data.size()), CV_8U,
                              const_cast<std::uint8_t*>(data.data()));
        // Unchanged: keeps alpha and depth.
        const cv::Mat decoded = cv::imdecode(encoded, cv::IMREAD_UNCHANGED);
        if (decoded.empty() || decoded.dims != 2 || decoded.cols != size->first ||
            decoded.rows != size->second) {
            reason = "The PNG data is truncated or corrupt.";
            return nullptr;
        }
        const auto bgra = toBGRA8(decoded);
        auto bitmap = bgra ? premultipliedBitmap(*bgra) : nullptr;
        if (!bitmap) {
            reason = "The PNG pixels cannot be converted.";
        }
        return bitmap;
    } catch (const std::exception&) {
        reason = "The PNG data is truncated or corrupt.";
        return nullptr;
    }
}

}  // namespace

Image::Image(std::shared_ptr<const Bitmap> bitmap, double scale, ImageOrientation orientation)
    : bitmap_(std::move(bitmap)), scale_(scale), orientation_(orientation) {}

std::shared_ptr<Image> Image::make(std::shared_ptr<const Bitmap> bitmap, double scale,
                                   ImageOrientation orientation) {
    if (!bitmap || !std::isfinite(scale) || scale <= 0) {
        return nullptr;
    }
    return std::shared_ptr<Image>(new Image(std::move(bitmap), scale, orientation));
}

std::shared_ptr<Image> Image::contentsOfFile(const std::filesystem::path& path) {
    return contentsOfFile(path, nullptr);
}

std::shared_ptr<Image> Image::contentsOfFile(const std::filesystem::path& path,
                                             std::string* failure) {
    const auto data = readFile(path);
    if (!data) {
        if (failure) *failure = "The file cannot be read.";
        return nullptr;
    }
    return fromEncodedData(*data, failure);
}

std::shared_ptr<Image> Image::fromEncodedData(std::span<const std::uint8_t> data) {
    return fromEncodedData(data, nullptr);
}

std::shared_ptr<Image> Image::fromEncodedData(std::span<const std::uint8_t> data,
                                              std::string* failure) {
    std::string reason;
    std::shared_ptr<Bitmap> bitmap;
    if (data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        reason = "The data is too large to be an image.";
    } else if (isJpeg(data)) {
        bitmap = decodeJpeg(data, reason);
    } else if (isPng(data)) {
        bitmap = decodePng(data, reason);
    } else {
        reason = "The data is neither a JPEG nor a PNG image.";
    }
    if (!bitmap) {
        if (failure) *failure = reason;
        return nullptr;
    }
    return make(std::move(bitmap), 1, orientationFromExif(jpegOrientation(data)));
}

bool Image::swapsWidthAndHeight(ImageOrientation orientation) {
    switch (orientation) {
        case ImageOrientation::left:
        case ImageOrientation::right:
        case ImageOrientation::leftMirrored:
        case ImageOrientation::rightMirrored:
            return true;
        default:
            return false;
    }
}

Size Image::size() const {
    const double width = bitmap_->width() / scale_;
    const double height = bitmap_->height() / scale_;
    return swapsWidthAndHeight(orientation_) ? Size{height, width} : Size{width, height};
}

AffineTransform Image::orientationTransform() const {
    return uprightTransform(orientation_, Size{static_cast<double>(bitmap_->width()),
                                               static_cast<double>(bitmap_->height())});
}

}  // namespace quorvel::platform
