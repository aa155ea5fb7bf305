#pragma once

#include <memory>
#include <mutex>

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

// The layer that shows a live camera picture, standing in for the phone platform's video preview
// layer. It takes its frames from a frame source (the capture session), which it holds strongly
// as the platform holds its session. Nothing is drawn yet. The source and the gravity may be read
// and set on any thread.
class VideoPreviewLayer : public Layer {
public:
    static std::shared_ptr<VideoPreviewLayer> make();

    std::shared_ptr<VideoFrameSource> frameSource() const;
    void setFrameSource(std::shared_ptr<VideoFrameSource> source);

    VideoGravity videoGravity() const;
    void setVideoGravity(VideoGravity gravity);

protected:
    VideoPreviewLayer() = default;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<VideoFrameSource> source_;
    VideoGravity gravity_ = VideoGravity::resizeAspect;
};

}  // namespace quorvel::platform
