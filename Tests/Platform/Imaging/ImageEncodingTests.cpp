#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string_view>

#include "ImagingTestPictures.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/ImageEncoding.h"

namespace quorvel::platform {
namespace {

using namespace quorvel::platform::testing;

// Four 8 × 8 blocks: red, green / blue, white (JPEG keeps flat blocks close to their colour).
std::shared_ptr<Bitmap> blockBitmap() {
    auto bitmap = Bitmap::make(16, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Color colour = y < 8 ? (x < 8 ? red : green) : (x < 8 ? blue : white);
            setPixel(*bitmap, x, y, colour);
        }
    }
    return bitmap;
}

bool hasExifSegment(const Data& data) {
    constexpr std::string_view exif("Exif\0\0", 6);
    return data.size() > 10 && data[2] == 0xFF && data[3] == 0xE1 &&
           std::equal(exif.begin(), exif.end(), data.begin() + 6);
}

std::shared_ptr<Bitmap> noiseBitmap(int width, int height) {
    auto bitmap = Bitmap::make(width, height);
    cv::Mat pixels(height, width, CV_8UC4, bitmap->mutableData(), bitmap->bytesPerRow());
    cv::randu(pixels, cv::Scalar::all(0), cv::Scalar::all(256));
    pixels.reshape(1, height * width).col(3).setTo(255);
    return bitmap;
}

TEST(JpegEncoding, EveryOrientationSurvivesDecodingWithThePixelsAsStored) {
    const auto bitmap = blockBitmap();
    for (int exif = 1; exif <= 8; ++exif) {
        SCOPED_TRACE(exif);
        const auto page = Image::make(bitmap, 3, *imageOrientationFromExif(exif));
        const auto data = ImageEncoding::jpegData(*page, 0.9);
        ASSERT_TRUE(data);
        EXPECT_EQ((*data)[0], 0xFF);
        EXPECT_EQ((*data)[1], 0xD8);
        EXPECT_EQ(hasExifSegment(*data), exif != 1);
        EXPECT_EQ(*data, ImageEncoding::jpegData(*bitmap, 0.9, exif));
        EXPECT_EQ(FilterImage::fromData(*data)->properties().orientation, exif);

        const auto decoded = Image::fromEncodedData(*data);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->orientation(), imageOrientationFromExif(exif));
        EXPECT_EQ(decoded->scale(), 1);
        // Block centres, not turned (JPEG's chroma subsampling blurs colour across block edges).
        const Bitmap& pixels = *decoded->bitmap();
        ASSERT_EQ(pixels.width(), 16);
        EXPECT_GT(pixels.pixel(3, 3).red, 0.9);
        EXPECT_LT(pixels.pixel(3, 3).green, 0.1);
        EXPECT_GT(pixels.pixel(12, 3).green, 0.9);
        EXPECT_LT(pixels.pixel(12, 3).red, 0.1);
        EXPECT_GT(pixels.pixel(3, 12).blue, 0.9);
        EXPECT_LT(pixels.pixel(3, 12).red, 0.1);
    }
}

TEST(JpegEncoding, QualityChangesTheSize) {
    const auto bitmap = noiseBitmap(64, 64);
    const auto low = ImageEncoding::jpegData(*bitmap, 0.1);
    const auto middle = ImageEncoding::jpegData(*bitmap, 0.6);
    const auto best = ImageEncoding::jpegData(*bitmap, 1.0);
    ASSERT_TRUE(low && middle && best);
    EXPECT_LT(low->size(), middle->size());
    EXPECT_LT(middle->size(), best->size());
    // Out of range is clamped.
    EXPECT_EQ(ImageEncoding::jpegData(*bitmap, 7.0)->size(), best->size());
    EXPECT_EQ(ImageEncoding::jpegData(*bitmap, -1.0)->size(),
              ImageEncoding::jpegData(*bitmap, 0.0)->size());
    EXPECT_FALSE(ImageEncoding::jpegData(*bitmap, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(ImageEncoding::jpegData(*bitmap, 0.5, 0));
    EXPECT_FALSE(ImageEncoding::jpegData(*bitmap, 0.5, 9));
}

}  // namespace
TEST(JpegEncoding, NoJpegIsLargerThanTheStatedMaximum) {
    // Noise at full quality is the worst a picture can do.
    const int width = 333, height = 211;
    auto bitmap = Bitmap::make(width, height);
    cv::Mat noise(height, width, CV_8UC4, bitmap->mutableData(), bitmap->bytesPerRow());
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(256));
    const auto jpeg = ImageEncoding::jpegData(*bitmap, 1.0, 6);
    ASSERT_TRUE(jpeg);
    EXPECT_GT(jpeg->size(), static_cast<std::size_t>(width) * height);
    EXPECT_LE(jpeg->size(), ImageEncoding::maximumJpegSize(width, height));
}

TEST(JpegEncoding, SizeBoundFromBandsIsNeverBelowTheJpegAndCloseAboveIt) {
    const int threads = cv::getNumThreads();
    cv::setNumThreads(8);  // several bands wherever the picture is tall enough
    // A page-like picture: a gradient with dark lines and a little noise.
    auto page = Bitmap::make(1280, 1999);
    cv::Mat pixels(1999, 1280, CV_8UC4, page->mutableData(), page->bytesPerRow());
    for (int y = 0; y < pixels.rows; ++y) {
        for (int x = 0; x < pixels.cols; ++x) {
            const auto shade = static_cast<std::uint8_t>(180 + (x + y) * 60 / 3279);
            pixels.at<cv::Vec4b>(y, x) = {shade, shade, static_cast<std::uint8_t>(shade + 10), 255};
        }
    }
    for (int y = 100; y < pixels.rows; y += 40) {
        cv::line(pixels, {80, y}, {1200, y + 3}, cv::Scalar(40, 40, 40, 255), 3);
    }
    cv::Mat grain(pixels.size(), CV_8UC4);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar(4, 4, 4, 0));
    cv::add(pixels, grain, pixels);
    auto flat = Bitmap::make(500, 900);
    cv::Mat(900, 500, CV_8UC4, flat->mutableData(), flat->bytesPerRow())
        .setTo(cv::Scalar(30, 200, 90, 255));
    struct Case {
        std::shared_ptr<Bitmap> bitmap;
        double quality;
        int orientation;
    };
    const Case cases[] = {{noiseBitmap(1001, 1777), 1.0, 6},
                          {noiseBitmap(640, 480), 0.5, 1},
                          {noiseBitmap(40, 30), 1.0, 1},
                          {page, 1.0, 1},
                          {page, 0.8, 3},
                          {flat, 1.0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.bitmap->width() << " x " << c.bitmap->height() << " at " << c.quality);
        const auto jpeg = ImageEncoding::jpegData(*c.bitmap, c.quality, c.orientation);
        const auto bound = ImageEncoding::jpegSizeBound(*c.bitmap, c.quality, c.orientation);
        ASSERT_TRUE(jpeg);
        ASSERT_TRUE(bound);
        EXPECT_GE(*bound, jpeg->size());
        EXPECT_LE(*bound, jpeg->size() * 16 / 10 + 1000);
    }
    EXPECT_FALSE(ImageEncoding::jpegSizeBound(*page, std::nan(""), 1));
    EXPECT_FALSE(ImageEncoding::jpegSizeBound(*page, 1.0, 9));
    cv::setNumThreads(threads);
}

}  // namespace quorvel::platform
