#pragma once

#include <memory>
#include <optional>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// One video frame as the camera hands it to a video data output's delegate: its pixel buffer
// (which may be missing, as the platform allows), the camera's intrinsic matrix attachment and
// the time it was taken (on Clock). Immutable; the pixel buffer is the frame's one buffer, shared
// with the other outputs and the preview, so it is read-only.
class SampleBuffer {
public:
    static std::shared_ptr<SampleBuffer> make(
        std::shared_ptr<const PixelBuffer> imageBuffer,
        std::optional<FloatMatrix3x3> cameraIntrinsicMatrix = std::nullopt,
        TimePoint presentationTime = Clock::now()) {
        return std::make_shared<SampleBuffer>(std::move(imageBuffer), cameraIntrinsicMatrix,
                                              presentationTime);
    }

    SampleBuffer(std::shared_ptr<const PixelBuffer> imageBuffer,
                 std::optional<FloatMatrix3x3> cameraIntrinsicMatrix, TimePoint presentationTime)
        : imageBuffer_(std::move(imageBuffer)),
          intrinsics_(cameraIntrinsicMatrix),
          presentationTime_(presentationTime) {}

    // nullptr when the frame came without pixels.
    const std::shared_ptr<const PixelBuffer>& imageBuffer() const { return imageBuffer_; }
    // The sample buffer's own copy of the attachment; the pixel buffer carries the same matrix
    // under PixelBuffer::cameraIntrinsicMatrixKey.
    const std::optional<FloatMatrix3x3>& cameraIntrinsicMatrix() const { return intrinsics_; }
    TimePoint presentationTime() const { return presentationTime_; }

private:
    std::shared_ptr<const PixelBuffer> imageBuffer_;
    std::optional<FloatMatrix3x3> intrinsics_;
    TimePoint presentationTime_;
};

}  // namespace quorvel::platform
