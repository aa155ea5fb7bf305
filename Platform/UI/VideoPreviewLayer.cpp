#include "Platform/UI/VideoPreviewLayer.h"

#include <utility>

namespace quorvel::platform {

std::shared_ptr<VideoPreviewLayer> VideoPreviewLayer::make() {
    return std::shared_ptr<VideoPreviewLayer>(new VideoPreviewLayer());
}

std::shared_ptr<VideoFrameSource> VideoPreviewLayer::frameSource() const {
    std::lock_guard lock(mutex_);
    return source_;
}

void VideoPreviewLayer::setFrameSource(std::shared_ptr<VideoFrameSource> source) {
    std::shared_ptr<VideoFrameSource> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(source_, std::move(source));
    }
    // A source released here may stop itself: not under the lock.
}

VideoGravity VideoPreviewLayer::videoGravity() const {
    std::lock_guard lock(mutex_);
    return gravity_;
}

void VideoPreviewLayer::setVideoGravity(VideoGravity gravity) {
    std::lock_guard lock(mutex_);
    gravity_ = gravity;
}

}  // namespace quorvel::platform
