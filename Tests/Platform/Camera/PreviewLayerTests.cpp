#include <gtest/gtest.h>

#include "Platform/Camera/CaptureSession.h"
#include "Platform/UI/Device.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/View.h"

namespace {

using namespace quorvel::platform;

// A view backed by a video preview layer, as the camera screen's preview view is.
class PreviewView : public View {
public:
    static std::shared_ptr<PreviewView> make(const Rect& frame) {
        return std::shared_ptr<PreviewView>(new PreviewView(frame));
    }

private:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
};

TEST(VideoPreviewLayerTest, FitsThePictureByDefaultAndKeepsItsSession) {
    auto layer = VideoPreviewLayer::make();
    EXPECT_EQ(layer->videoGravity(), VideoGravity::resizeAspect);
    EXPECT_EQ(layer->session(), nullptr);
    auto session = CaptureSession::make();
    layer->setSession(session);
    std::weak_ptr<CaptureSession> watcher = session;
    session.reset();
    EXPECT_FALSE(watcher.expired()) << "the layer holds its session";
    layer->setVideoGravity(VideoGravity::resizeAspectFill);
    EXPECT_EQ(layer->videoGravity(), VideoGravity::resizeAspectFill);
}

TEST(VideoPreviewLayerTest, ViewCanBeBackedByAPreviewLayer) {
    auto view = PreviewView::make(Rect::make(0, 0, 390, 844));
    auto layer = std::dynamic_pointer_cast<VideoPreviewLayer>(view->layer());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->frame(), Rect::make(0, 0, 390, 844));
    view->setFrame(Rect::make(10, 20, 300, 400));
    EXPECT_EQ(layer->frame(), Rect::make(10, 20, 300, 400));
}

TEST(DeviceTest, OrientationIsProcessWideAndStartsInPortrait) {
    EXPECT_EQ(Device::current().orientation(), DeviceOrientation::portrait);
    Device::setOrientation(DeviceOrientation::landscapeLeft);
    EXPECT_EQ(Device::current().orientation(), DeviceOrientation::landscapeLeft);
    Device::setOrientation(DeviceOrientation::portrait);
}

}  // namespace
