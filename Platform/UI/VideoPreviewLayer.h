#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "Platform/UI/Layer.h"

namespace quorvel::platform {

class CaptureSession;
class PixelBuffer;

// How the camera picture is fitted into the layer's bounds, with the phone platform's cases.
enum class VideoGravity {
    // Stretched to fill the bounds.
    resize,
    // Scaled to fit inside the bounds, keeping its aspect ratio (the platform's default).
    resizeAspect,
    // Scaled to fill the bounds, keeping its aspect ratio; cropped at the edges.
    resizeAspectFill,
};

// The layer that shows the live camera picture, standing in for the phone platform's video
// preview layer. The painter draws latestFrame() into the bounds by the video gravity.
//
// Frames are handed over with enqueue() on any thread (the camera's frames queue): the newest
// frame replaces the previous one under a tiny lock that is only held for a pointer swap, so the
// camera never waits for painting. Each hand-over bumps framesDelivered() and calls the
// process's frame-arrival handler (on the handing thread; the Qt host posts a repaint from it).
//
// The session (held strongly, as the platform does), the gravity and the frames may be read and
// set on any thread; the rest of Layer is main thread only.
class VideoPreviewLayer : public Layer {
public:
    static std::shared_ptr<VideoPreviewLayer> make();

    std::shared_ptr<CaptureSession> session() const;
    void setSession(std::shared_ptr<CaptureSession> session);

    VideoGravity videoGravity() const;
    void setVideoGravity(VideoGravity gravity);

    // Hands over the newest frame (nullptr clears the picture).
    void enqueue(std::shared_ptr<const PixelBuffer> frame);
    // The newest frame, or nullptr.
    std::shared_ptr<const PixelBuffer> latestFrame() const;
    // How many frames this layer has been handed.
    std::uint64_t frameCount() const { return frameCount_.load(std::memory_order_acquire); }

    // Where a frame of `frameSize` pixels is drawn within `bounds` for `gravity`.
    static Rect pictureRect(Size frameSize, const Rect& bounds, VideoGravity gravity);

    // Frames handed to any preview layer so far.
    static std::uint64_t framesDelivered();
    // Called after every hand-over, on the handing thread; empty removes it.
    static void setFrameArrivalHandler(std::function<void()> handler);

protected:
    VideoPreviewLayer() = default;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<CaptureSession> session_;
    VideoGravity gravity_ = VideoGravity::resizeAspect;
    mutable std::mutex frameMutex_;
    std::shared_ptr<const PixelBuffer> frame_;
    std::atomic<std::uint64_t> frameCount_{0};
};

}  // namespace quorvel::platform
