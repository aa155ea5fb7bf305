#include <gtest/gtest.h>

#include <memory>
#include <opencv2/core.hpp>

#include "Platform/Imaging/PixelBuffer.h"
#include "Source/Capture/Views/CameraPreviewView.h"

namespace quorvel {
namespace {

using platform::Color;
using platform::PixelBuffer;
using platform::VideoGravity;

std::shared_ptr<const PixelBuffer> solidFrame(int width, int height, const cv::Scalar& bgr) {
    auto frame = PixelBuffer::make(width, height, platform::PixelFormat::bgra32);
    frame->lockBaseAddress();
    frame->asMat().setTo(cv::Scalar(bgr[0], bgr[1], bgr[2], 255));
    frame->unlockBaseAddress();
    return frame;
}

bool isRed(const Color& color) {
    return color.red > 0.9 && color.green < 0.1 && color.blue < 0.1 && color.alpha > 0.99;
}

TEST(CameraPreviewView, IsBackedByThePreviewLayerFillingItsBoundsWithThePicture) {
    const auto view = CameraPreviewView::make({{0, 0}, {390, 600}});
    ASSERT_NE(view->videoPreviewLayer(), nullptr);
    EXPECT_EQ(view->layer(), view->videoPreviewLayer());
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), VideoGravity::resizeAspectFill);

    // A landscape frame in a portrait view: cropped at the sides, no bars anywhere.
    view->videoPreviewLayer()->enqueue(solidFrame(160, 90, {0, 0, 255}));
    const auto filled = view->snapshot();
    if (!filled) GTEST_SKIP() << "no painter installed";
    const auto& pixels = *filled->bitmap();
    const int w = pixels.width(), h = pixels.height();
    for (const auto& [x, y] :
         {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 2, h / 2}}) {
        EXPECT_TRUE(isRed(pixels.pixel(x, y))) << "pixel " << x << ", " << y;
    }

    // Fitted instead, the same frame leaves the top and bottom without picture.
    view->videoPreviewLayer()->setVideoGravity(VideoGravity::resizeAspect);
    const auto fitted = view->snapshot();
    ASSERT_NE(fitted, nullptr);
    EXPECT_FALSE(isRed(fitted->bitmap()->pixel(0, 0)));
    EXPECT_TRUE(isRed(fitted->bitmap()->pixel(w / 2, h / 2)));
}

}  // namespace
}  // namespace quorvel
