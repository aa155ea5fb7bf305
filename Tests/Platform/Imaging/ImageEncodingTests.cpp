#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
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

}  // namespace quorvel::platform
