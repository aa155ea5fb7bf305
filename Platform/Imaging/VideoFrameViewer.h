#pragma once

namespace quorvel::platform {

// Whoever shows the frames of a VideoFrameSource and wants to hear of each new one (a preview
// layer repaints then).
class VideoFrameViewer {
public:
    virtual ~VideoFrameViewer() = default;

    // The source has a new newest frame. Called on the thread that delivered it, outside the
    // source's locks: keep it short (post work elsewhere).
    virtual void videoFrameArrived() = 0;
};

}  // namespace quorvel::platform
