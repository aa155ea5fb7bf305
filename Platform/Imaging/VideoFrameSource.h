#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// Something that films and offers its newest frame to whoever shows the live picture, as a
// capture session does for the video preview layer. The viewer asks when it redraws, so frames
// nobody shows cost nothing. Implementations answer on any thread.
class VideoFrameSource {
public:
    virtual ~VideoFrameSource() = default;

    // How many frames the source has had so far; a viewer redraws when the count changes.
    virtual std::uint64_t videoFrameCount() const = 0;

    // The newest frame, upright for a portrait screen, in a new BGRA buffer of its own; nullptr
    // before the first frame.
    virtual std::shared_ptr<PixelBuffer> newestVideoFrame() const = 0;
};

}  // namespace quorvel::platform
