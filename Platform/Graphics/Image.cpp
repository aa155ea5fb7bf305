#include "Platform/Graphics/Image.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/FileContents.h"
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

// Premultiplies straight-alpha B, G, R, A pixels in place.
void premultiply(Bitmap& bitmap) {
    std::uint8_t* p = bitmap.mutableData();
    for (std::size_t i = 0, count = bitmap.byteCount(); i < count; i += 4) {
        const unsigned alpha = p[i + 3];
        if (alpha == 255) continue;
        for (std::size_t c = 0; c < 3; ++c) {
            p[i + c] = static_cast<std::uint8_t>((p[i + c] * alpha + 127) / 255);
        }
    }
}

bool isJpeg(std::span<const std::uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

constexpr std::uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(std::span<const std::uint8_t> data) {
    return data.size() >= sizeof pngSignature &&
           std::memcmp(data.data(), pngSignature, sizeof pngSignature) == 0;
}

using FailureKind = ImageFailure::Kind;

void fail(ImageFailure& failure, FailureKind kind, std::string reason) {
    failure.kind = kind;
    failure.reason = std::move(reason);
}

// False, with the reason, for a picture that has no pixels or more than `maximumPixels`.
bool withinDecodingLimit(std::int64_t width, std::int64_t height, std::int64_t maximumPixels,
                         ImageFailure& failure) {
    if (width <= 0 || height <= 0) {
        fail(failure, FailureKind::damaged, "The image has no pixels.");
        return false;
    }
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width > Bitmap::maximumDimension || height > Bitmap::maximumDimension) {
        fail(failure, FailureKind::tooLarge,
             "The image is " + size + " pixels, more than " +
                 std::to_string(Bitmap::maximumDimension) + " on a side.");
        return false;
    }
    if (width * height > maximumPixels) {
        fail(failure, FailureKind::tooLarge,
             "The image is " + size + " pixels, more than the " + std::to_string(maximumPixels) +
                 " pixels that are decoded.");
        return false;
    }
    return true;
}

std::shared_ptr<Bitmap> bitmapForDecoding(int width, int height, ImageFailure& failure) {
    auto bitmap = Bitmap::makeForOverwrite(width, height);
    if (!bitmap) fail(failure, FailureKind::tooLarge, "There is no memory for the image.");
    return bitmap;
}

// Where libjpeg's error handler keeps its message and the way back. libjpeg reports an error by
// jumping back to the function that called setjmp, past every frame in between: the functions
// that call libjpeg below therefore own nothing that needs a destructor.
struct JpegErrors {
    jpeg_error_mgr manager;  // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Progressive JPEGs with more scans than this are refused: each scan goes over the whole picture
// again, and a small file can ask for thousands of them.
constexpr int mostJpegScans = 500;

struct JpegDecoding {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    jpeg_progress_mgr progress{};
    bool created = false;

    JpegDecoding() = default;
    JpegDecoding(const JpegDecoding&) = delete;
    JpegDecoding& operator=(const JpegDecoding&) = delete;
    ~JpegDecoding() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

[[noreturn]] void jpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// A warning (data cut short, corrupt entropy data) means that part of the picture is made up:
// it stops the decoding as an error does. Other messages are traces, never printed.
void jpegMessage(j_common_ptr info, int level) {
    if (level < 0) jpegError(info);
}

[[noreturn]] void stopJpeg(JpegErrors& errors, const char* message) {
    std::snprintf(errors.message, sizeof errors.message, "%s", message);
    std::longjmp(errors.jump, 1);
}

void jpegProgress(j_common_ptr common) {
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->is_decompressor && info->progressive_mode &&
        info->input_scan_number > mostJpegScans) {
        stopJpeg(*reinterpret_cast<JpegErrors*>(common->err),
                 "Progressive JPEG image has more than 500 scans");
    }
}

// Starts libjpeg on the data and reads the header. False when libjpeg stopped with an error.
bool startJpeg(JpegDecoding& decoding, std::span<const std::uint8_t> data) {
    decoding.info.err = jpeg_std_error(&decoding.errors.manager);
    decoding.errors.manager.error_exit = jpegError;
    decoding.errors.manager.emit_message = jpegMessage;
    if (setjmp(decoding.errors.jump)) {
        return false;
    }
    jpeg_create_decompress(&decoding.info);
    decoding.created = true;
    decoding.progress.progress_monitor = jpegProgress;
    decoding.info.progress = &decoding.progress;
    jpeg_mem_src(&decoding.info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&decoding.info, TRUE);
    return true;
}

// Reads the header of a JPEG whose picture has at most `maximumPixels`. False, with the reason,
// otherwise.
bool readJpegHeader(JpegDecoding& decoding, std::span<const std::uint8_t> data,
                    std::int64_t maximumPixels, ImageFailure& failure) {
    if (!startJpeg(decoding, data)) {
        fail(failure, FailureKind::damaged,
             std::string("The JPEG header cannot be read (") + decoding.errors.message + ").");
        return false;
    }
    return withinDecodingLimit(decoding.info.image_width, decoding.info.image_height, maximumPixels,
                               failure);
}

// Inverted CMYK as cameras and Photoshop write it, taken to B, G, R as OpenCV does, in place.
void cmykToBgra(std::uint8_t* p, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels * 4; i += 4) {
        const int k = p[i + 3];
        auto channel = [k](int ink) {
            return static_cast<std::uint8_t>(k - ((255 - ink) * k >> 8));
        };
        const std::uint8_t red = channel(p[i]), green = channel(p[i + 1]), blue = channel(p[i + 2]);
        p[i] = blue;
        p[i + 1] = green;
        p[i + 2] = red;
        p[i + 3] = 255;
    }
}

// Rows decoded together when the picture is turned: each bitmap row then receives a run of this
// many neighbouring pixels at once rather than one.
constexpr std::size_t jpegBandRows = 16;

// Where the decoded rows go: stored pixel (x, y) lands at pixel index first + x * alongRow +
// y * acrossRows of the bitmap. `band` is scratch for jpegBandRows decoded rows when the picture
// is turned (rows then land as columns, or backwards); null when rows go straight into the
// bitmap.
struct JpegTarget {
    Bitmap* bitmap;
    std::uint8_t* band;
    bool cmyk;
    std::ptrdiff_t first, alongRow, acrossRows;
};

// Decodes every row into the target and reads on to the end of the picture. False when libjpeg
// stopped with an error or a warning.
bool readJpegRows(JpegDecoding& decoding, const JpegTarget& target) {
    if (setjmp(decoding.errors.jump)) {
        return false;
    }
    jpeg_decompress_struct& info = decoding.info;
    info.out_color_space = target.cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    const std::size_t width = info.output_width;
    const std::size_t rowBytes = width * 4;
    std::uint8_t* pixels = target.bitmap->mutableData();
    while (info.output_scanline < info.output_height) {
        const std::size_t first = info.output_scanline;
        const std::size_t count =
            target.band ? std::min<std::size_t>(jpegBandRows, info.output_height - first) : 1;
        std::uint8_t* rows = target.band ? target.band : pixels + first * rowBytes;
        for (std::size_t r = 0; r < count; ++r) {
            JSAMPROW row = rows + r * rowBytes;
            if (jpeg_read_scanlines(&info, &row, 1) != 1) {
                stopJpeg(decoding.errors, "No more rows");
            }
            if (target.cmyk) cmykToBgra(row, width);
        }
        if (!target.band) continue;
        const std::ptrdiff_t start =
            target.first + static_cast<std::ptrdiff_t>(first) * target.acrossRows;
        for (std::size_t x = 0; x < width; ++x) {
            const std::ptrdiff_t column = start + static_cast<std::ptrdiff_t>(x) * target.alongRow;
            for (std::size_t r = 0; r < count; ++r) {
                std::memcpy(
                    pixels + (column + static_cast<std::ptrdiff_t>(r) * target.acrossRows) * 4,
                    rows + r * rowBytes + x * 4, 4);
            }
        }
    }
    jpeg_finish_decompress(&info);
    return true;
}

// Decodes as B, G, R, A bytes (alpha 255), turned as `turn` says (up: as stored, straight into
// the bitmap's rows). libjpeg's warnings (data cut short, corrupt entropy data) stop the
// decoding: such a picture is partly made up.
std::shared_ptr<Bitmap> decodeJpeg(std::span<const std::uint8_t> data, ImageOrientation turn,
                                   std::int64_t maximumPixels, ImageFailure& failure) {
    JpegDecoding decoding;
    if (!readJpegHeader(decoding, data, maximumPixels, failure)) {
        return nullptr;
    }
    const auto width = static_cast<std::int64_t>(decoding.info.image_width);
    const auto height = static_cast<std::int64_t>(decoding.info.image_height);
    const bool swapped = Image::swapsWidthAndHeight(turn);
    auto bitmap = bitmapForDecoding(static_cast<int>(swapped ? height : width),
                                    static_cast<int>(swapped ? width : height), failure);
    if (!bitmap) {
        return nullptr;
    }
    // Pixel centres: the stored picture's last pixel is at (width - 1, height - 1).
    const AffineTransform toUpright = uprightTransform(
        turn, Size{static_cast<double>(width - 1), static_cast<double>(height - 1)});
    const auto stride = static_cast<std::ptrdiff_t>(bitmap->width());
    JpegTarget target{
        bitmap.get(),
        nullptr,
        decoding.info.jpeg_color_space == JCS_CMYK || decoding.info.jpeg_color_space == JCS_YCCK,
        std::lround(toUpright.ty) * stride + std::lround(toUpright.tx),
        std::lround(toUpright.b) * stride + std::lround(toUpright.a),
        std::lround(toUpright.d) * stride + std::lround(toUpright.c)};
    std::vector<std::uint8_t> band;
    if (turn != ImageOrientation::up) {
        band.resize(jpegBandRows * static_cast<std::size_t>(width) * 4);
        target.band = band.data();
    }
    if (!readJpegRows(decoding, target)) {
        fail(failure, FailureKind::damaged,
             std::string("The JPEG data is truncated or corrupt (") + decoding.errors.message +
                 ").");
        return nullptr;
    }
    return bitmap;
}

// The picture size of a PNG, from its IHDR chunk, which must come first, when it has at most
// `maximumPixels`; none, with the reason, otherwise.
std::optional<std::pair<std::int64_t, std::int64_t>> pngSize(std::span<const std::uint8_t> data,
                                                             std::int64_t maximumPixels,
                                                             ImageFailure& failure) {
    static constexpr std::uint8_t header[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (data.size() < 24 || std::memcmp(data.data() + 8, header, sizeof header) != 0) {
        fail(failure, FailureKind::damaged, "The PNG header cannot be read.");
        return std::nullopt;
    }
    const std::int64_t width = read32(data.data() + 16, true);
    const std::int64_t height = read32(data.data() + 20, true);
    if (!withinDecodingLimit(width, height, maximumPixels, failure)) {
        return std::nullopt;
    }
    return std::pair{width, height};
}

// What libpng reads from, and where its error message is kept. libpng reports an error by
// jumping back to the function that called setjmp, past every frame in between: the functions
// that call libpng below therefore own nothing that needs a destructor.
struct PngSource {
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
    char message[200] = {};
    // Set while the rows are decoded: the number of stored rows, and whether they come in the
    // seven passes of an interlaced file.
    std::optional<png_uint_32> rowsToDecode;
    bool interlaced = false;
    // Set once every row has been decoded and libpng asked for more.
    bool complete = false;
};

// True once libpng has decoded the last row of the last pass.
bool lastRowDecoded(png_structp png, const PngSource& source) {
    if (!source.rowsToDecode) return false;
    return source.interlaced ? png_get_current_pass_number(png) >= 7
                             : png_get_current_row_number(png) >= *source.rowsToDecode;
}

void readPngData(png_structp png, png_bytep out, std::size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    // Nothing after the last row can change the picture, yet libpng would inflate every byte of
    // compressed data that follows it (a small file can hold gigabytes of it) and read the chunks
    // up to the end: the decoding stops here instead.
    if (lastRowDecoded(png, *source)) {
        source->complete = true;
        png_longjmp(png, 1);
    }
    if (length > source->data.size() - source->position) {
        png_error(png, "Premature end of PNG data");
    }
    std::memcpy(out, source->data.data() + source->position, length);
    source->position += length;
}

[[noreturn]] void pngError(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

// libpng's warnings (an ancillary chunk with a bad checksum, an odd colour profile) concern
// nothing that is decoded; they are not printed.
void pngWarning(png_structp, png_const_charp) {}

// Reads the chunks up to the pixels and asks libpng for 8-bit B, G, R, A rows whatever the
// file's depth and colour type. False when libpng stopped with an error.
bool startPng(png_structp png, png_infop info, bool& hasAlpha) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    // Chunks the decoder does not know are skipped, not kept in memory.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);    // palette to colours, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);  // 16 bits to 8, rounded
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // opaque where the file has no alpha
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

// Decodes every row into `rows` (all passes of an interlaced file), reading nothing after the
// last row: neither the rest of the compressed data nor the chunks that follow it. False when
// libpng stopped with an error.
bool readPngRows(png_structp png, png_bytepp rows) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (setjmp(png_jmpbuf(png))) {
        return source->complete;
    }
    png_read_image(png, rows);
    return true;
}

// Decodes straight into the bitmap's rows: the only picture-sized memory is the bitmap.
std::shared_ptr<Bitmap> decodePng(std::span<const std::uint8_t> data, std::int64_t maximumPixels,
                                  ImageFailure& failure) {
    const auto size = pngSize(data, maximumPixels, failure);
    if (!size) {
        return nullptr;
    }
    PngSource source;
    source.data = data;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    struct Reader {
        png_structp png;
        png_infop info;
        ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    } reader{png, info};
    auto damaged = [&failure, &source] {
        fail(failure, FailureKind::damaged,
             std::string("The PNG data is truncated or corrupt (") + source.message + ").");
    };
    if (!png || !info) {
        fail(failure, FailureKind::tooLarge, "There is no memory for the PNG decoder.");
        return nullptr;
    }
    png_set_read_fn(png, &source, readPngData);
    bool hasAlpha = false;
    if (!startPng(png, info, hasAlpha)) {
        damaged();
        return nullptr;
    }
    const auto width = static_cast<int>(size->first);
    const auto height = static_cast<int>(size->second);
    if (png_get_image_width(png, info) != static_cast<png_uint_32>(width) ||
        png_get_image_height(png, info) != static_cast<png_uint_32>(height) ||
        png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 4) {
        fail(failure, FailureKind::damaged, "The PNG pixels cannot be converted.");
        return nullptr;
    }
    auto bitmap = bitmapForDecoding(width, height, failure);
    if (!bitmap) {
        return nullptr;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<std::size_t>(y)] =
            bitmap->mutableData() + static_cast<std::size_t>(y) * bitmap->bytesPerRow();
    }
    source.rowsToDecode = png_get_image_height(png, info);
    source.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (!readPngRows(png, rows.data())) {
        damaged();
        return nullptr;
    }
    if (hasAlpha) {
        premultiply(*bitmap);
    }
    return bitmap;
}

// The bytes of a picture file (its first `leading` bytes only, when given), or none (with the
// reason) when it cannot be read or is larger than a picture file may be. The size decides before
// anything is read: a file of gigabytes is no photo, and reading it whole would take that much
// memory and time. The reason does not repeat the kind ("It holds 300000000 bytes, more than the
// 268435456 allowed."): a message that names the kind reads it once.
std::optional<Data> readPictureFile(const std::filesystem::path& path, ImageFailure* failure,
                                    std::optional<std::size_t> leading = std::nullopt) {
    auto contents = FileContents::read(path, Image::maximumFileSize, leading);
    if (!contents.bytes && failure) {
        std::string reason = contents.reason;
        if (!reason.empty()) {
            reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
        }
        fail(*failure,
             contents.failure == FileContents::Failure::tooLarge ? FailureKind::tooLarge
                                                                 : FailureKind::unreadable,
             reason + ".");
    }
    return std::move(contents.bytes);
}

// False, with the reason, for data that is no JPEG or PNG of a size a picture file may have.
bool isPictureData(std::span<const std::uint8_t> data, ImageFailure& failure) {
    if (data.size() > Image::maximumFileSize) {
        fail(failure, FailureKind::tooLarge,
             "The data is " + std::to_string(data.size()) + " bytes, more than the " +
                 std::to_string(Image::maximumFileSize) + " bytes a picture file may have.");
        return false;
    }
    if (data.empty()) {
        fail(failure, FailureKind::notAnImage, "The file is empty.");
        return false;
    }
    if (!isJpeg(data) && !isPng(data)) {
        fail(failure, FailureKind::notAnImage, "The data is neither a JPEG nor a PNG image.");
        return false;
    }
    return true;
}

// The picture in `data`, refused from its header when it has more than `maximumPixels`;
// `upright`: with the pixels turned as its orientation says, so that the image's orientation is
// up.
std::shared_ptr<Image> decode(std::span<const std::uint8_t> data, bool upright,
                              ImageFailure* failure,
                              std::int64_t maximumPixels = Image::maximumDecodedPixels) {
    maximumPixels = std::min(maximumPixels, Image::maximumDecodedPixels);
    ImageFailure why;
    std::shared_ptr<Bitmap> bitmap;
    ImageOrientation orientation = ImageOrientation::up;
    if (isPictureData(data, why)) {
        if (isJpeg(data)) {
            orientation = orientationFromExif(jpegOrientation(data));
            bitmap =
                decodeJpeg(data, upright ? orientation : ImageOrientation::up, maximumPixels, why);
            if (upright) orientation = ImageOrientation::up;
        } else {
            bitmap = decodePng(data, maximumPixels, why);
        }
    }
    if (!bitmap) {
        if (failure) *failure = std::move(why);
        return nullptr;
    }
    return Image::make(std::move(bitmap), 1, orientation);
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
    return contentsOfFile(path, static_cast<ImageFailure*>(nullptr));
}

std::shared_ptr<Image> Image::contentsOfFile(const std::filesystem::path& path,
                                             std::string* failure) {
    ImageFailure why;
    auto image = contentsOfFile(path, &why);
    if (!image && failure) *failure = std::move(why.reason);
    return image;
}

std::shared_ptr<Image> Image::contentsOfFile(const std::filesystem::path& path,
                                             ImageFailure* failure, std::int64_t maximumPixels) {
    const auto data = readPictureFile(path, failure);
    return data ? decode(*data, false, failure, maximumPixels) : nullptr;
}

std::shared_ptr<Image> Image::uprightContentsOfFile(const std::filesystem::path& path,
                                                    ImageFailure* failure) {
    const auto data = readPictureFile(path, failure);
    return data ? decode(*data, true, failure) : nullptr;
}

std::optional<Size> Image::pixelSizeOfFile(const std::filesystem::path& path,
                                           ImageFailure* failure) {
    ImageFailure why;
    // A PNG's header is its first 33 bytes and a JPEG's most often lies within the first 64 KB;
    // a JPEG with more metadata before its pixels is read further, up to the whole file.
    for (std::size_t leading = std::size_t{64} << 10;; leading *= 8) {
        const auto data = readPictureFile(path, &why, leading);
        if (!data || !isPictureData(*data, why)) break;
        if (isPng(*data)) {
            const auto size = pngSize(*data, Image::maximumDecodedPixels, why);
            if (!size) break;
            return Size{static_cast<double>(size->first), static_cast<double>(size->second)};
        }
        JpegDecoding decoding;
        if (readJpegHeader(decoding, *data, Image::maximumDecodedPixels, why)) {
            return Size{static_cast<double>(decoding.info.image_width),
                        static_cast<double>(decoding.info.image_height)};
        }
        // A header cut short by the end of what was read, not by the end of the file, is read
        // again with more.
        if (data->size() < leading || why.kind != FailureKind::damaged) break;
    }
    if (failure) *failure = std::move(why);
    return std::nullopt;
}

std::shared_ptr<Image> Image::fromEncodedData(std::span<const std::uint8_t> data) {
    return fromEncodedData(data, static_cast<ImageFailure*>(nullptr));
}

std::shared_ptr<Image> Image::fromEncodedData(std::span<const std::uint8_t> data,
                                              std::string* failure) {
    ImageFailure why;
    auto image = fromEncodedData(data, &why);
    if (!image && failure) *failure = std::move(why.reason);
    return image;
}

std::shared_ptr<Image> Image::fromEncodedData(std::span<const std::uint8_t> data,
                                              ImageFailure* failure) {
    return decode(data, false, failure);
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
