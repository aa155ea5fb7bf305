#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "Platform/Compute/ScopedComputeDeviceUnavailable.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Imaging/BlurDetection.h"

namespace quorvel {
namespace {

// A page of black "text" strokes on white, BGRA.
cv::Mat textPage(int width, int height) {
    cv::Mat page(height, width, CV_8UC4, cv::Scalar(255, 255, 255, 255));
    for (int y = 20; y + 10 < height; y += 18) {
        for (int x = 15; x + 12 < width; x += 14) {
            cv::rectangle(page, {x, y}, {x + 7 + (x * 7 + y) % 5, y + 9}, cv::Scalar(0, 0, 0, 255),
                          1);
        }
    }
    return page;
}

std::shared_ptr<const quorvel::platform::FilterImage> image(const cv::Mat& bgra) {
    return quorvel::platform::FilterImage::fromPixels(bgra.clone());
}

TEST(BlurDetection, SharpTextIsNotBlurry) {
    EXPECT_FALSE(BlurDetection::isBlurry(image(textPage(600, 800))));
}

TEST(BlurDetection, UniformAndSmoothedPicturesAreBlurry) {
    EXPECT_TRUE(
        BlurDetection::isBlurry(image(cv::Mat(400, 300, CV_8UC4, cv::Scalar(200, 200, 200, 255)))));
    cv::Mat smooth;
    cv::GaussianBlur(textPage(600, 800), smooth, {0, 0}, 6);
    EXPECT_TRUE(BlurDetection::isBlurry(image(smooth)));
}

TEST(BlurDetection, EdgeShareAboveHalfCountsAsSharp) {
    // One-pixel stripes: most pixels are edges, so the mean edge byte is 128 or more.
    cv::Mat stripes(200, 200, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    for (int x = 0; x < stripes.cols; x += 2) stripes.col(x).setTo(cv::Scalar(255, 255, 255, 255));
    EXPECT_FALSE(BlurDetection::isBlurry(image(stripes)));
}

TEST(BlurDetection, WideAndTallPicturesAreTested) {
    EXPECT_FALSE(BlurDetection::isBlurry(image(textPage(801, 400))));
    EXPECT_FALSE(BlurDetection::isBlurry(image(textPage(2400, 1200))));
    EXPECT_FALSE(BlurDetection::isBlurry(image(textPage(400, 5000))));
}

TEST(BlurDetection, WithoutAComputeDeviceEveryPictureCountsAsSharp) {
    quorvel::platform::ScopedLogCapture log;
    quorvel::platform::ScopedComputeDeviceUnavailable unavailable;
    EXPECT_FALSE(
        BlurDetection::isBlurry(image(cv::Mat(100, 100, CV_8UC4, cv::Scalar(9, 9, 9, 255)))));
    EXPECT_TRUE(log.records().empty());
}

}  // namespace
}  // namespace quorvel
