#include "Platform/UI/VideoPreviewLayer.h"

#include <utility>

#include "Platform/Camera/CaptureSession.h"

namespace quorvel::platform {

std::shared_ptr<VideoPreviewLayer> VideoPreviewLayer::make() {
    return std::shared_ptr<VideoPreviewLayer>(new VideoPreviewLayer());
}

std::shared_ptr<CaptureSession> VideoPreviewLayer::session() const {
    std::lock_guard lock(mutex_);
    return session_;
}

void VideoPreviewLayer::setSession(std::shared_ptr<CaptureSession> session) {
    std::shared_ptr<CaptureSession> previous;
    {
        std::lock_guard lock(mutex_);
        previous = std::exchange(session_, std::move(session));
    }
    // A session released here may stop itself: not under the lock.
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
