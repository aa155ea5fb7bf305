#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Imaging/VideoFrameSource.h"
#include "Platform/UI/Layer.h"

namespace quorvel::platform {

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
// A frame source (the capture session) may be attached instead: the layer then shows the source's
// newest frame (the frame's one shared buffer, so a repaint without a new frame makes nothing)
// and counts the source's frames, and every new frame of the source is announced as a hand-over
// is (framesDelivered() and the frame-arrival handler, on the source's thread). The source is
// held strongly, as the platform holds its session. The source, the gravity and the frames may
// be read and set on any thread; the rest of Layer is main thread only.
class VideoPreviewLayer : public Layer {
public:
    static std::shared_ptr<VideoPreviewLayer> make();

    std::shared_ptr<VideoFrameSource> frameSource() const;
    void setFrameSource(std::shared_ptr<VideoFrameSource> source);

    VideoGravity videoGravity() const;
    void setVideoGravity(VideoGravity gravity);

    // Hands over the newest frame (nullptr clears the picture). Ignored while a frame source is
    // attached.
    void enqueue(std::shared_ptr<const PixelBuffer> frame);
    // The newest frame: the frame source's when one is attached, else the last one handed over;
    // nullptr when there is none.
    std::shared_ptr<const PixelBuffer> latestFrame() const;
    // How many frames this layer has been handed, or the frame source has had; a painter redraws
    // when it changes.
    std::uint64_t frameCount() const;

    // Where a frame of `frameSize` pixels is drawn within `bounds` for `gravity`.
    static Rect pictureRect(Size frameSize, const Rect& bounds, VideoGravity gravity);

    // Frames handed to any preview layer so far.
    static std::uint64_t framesDelivered();
    // Called after every hand-over, on the handing thread; empty removes it.
    static void setFrameArrivalHandler(std::function<void()> handler);

protected:
    VideoPreviewLayer() = default;

private:
    // Hears the attached source's frames. Kept apart from the layer so that the camera's thread,
    // which holds it while it tells it, never holds the layer.
    class SourceFrames;

    // Counts a new frame for every preview layer and calls the arrival handler.
    static void announceFrame();

    mutable std::mutex mutex_;
    std::shared_ptr<SourceFrames> sourceFrames_;
    std::shared_ptr<VideoFrameSource> source_;
    VideoGravity gravity_ = VideoGravity::resizeAspect;
    mutable std::mutex frameMutex_;
    std::shared_ptr<const PixelBuffer> frame_;
    std::atomic<std::uint64_t> frameCount_{0};
};

}  // namespace quorvel::platform
