#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <span>
#include <string>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Support/TemporaryBundle.h"

namespace {

using quorvel::platform::AffineTransform;
using quorvel::platform::Bitmap;
using quorvel::platform::Color;
using quorvel::platform::Image;
using quorvel::platform::ImageFailure;
using quorvel::platform::ImageOrientation;
using quorvel::platform::Point;
using quorvel::platform::Rect;
using quorvel::platform::Size;
using quorvel::testsupport::TemporaryBundle;

void expectColorNear(const Color& actual, const Color& expected, double tolerance = 1.5 / 255) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

std::vector<std::uint8_t> encode(const char* extension, const cv::Mat& image) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(cv::imencode(extension, image, bytes));
    return bytes;
}

// A JPEG with an EXIF block that carries only the orientation tag, in either byte order.
std::vector<std::uint8_t> jpegWithOrientation(const cv::Mat& image, int orientation,
                                              bool bigEndian) {
    const auto jpeg = encode(".jpg", image);
    std::vector<std::uint8_t> tiff = bigEndian
                                         ? std::vector<std::uint8_t>{'M', 'M', 0, 42, 0, 0, 0, 8}
                                         : std::vector<std::uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](int value) {
        if (bigEndian) {
            tiff.push_back(static_cast<std::uint8_t>(value >> 8));
            tiff.push_back(static_cast<std::uint8_t>(value));
        } else {
            tiff.push_back(static_cast<std::uint8_t>(value));
            tiff.push_back(static_cast<std::uint8_t>(value >> 8));
        }
    };
    auto put32 = [&](int value) {
        put16(bigEndian ? value >> 16 : value & 0xffff);
        put16(bigEndian ? value & 0xffff : value >> 16);
    };
    put16(1);       // one entry
    put16(0x0112);  // orientation
    put16(3);       // short
    put32(1);       // one value, held in the entry
    put16(orientation);
    put16(0);
    put32(0);  // no next directory

    std::vector<std::uint8_t> segment{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    const std::size_t length = segment.size() - 2;
    segment[2] = static_cast<std::uint8_t>(length >> 8);
    segment[3] = static_cast<std::uint8_t>(length);

    std::vector<std::uint8_t> result(jpeg.begin(), jpeg.begin() + 2);
    result.insert(result.end(), segment.begin(), segment.end());
    result.insert(result.end(), jpeg.begin() + 2, jpeg.end());
    return result;
}

TEST(Bitmap, StartsTransparentWithPackedRows) {
    auto bitmap = Bitmap::make(3, 2);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width(), 3);
    EXPECT_EQ(bitmap->height(), 2);
    EXPECT_EQ(bitmap->bytesPerRow(), 12u);
    EXPECT_EQ(bitmap->byteCount(), 24u);
    EXPECT_EQ(bitmap->pixel(2, 1), Color::clear());
}

TEST(Bitmap, RefusesSizesNoSurfaceCanHave) {
    EXPECT_EQ(Bitmap::make(0, 5), nullptr);
    EXPECT_EQ(Bitmap::make(5, -1), nullptr);
    EXPECT_EQ(Bitmap::make(Bitmap::maximumDimension + 1, 1), nullptr);
}

TEST(Bitmap, PixelsAreNativeEndianPremultipliedWords) {
    auto bitmap = Bitmap::make(2, 1);
    const std::uint32_t word = Bitmap::premultipliedARGB(Color{1, 0.5, 0, 0.5});
    EXPECT_EQ(word, 0x80804000u);
    std::memcpy(bitmap->mutableData() + 4, &word, sizeof word);
    EXPECT_EQ(bitmap->argb(1, 0), word);
    // On a little-endian machine that is B, G, R, A in memory, as OpenCV's BGRA expects.
    const cv::Mat view(1, 2, CV_8UC4, bitmap->mutableData(), bitmap->bytesPerRow());
    const auto bgra = view.at<cv::Vec4b>(0, 1);
    EXPECT_EQ(bgra, (cv::Vec4b{0x00, 0x40, 0x80, 0x80}));
    expectColorNear(bitmap->pixel(1, 0), Color{1, 0.5, 0, 0.5}, 1.0 / 128);
    EXPECT_EQ(bitmap->pixel(5, 0), Color::clear());
}

TEST(Image, SizeInPointsDividesByScaleAndSwapsForQuarterTurns) {
    auto bitmap = Bitmap::make(40, 20);
    EXPECT_EQ(Image::make(bitmap, 2)->size(), (Size{20, 10}));
    EXPECT_EQ(Image::make(bitmap, 2, ImageOrientation::down)->size(), (Size{20, 10}));
    EXPECT_EQ(Image::make(bitmap, 2, ImageOrientation::upMirrored)->size(), (Size{20, 10}));
    for (auto orientation : {ImageOrientation::left, ImageOrientation::right,
                             ImageOrientation::leftMirrored, ImageOrientation::rightMirrored}) {
        EXPECT_EQ(Image::make(bitmap, 2, orientation)->size(), (Size{10, 20}));
    }
}

TEST(Image, OrientationsKeepThePlatformsRawValues) {
    EXPECT_EQ(static_cast<int>(ImageOrientation::up), 0);
    EXPECT_EQ(static_cast<int>(ImageOrientation::down), 1);
    EXPECT_EQ(static_cast<int>(ImageOrientation::left), 2);
    EXPECT_EQ(static_cast<int>(ImageOrientation::right), 3);
    EXPECT_EQ(static_cast<int>(ImageOrientation::upMirrored), 4);
    EXPECT_EQ(static_cast<int>(ImageOrientation::downMirrored), 5);
    EXPECT_EQ(static_cast<int>(ImageOrientation::leftMirrored), 6);
    EXPECT_EQ(static_cast<int>(ImageOrientation::rightMirrored), 7);
}

TEST(Image, MakeRefusesMissingBitmapAndBadScales) {
    auto bitmap = Bitmap::make(1, 1);
    EXPECT_EQ(Image::make(nullptr), nullptr);
    EXPECT_EQ(Image::make(bitmap, 0), nullptr);
    EXPECT_EQ(Image::make(bitmap, -1), nullptr);
    EXPECT_EQ(Image::make(bitmap, std::numeric_limits<double>::infinity()), nullptr);
}

TEST(Image, OrientationTransformPutsTheStoredCornersWhereTheyAreShown) {
    auto bitmap = Bitmap::make(4, 2);  // stored 4 wide, 2 high
    auto corner = [&](ImageOrientation orientation) {
        return Image::make(bitmap, 1, orientation)->orientationTransform().apply(Point{0, 0});
    };
    EXPECT_EQ(corner(ImageOrientation::up), (Point{0, 0}));
    EXPECT_EQ(corner(ImageOrientation::down), (Point{4, 2}));
    EXPECT_EQ(corner(ImageOrientation::right), (Point{2, 0}));  // turned clockwise: top right
    EXPECT_EQ(corner(ImageOrientation::left), (Point{0, 4}));   // anticlockwise: bottom left
    EXPECT_EQ(corner(ImageOrientation::upMirrored), (Point{4, 0}));
    EXPECT_EQ(corner(ImageOrientation::downMirrored), (Point{0, 2}));
    EXPECT_EQ(corner(ImageOrientation::leftMirrored), (Point{0, 0}));
    EXPECT_EQ(corner(ImageOrientation::rightMirrored), (Point{2, 4}));
    for (int raw = 0; raw < 8; ++raw) {
        auto image = Image::make(bitmap, 1, static_cast<ImageOrientation>(raw));
        const Rect shown = image->orientationTransform().apply(Rect::make(0, 0, 4, 2));
        EXPECT_EQ(shown, Rect::make(0, 0, image->size().width, image->size().height)) << raw;
    }
}

TEST(ImageFile, ReadsPngWithTransparency) {
    cv::Mat pixels(3, 5, CV_8UC4, cv::Scalar(255, 0, 0, 255));  // opaque blue (BGRA)
    pixels.at<cv::Vec4b>(1, 2) = cv::Vec4b(0, 0, 255, 128);     // half-transparent red
    TemporaryBundle files("Files");
    const auto path = files.write("picture.png", encode(".png", pixels));

    const auto image = Image::contentsOfFile(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->scale(), 1);
    EXPECT_EQ(image->orientation(), ImageOrientation::up);
    EXPECT_EQ(image->size(), (Size{5, 3}));
    expectColorNear(image->bitmap()->pixel(0, 0), Color{0, 0, 1, 1});
    expectColorNear(image->bitmap()->pixel(2, 1), Color{1, 0, 0, 128 / 255.0}, 2.0 / 255);
}

TEST(ImageFile, ReadsGreyscaleAndSixteenBitPngs) {
    TemporaryBundle files("Files");
    const auto grey =
        files.write("grey.png", encode(".png", cv::Mat(2, 2, CV_8UC1, cv::Scalar(51))));
    const auto deep =
        files.write("deep.png", encode(".png", cv::Mat(2, 2, CV_16UC3, cv::Scalar(0, 65535, 0))));
    const auto greyImage = Image::contentsOfFile(grey);
    ASSERT_NE(greyImage, nullptr);
    expectColorNear(greyImage->bitmap()->pixel(1, 1), Color{0.2, 0.2, 0.2, 1});
    const auto deepImage = Image::contentsOfFile(deep);
    ASSERT_NE(deepImage, nullptr);
    expectColorNear(deepImage->bitmap()->pixel(0, 0), Color{0, 1, 0, 1});
}

TEST(ImageFile, ReadsJpegWhateverTheFileIsCalled) {
    TemporaryBundle files("Files");
    const cv::Mat pixels(16, 24, CV_8UC3, cv::Scalar(40, 160, 220));
    const auto path = files.write("photo.png", encode(".jpg", pixels));  // misleading name
    const auto image = Image::contentsOfFile(path);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (Size{24, 16}));
    expectColorNear(image->bitmap()->pixel(12, 8), Color{220 / 255.0, 160 / 255.0, 40 / 255.0, 1},
                    4.0 / 255);
}

TEST(ImageFile, JpegExifOrientationIsKeptAndPixelsStayAsStored) {
    const cv::Mat pixels(16, 32, CV_8UC3, cv::Scalar(0, 0, 255));
    const std::vector<std::pair<int, ImageOrientation>> cases{
        {1, ImageOrientation::up},
        {2, ImageOrientation::upMirrored},
        {3, ImageOrientation::down},
        {4, ImageOrientation::downMirrored},
        {5, ImageOrientation::leftMirrored},
        {6, ImageOrientation::right},
        {7, ImageOrientation::rightMirrored},
        {8, ImageOrientation::left},
    };
    for (const auto& [exif, orientation] : cases) {
        for (bool bigEndian : {false, true}) {
            const auto image = Image::fromEncodedData(jpegWithOrientation(pixels, exif, bigEndian));
            ASSERT_NE(image, nullptr) << exif;
            EXPECT_EQ(image->orientation(), orientation) << exif << " big-endian " << bigEndian;
            EXPECT_EQ(image->bitmap()->width(), 32);
            EXPECT_EQ(image->bitmap()->height(), 16);
        }
    }
    EXPECT_EQ(Image::fromEncodedData(jpegWithOrientation(pixels, 6, false))->size(),
              (Size{16, 32}));
}

TEST(ImageFile, UprightReadingTurnsThePixelsAsTheExifOrientationSays) {
    // Four quadrants of clearly different colours (B, G, R).
    cv::Mat pixels(32, 64, CV_8UC3);
    pixels(cv::Rect(0, 0, 32, 16)).setTo(cv::Scalar(0, 0, 230));
    pixels(cv::Rect(32, 0, 32, 16)).setTo(cv::Scalar(0, 230, 0));
    pixels(cv::Rect(0, 16, 32, 16)).setTo(cv::Scalar(230, 0, 0));
    pixels(cv::Rect(32, 16, 32, 16)).setTo(cv::Scalar(230, 230, 230));
    TemporaryBundle files("Files");
    for (int exif = 1; exif <= 8; ++exif) {
        const auto path = files.write("photo-" + std::to_string(exif) + ".jpg",
                                      jpegWithOrientation(pixels, exif, exif % 2 == 0));
        const auto stored = Image::contentsOfFile(path);
        ImageFailure failure;
        const auto upright = Image::uprightContentsOfFile(path, &failure);
        ASSERT_NE(stored, nullptr);
        ASSERT_NE(upright, nullptr) << failure.reason;
        EXPECT_EQ(upright->orientation(), ImageOrientation::up) << exif;
        EXPECT_EQ(upright->size(), stored->size()) << exif;
        const AffineTransform shown = stored->orientationTransform();
        for (const Point centre : {Point{16, 8}, Point{48, 8}, Point{16, 24}, Point{48, 24}}) {
            const Point at = shown.apply(centre);
            expectColorNear(
                upright->bitmap()->pixel(static_cast<int>(at.x), static_cast<int>(at.y)),
                stored->bitmap()->pixel(static_cast<int>(centre.x), static_cast<int>(centre.y)),
                2.0 / 255);
        }
    }
}

TEST(ImageFile, GarbageMissingAndEmptyFilesGiveNoImage) {
    TemporaryBundle files("Files");
    EXPECT_EQ(Image::contentsOfFile(files.write("noise.png", "definitely not an image")), nullptr);
    EXPECT_EQ(Image::contentsOfFile(files.write("empty.jpg", "")), nullptr);
    EXPECT_EQ(Image::contentsOfFile(files.path() / "missing.png"), nullptr);
    EXPECT_EQ(Image::contentsOfFile(files.path()), nullptr);  // a directory
    // A PNG signature followed by nothing sensible.
    const std::vector<std::uint8_t> truncated{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0};
    EXPECT_EQ(Image::fromEncodedData(truncated), nullptr);
}

// A photo-like JPEG: smooth shading with detail, so that its entropy-coded data is long.
std::vector<std::uint8_t> texturedJpeg() {
    cv::Mat pixels(240, 320, CV_8UC3);
    cv::RNG rng(3);
    rng.fill(pixels, cv::RNG::UNIFORM, 0, 255);
    return encode(".jpg", pixels);
}

// The offset of the first byte after the start-of-scan segment's header.
std::size_t scanDataStart(const std::vector<std::uint8_t>& jpeg) {
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
            return i + 2 + ((jpeg[i + 2] << 8) | jpeg[i + 3]);
        }
    }
    ADD_FAILURE() << "no start of scan";
    return jpeg.size();
}

TEST(ImageFile, TruncatedJpegIsNotAnImage) {
    const auto jpeg = texturedJpeg();
    ASSERT_NE(Image::fromEncodedData(jpeg), nullptr);
    for (const double kept : {0.1, 0.5, 0.9}) {
        const std::vector<std::uint8_t> cut(
            jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * kept));
        std::string failure;
        EXPECT_EQ(Image::fromEncodedData(cut, &failure), nullptr) << kept;
        EXPECT_NE(failure.find("truncated or corrupt"), std::string::npos) << failure;
    }
    // Only the end-of-image marker missing.
    const std::vector<std::uint8_t> unfinished(jpeg.begin(), jpeg.end() - 2);
    EXPECT_EQ(Image::fromEncodedData(unfinished), nullptr);
    TemporaryBundle files("Files");
    const std::vector<std::uint8_t> half(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    EXPECT_EQ(Image::contentsOfFile(files.write("half.jpg", half)), nullptr);
}

TEST(ImageFile, JpegWithCorruptScanDataIsNotAnImage) {
    const auto jpeg = texturedJpeg();
    const std::size_t start = scanDataStart(jpeg);
    // A restart marker where the file has none: libjpeg resynchronises with a warning.
    auto marked = jpeg;
    marked[start + (jpeg.size() - start) / 2] = 0xFF;
    marked[start + (jpeg.size() - start) / 2 + 1] = 0xD3;
    std::string failure;
    EXPECT_EQ(Image::fromEncodedData(marked, &failure), nullptr);
    EXPECT_NE(failure.find("truncated or corrupt"), std::string::npos) << failure;
}

TEST(ImageFile, PngClaimingMorePixelsThanDecodedIsRefusedFromItsHeader) {
    // 12000 x 9000 one-bit pixels of black compress to a few hundred kilobytes.
    const cv::Mat black(9000, 12000, CV_8UC1, cv::Scalar(0));
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(cv::imencode(".png", black, png, {cv::IMWRITE_PNG_BILEVEL, 1}));
    ASSERT_LT(png.size(), 2'000'000u);
    ASSERT_GT(12000LL * 9000LL, Image::maximumDecodedPixels);
    std::string failure;
    EXPECT_EQ(Image::fromEncodedData(png, &failure), nullptr);
    EXPECT_NE(failure.find("12000 x 9000"), std::string::npos) << failure;
    EXPECT_NE(failure.find(std::to_string(Image::maximumDecodedPixels)), std::string::npos)
        << failure;
}

// Deflate's bit stream: fields go least significant bit first, Huffman codes most significant
// bit first.
class DeflateBits {
public:
    void put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            if (used_ == 0) bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << used_);
            used_ = (used_ + 1) % 8;
        }
    }
    void putCode(std::uint32_t code, int count) {
        for (int i = count - 1; i >= 0; --i) put((code >> i) & 1, 1);
    }
    void putByte(std::uint8_t byte) {
        used_ = 0;
        bytes.push_back(byte);
    }

    std::vector<std::uint8_t> bytes;

private:
    int used_ = 0;
};

// A 64 x 64 RGB PNG, interlaced or not, whose compressed data runs on after the rows: one zlib
// stream holding the rows, then `trailingZeros` more zero bytes (about 158 of them to a byte of
// file), in IDAT chunks of 64 KB. Pixel (x, y) is red 4x, green 4y, blue 2(x + y).
std::vector<std::uint8_t> pngRunningOnPastItsRows(bool interlaced, std::size_t trailingZeros) {
    constexpr int side = 64;
    // The rows as the file stores them: each with filter byte 0, pass after pass when interlaced.
    struct Pass {
        int x, y, dx, dy;
    };
    const std::vector<Pass> passes =
        interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                       {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                   : std::vector<Pass>{{0, 0, 1, 1}};
    std::vector<std::uint8_t> rows;
    for (const Pass& pass : passes) {
        for (int y = pass.y; y < side; y += pass.dy) {
            rows.push_back(0);
            for (int x = pass.x; x < side; x += pass.dx) {
                rows.insert(rows.end(),
                            {static_cast<std::uint8_t>(4 * x), static_cast<std::uint8_t>(4 * y),
                             static_cast<std::uint8_t>(2 * (x + y))});
            }
        }
    }
    DeflateBits stream;
    stream.putByte(0x78);
    stream.putByte(0x01);
    // The rows in a stored block.
    stream.put(0, 1);  // not the last block
    stream.put(0, 2);  // stored
    const auto length = static_cast<std::uint16_t>(rows.size());
    for (const std::uint16_t half : {length, static_cast<std::uint16_t>(~length)}) {
        stream.putByte(static_cast<std::uint8_t>(half));
        stream.putByte(static_cast<std::uint8_t>(half >> 8));
    }
    for (const std::uint8_t byte : rows) stream.putByte(byte);
    // The zeros in a block of fixed codes: a literal 0, then copies of 258 bytes from 1 back.
    stream.put(1, 1);         // the last block
    stream.put(1, 2);         // fixed codes
    stream.putCode(0x30, 8);  // literal 0
    const std::size_t copies = (trailingZeros - 1) / 258;
    for (std::size_t i = 0; i < copies; ++i) {
        stream.putCode(0xC5, 8);  // length 258
        stream.putCode(0, 5);     // distance 1
    }
    stream.putCode(0, 7);  // end of block
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    b = static_cast<std::uint32_t>((b + (1 + copies * 258) % 65521 * a) % 65521);
    for (const int shift : {24, 16, 8, 0}) {
        stream.putByte(static_cast<std::uint8_t>(((b << 16) | a) >> shift));
    }

    // libpng writes the signature, the header and each chunk with its checksum.
    std::vector<std::uint8_t> png;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(
        writer, &png,
        [](png_structp w, png_bytep data, std::size_t size) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(w));
            out->insert(out->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(writer, info, side, side, 8, PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    const std::span<const std::uint8_t> data(stream.bytes);
    for (std::size_t at = 0; at < data.size(); at += 65536) {
        const auto chunk = data.subspan(at, std::min<std::size_t>(65536, data.size() - at));
        png_write_chunk(writer, reinterpret_cast<png_const_bytep>("IDAT"), chunk.data(),
                        chunk.size());
    }
    png_write_chunk(writer, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&writer, &info);
    return png;
}

TEST(ImageFile, PngIsReadNoFurtherThanItsLastRow) {
    // Compressed data that inflates to 256 MB after the rows of a 64 x 64 picture (a file of
    // under 2 MB; such a file can hold gigabytes of it). What follows the last row cannot change
    // the picture and is not read: the file cut short halfway through that data gives the same
    // picture, where a decoder that inflated on would find the end missing.
    for (const bool interlaced : {false, true}) {
        const auto png = pngRunningOnPastItsRows(interlaced, std::size_t{256} << 20);
        ASSERT_LT(png.size(), 2'000'000u);
        const std::span<const std::uint8_t> whole(png);
        for (const auto data : {whole, whole.first(whole.size() / 2)}) {
            std::string failure;
            const auto image = Image::fromEncodedData(data, &failure);
            ASSERT_NE(image, nullptr) << interlaced << " " << data.size() << ": " << failure;
            ASSERT_EQ(image->size(), (Size{64, 64}));
            int wrong = 0;
            for (int y = 0; y < 64; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const std::uint32_t expected =
                        0xFF000000u | (4u * x) << 16 | (4u * y) << 8 | 2u * (x + y);
                    wrong += image->bitmap()->argb(x, y) != expected;
                }
            }
            EXPECT_EQ(wrong, 0) << interlaced << " " << data.size();
        }
    }
}

TEST(ImageFile, JpegClaimingMorePixelsThanDecodedIsRefusedFromItsHeader) {
    // A small JPEG whose frame header claims 12000 x 9000 pixels.
    auto jpeg = encode(".jpg", cv::Mat(16, 16, CV_8UC3, cv::Scalar(90, 120, 150)));
    bool patched = false;
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = 9000 >> 8;  // height
            jpeg[i + 6] = 9000 & 0xff;
            jpeg[i + 7] = 12000 >> 8;  // width
            jpeg[i + 8] = 12000 & 0xff;
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    std::string failure;
    EXPECT_EQ(Image::fromEncodedData(jpeg, &failure), nullptr);
    EXPECT_NE(failure.find("12000 x 9000"), std::string::npos) << failure;
}

TEST(ImageFile, FileOverTheSizeCapIsRefusedFromItsSize) {
    // A good picture, then zeros up to one byte over the cap: sparse, so it takes no disk space
    // and would take 256 MB of memory only if it were read.
    TemporaryBundle files("Files");
    const auto path =
        files.write("huge.png", encode(".png", cv::Mat(16, 16, CV_8UC3, cv::Scalar(1, 2, 3))));
    ASSERT_NE(Image::contentsOfFile(path), nullptr);
    std::filesystem::resize_file(path, Image::maximumFileSize + 1);
    std::string failure;
    EXPECT_EQ(Image::contentsOfFile(path, &failure), nullptr);
    EXPECT_NE(failure.find(std::to_string(Image::maximumFileSize + 1) + " bytes"),
              std::string::npos)
        << failure;
    EXPECT_EQ(Image::maximumFileSize, 268435456u);
}

TEST(ImageFile, PicturesUpToTheLimitAreDecoded) {
    const auto jpeg = encode(".jpg", cv::Mat(600, 800, CV_8UC3, cv::Scalar(90, 120, 150)));
    std::string failure;
    const auto image = Image::fromEncodedData(jpeg, &failure);
    ASSERT_NE(image, nullptr) << failure;
    EXPECT_EQ(image->size(), (Size{800, 600}));
    expectColorNear(image->bitmap()->pixel(400, 300),
                    Color{150 / 255.0, 120 / 255.0, 90 / 255.0, 1}, 3.0 / 255);
}

}  // namespace
