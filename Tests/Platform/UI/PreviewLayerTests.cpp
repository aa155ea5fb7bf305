#include <gtest/gtest.h>

#include "Platform/Imaging/VideoFrameSource.h"
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

// A source with one still frame.
class StillFrameSource : public VideoFrameSource {
public:
    std::uint64_t videoFrameCount() const override { return 1; }
    std::shared_ptr<const PixelBuffer> newestVideoFrame() const override {
        return PixelBuffer::make(4, 8, PixelFormat::bgra32);
    }
};

TEST(VideoPreviewLayerTest, FitsThePictureByDefaultAndHoldsItsFrameSource) {
    auto layer = VideoPreviewLayer::make();
    EXPECT_EQ(layer->videoGravity(), VideoGravity::resizeAspect);
    EXPECT_EQ(layer->frameSource(), nullptr);
    auto source = std::make_shared<StillFrameSource>();
    layer->setFrameSource(source);
    std::weak_ptr<StillFrameSource> watcher = source;
    source.reset();
    EXPECT_FALSE(watcher.expired()) << "the layer holds its source";
    ASSERT_NE(layer->frameSource()->newestVideoFrame(), nullptr);
    EXPECT_EQ(layer->frameSource()->newestVideoFrame()->height(), 8);
    layer->setFrameSource(nullptr);
    EXPECT_TRUE(watcher.expired()) << "and lets it go when replaced";
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

}  // namespace
