#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Imaging/ImageUtility.h"

namespace quorvel {
namespace {

using quorvel::platform::Color;
using quorvel::platform::Image;
using quorvel::platform::ImageOrientation;

std::shared_ptr<Image> solid(int width, int height, Color color,
                             ImageOrientation orientation = ImageOrientation::up) {
    auto bitmap = quorvel::platform::Bitmap::make(width, height);
    const auto word = quorvel::platform::Bitmap::premultipliedARGB(color);
    auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    std::fill(pixels, pixels + width * height, word);
    return Image::make(bitmap, 1, orientation);
}

// Stored with its top half red and bottom half blue.
std::shared_ptr<Image> halves(int width, int height, ImageOrientation orientation) {
    auto bitmap = quorvel::platform::Bitmap::make(width, height);
    auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    for (int y = 0; y < height; ++y) {
        const Color c = y < height / 2 ? Color{1, 0, 0, 1} : Color{0, 0, 1, 1};
        std::fill(pixels + y * width, pixels + (y + 1) * width,
                  quorvel::platform::Bitmap::premultipliedARGB(c));
    }
    return Image::make(bitmap, 1, orientation);
}

TEST(MergeImages, StacksImagesOnTheFirstImagesWidth) {
    EXPECT_EQ(ImageUtility::mergeImages({}), nullptr);
    auto one = ImageUtility::mergeImages({solid(80, 100, Color{1, 0, 0, 1})});
    EXPECT_EQ(one->size(), (quorvel::platform::Size{80, 100}));

    auto merged = ImageUtility::mergeImages({solid(80, 100, Color{1, 0, 0, 1}),
                                             solid(40, 50, Color{0, 1, 0, 1}),
                                             solid(80, 70, Color{0, 0, 1, 1})});
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->bitmap()->width(), 80);
    EXPECT_EQ(merged->bitmap()->height(), 220);
    EXPECT_EQ(merged->bitmap()->pixel(79, 99), (Color{1, 0, 0, 1}));
    EXPECT_EQ(merged->bitmap()->pixel(79, 100), (Color{0, 1, 0, 1})) << "stretched to the width";
    EXPECT_EQ(merged->bitmap()->pixel(0, 149), (Color{0, 1, 0, 1}));
    EXPECT_EQ(merged->bitmap()->pixel(0, 150), (Color{0, 0, 1, 1}));
}

TEST(ScaledForWidth, HeightIsTheLargerOfTargetAndWidthFit) {
    auto image = solid(1000, 2000, Color{1, 1, 1, 1});
    auto narrow = ImageOperations::scaledForWidth(*image, {500, 300});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->size(), (quorvel::platform::Size{500, 1000}));
    auto tall = ImageOperations::scaledForWidth(*image, {500, 1500});
    EXPECT_EQ(tall->size(), (quorvel::platform::Size{750, 1500}));
}

TEST(Crop, CutsInsideAndRefusesOutside) {
    auto image = halves(40, 40, ImageOrientation::up);
    auto part = ImageOperations::crop(*image, {{10, 25}, {20, 10}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->size(), (quorvel::platform::Size{20, 10}));
    EXPECT_EQ(part->bitmap()->pixel(0, 0), (Color{0, 0, 1, 1}));
    EXPECT_EQ(ImageOperations::crop(*image, {{50, 50}, {10, 10}}), nullptr);
}

TEST(OrientPhotoPortrait, TurnsQuarterAndHalfTurnsAndKeepsTheRest) {
    for (auto o : {ImageOrientation::up, ImageOrientation::upMirrored,
                   ImageOrientation::leftMirrored, ImageOrientation::rightMirrored}) {
        auto image = halves(4, 6, o);
        EXPECT_EQ(ImageOperations::orientPhotoPortrait(image), image);
    }
    // Stored red on top, shown turned right: red on the right.
    auto right = ImageOperations::orientPhotoPortrait(halves(4, 6, ImageOrientation::right));
    EXPECT_EQ(right->orientation(), ImageOrientation::up);
    EXPECT_EQ(right->bitmap()->width(), 6);
    EXPECT_EQ(right->bitmap()->pixel(5, 0), (Color{1, 0, 0, 1}));
    EXPECT_EQ(right->bitmap()->pixel(0, 0), (Color{0, 0, 1, 1}));
    auto down = ImageOperations::orientPhotoPortrait(halves(4, 6, ImageOrientation::down));
    EXPECT_EQ(down->bitmap()->pixel(0, 0), (Color{0, 0, 1, 1}));
}

TEST(Filters, GreyscaleThenSharpenGivesAGreyPicture) {
    cv::Mat colour(60, 80, CV_8UC4, cv::Scalar(30, 160, 220, 255));
    cv::rectangle(colour, {20, 20}, {40, 40}, cv::Scalar(200, 20, 20, 255), -1);
    auto bitmap = quorvel::platform::Bitmap::make(80, 60);
    colour.copyTo(cv::Mat(60, 80, CV_8UC4, bitmap->mutableData()));
    auto filtered = ImageOperations::applyFilters(*Image::make(bitmap));
    ASSERT_TRUE(filtered);
    for (auto [x, y] : {std::pair{5, 5}, std::pair{30, 30}, std::pair{21, 30}}) {
        const Color c = filtered->bitmap()->pixel(x, y);
        EXPECT_NEAR(c.red, c.green, 1.0 / 255);
        EXPECT_NEAR(c.green, c.blue, 1.0 / 255);
    }
}

TEST(Filters, GreyscaleIsAppliedToTheImageAsShown) {
    auto grey = ImageOperations::toGrayscale(*halves(4, 6, ImageOrientation::right));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->bitmap()->width(), 6);
    EXPECT_EQ(grey->bitmap()->height(), 4);
}

TEST(Filters, PicturesWhoseJpegExceedsTenMebibytesAreRefused) {
    // Noise does not compress: a 3000 × 1800 picture at full quality is far above 10 MiB.
    cv::Mat noise(1800, 3000, CV_8UC4);
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(256));
    noise.reshape(1, noise.rows * noise.cols).col(3).setTo(255);
    auto bitmap = quorvel::platform::Bitmap::make(3000, 1800);
    noise.copyTo(cv::Mat(1800, 3000, CV_8UC4, bitmap->mutableData()));
    quorvel::platform::ScopedLogCapture log;
    EXPECT_EQ(ImageOperations::toGrayscale(*Image::make(bitmap)), nullptr);
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Failed to apply greyscale filter: image is too large (> 10mb)"});
    EXPECT_EQ(ImageOperations::applyFilters(*Image::make(bitmap)), nullptr);
    EXPECT_EQ(log.messages().back(), "Failed to apply filters to image: nil is returned");
}

TEST(PixelBufferConversion, DrawsTheImageUprightAtItsPointSize) {
    auto buffer = ImageOperations::toCVPixelBuffer(*halves(4, 6, ImageOrientation::right));
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->width(), 6);
    EXPECT_EQ(buffer->height(), 4);
    EXPECT_EQ(buffer->pixelFormat(), quorvel::platform::PixelFormat::argb32);
    buffer->lockBaseAddress();
    const cv::Mat argb = buffer->asMat();
    EXPECT_EQ(argb.at<cv::Vec4b>(0, 5), (cv::Vec4b{255, 255, 0, 0})) << "red on the right";
    EXPECT_EQ(argb.at<cv::Vec4b>(0, 0), (cv::Vec4b{255, 0, 0, 255}));
    buffer->unlockBaseAddress();
}

}  // namespace
}  // namespace quorvel
