#include "Platform/UI/VideoPreviewLayer.h"

#include <algorithm>
#include <utility>

#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

namespace {

std::atomic<std::uint64_t> deliveredFrames{0};

struct ArrivalHandler {
    std::mutex mutex;
    std::shared_ptr<const std::function<void()>> handler;
};

ArrivalHandler& arrivalHandler() {
    static ArrivalHandler instance;
    return instance;
}

}  // namespace

class VideoPreviewLayer::SourceFrames final : public VideoFrameViewer {
public:
    void videoFrameArrived() override { announceFrame(); }
};

std::shared_ptr<VideoPreviewLayer> VideoPreviewLayer::make() {
    return std::shared_ptr<VideoPreviewLayer>(new VideoPreviewLayer());
}

std::shared_ptr<VideoFrameSource> VideoPreviewLayer::frameSource() const {
    std::lock_guard lock(mutex_);
    return source_;
}

void VideoPreviewLayer::setFrameSource(std::shared_ptr<VideoFrameSource> source) {
    std::shared_ptr<VideoFrameSource> previous;
    std::shared_ptr<SourceFrames> frames;
    {
        std::lock_guard lock(mutex_);
        if (source == source_) {
            return;
        }
        previous = std::exchange(source_, source);
        if (!sourceFrames_) {
            sourceFrames_ = std::make_shared<SourceFrames>();
        }
        frames = sourceFrames_;
    }
    // Not under the lock: a session released here may stop itself.
    if (previous) {
        previous->removeViewer(frames.get());
    }
    if (source) {
        source->addViewer(frames);
    }
}

VideoGravity VideoPreviewLayer::videoGravity() const {
    std::lock_guard lock(mutex_);
    return gravity_;
}

void VideoPreviewLayer::setVideoGravity(VideoGravity gravity) {
    std::lock_guard lock(mutex_);
    gravity_ = gravity;
}

void VideoPreviewLayer::enqueue(std::shared_ptr<const PixelBuffer> frame) {
    std::shared_ptr<const PixelBuffer> previous;
    {
        std::lock_guard lock(frameMutex_);
        previous = std::exchange(frame_, std::move(frame));
    }
    // The old frame goes back to its pool outside the lock.
    previous.reset();
    frameCount_.fetch_add(1, std::memory_order_acq_rel);
    announceFrame();
}

void VideoPreviewLayer::announceFrame() {
    deliveredFrames.fetch_add(1, std::memory_order_acq_rel);
    std::shared_ptr<const std::function<void()>> handler;
    {
        auto& h = arrivalHandler();
        std::lock_guard lock(h.mutex);
        handler = h.handler;
    }
    if (handler && *handler) {
        (*handler)();
    }
}

std::shared_ptr<const PixelBuffer> VideoPreviewLayer::latestFrame() const {
    if (auto source = frameSource()) {
        return source->newestVideoFrame();
    }
    std::lock_guard lock(frameMutex_);
    return frame_;
}

std::uint64_t VideoPreviewLayer::frameCount() const {
    if (auto source = frameSource()) {
        return source->videoFrameCount();
    }
    return frameCount_.load(std::memory_order_acquire);
}

Rect VideoPreviewLayer::pictureRect(Size frameSize, const Rect& bounds, VideoGravity gravity) {
    if (frameSize.width <= 0 || frameSize.height <= 0 || gravity == VideoGravity::resize) {
        return bounds;
    }
    const double sx = bounds.width() / frameSize.width;
    const double sy = bounds.height() / frameSize.height;
    const double scale =
        gravity == VideoGravity::resizeAspect ? std::min(sx, sy) : std::max(sx, sy);
    const Size size{frameSize.width * scale, frameSize.height * scale};
    return Rect{{bounds.midX() - size.width / 2, bounds.midY() - size.height / 2}, size};
}

std::uint64_t VideoPreviewLayer::framesDelivered() {
    return deliveredFrames.load(std::memory_order_acquire);
}

void VideoPreviewLayer::setFrameArrivalHandler(std::function<void()> handler) {
    auto& h = arrivalHandler();
    std::lock_guard lock(h.mutex);
    h.handler =
        handler ? std::make_shared<const std::function<void()>>(std::move(handler)) : nullptr;
}

}  // namespace quorvel::platform
