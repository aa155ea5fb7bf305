#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Imaging/VideoFrameViewer.h"

namespace quorvel::platform {

// Something that films and offers its newest frame to whoever shows the live picture, as a
// capture session does for the video preview layer. The viewer asks when it redraws, and is told
// of every new frame if it registered. Implementations answer on any thread.
class VideoFrameSource {
public:
    VideoFrameSource() = default;
    virtual ~VideoFrameSource() = default;
    VideoFrameSource(const VideoFrameSource&) = delete;
    VideoFrameSource& operator=(const VideoFrameSource&) = delete;

    // How many frames the source has had so far; a viewer redraws when the count changes.
    virtual std::uint64_t videoFrameCount() const = 0;

    // The newest frame, upright for a portrait screen, as a BGRA buffer; nullptr before the first
    // frame. It is the frame's one buffer, shared with everyone who uses that frame, so it is
    // read-only, and asking again for the same frame makes nothing new.
    virtual std::shared_ptr<const PixelBuffer> newestVideoFrame() const = 0;

    // Viewers are told of every new frame; they are held weakly. Adding one twice has no effect.
    void addViewer(const std::shared_ptr<VideoFrameViewer>& viewer);
    void removeViewer(const VideoFrameViewer* viewer);

protected:
    // Tells the viewers that a new frame is the newest; called by the source without holding its
    // own locks.
    void notifyViewers() const;

private:
    mutable std::mutex viewersMutex_;
    mutable std::vector<std::weak_ptr<VideoFrameViewer>> viewers_;
};

}  // namespace quorvel::platform
