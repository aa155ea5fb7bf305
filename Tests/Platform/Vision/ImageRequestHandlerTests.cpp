#include <gtest/gtest.h>

#include <memory>
#include <opencv2/imgproc.hpp>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Vision/ImageRequestHandler.h"
#include "Support/DocumentScene.h"

namespace {

using quorvel::platform::ImageRequestHandler;
using quorvel::platform::PixelBuffer;
using quorvel::platform::PixelFormat;
using quorvel::platform::RectangleDetectionRequest;
using quorvel::platform::RectangleObservation;

// A camera frame of a page in the given layout.
std::shared_ptr<PixelBuffer> frameOf(const cv::Mat& bgr, PixelFormat format) {
    auto buffer = PixelBuffer::make(bgr.cols, bgr.rows, format);
    buffer->lockBaseAddress();
    cv::Mat stored = buffer->asMat();
    cv::Mat bgra;
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    if (format == PixelFormat::bgra32) {
        bgra.copyTo(stored);
    } else {
        const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
        cv::mixChannels(&bgra, 1, &stored, 1, fromTo, 4);
    }
    buffer->unlockBaseAddress();
    return buffer;
}

std::vector<RectangleObservation> observe(std::shared_ptr<PixelBuffer> buffer, int orientation) {
    auto request = std::make_shared<RectangleDetectionRequest>();
    request->setMinimumSize(0.1f);
    request->setMinimumAspectRatio(0.0f);
    request->setMaximumAspectRatio(1.0f);
    EXPECT_TRUE(
        ImageRequestHandler(buffer, *quorvel::platform::imageOrientationFromExif(orientation))
            .perform({request}));
    EXPECT_TRUE(request->results().has_value());
    return request->results().value_or(std::vector<RectangleObservation>{});
}

TEST(ImageRequestHandler, ArgbAndBgraFramesOfOnePictureGiveTheSameObservations) {
    testing_vision::SceneOptions options;
    options.size = cv::Size(1920, 1080);
    options.corners = {cv::Point2d(520, 180), cv::Point2d(1380, 150), cv::Point2d(1450, 930),
                       cv::Point2d(470, 880)};
    const auto scene = testing_vision::renderScene(options);
    const auto argb = frameOf(scene.image, PixelFormat::argb32);
    const auto bgra = frameOf(scene.image, PixelFormat::bgra32);
    for (const int orientation : {1, 6, 8}) {
        SCOPED_TRACE(orientation);
        const auto fromArgb = observe(argb, orientation);
        const auto fromBgra = observe(bgra, orientation);
        ASSERT_EQ(fromArgb.size(), 1u);
        ASSERT_EQ(fromBgra.size(), 1u);
        EXPECT_EQ(fromArgb[0].topLeft, fromBgra[0].topLeft);
        EXPECT_EQ(fromArgb[0].topRight, fromBgra[0].topRight);
        EXPECT_EQ(fromArgb[0].bottomLeft, fromBgra[0].bottomLeft);
        EXPECT_EQ(fromArgb[0].bottomRight, fromBgra[0].bottomRight);
        EXPECT_EQ(fromArgb[0].confidence, fromBgra[0].confidence);
    }
}

}  // namespace
