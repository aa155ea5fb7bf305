#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <opencv2/core.hpp>

#include "Platform/Camera/CaptureConnection.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// One picture read from a camera's sensor, in the sensor's own (landscape) orientation. It is
// turned and converted only when someone asks for a pixel buffer, so a frame that nobody looks
// at costs nothing more, and a device may render straight into the buffer in the turned layout.
// A frame is made into a buffer at most once per orientation: the video outputs that receive it
// and the preview that shows it share that buffer. Thread-safe.
class SensorFrame {
public:
    SensorFrame() = default;
    virtual ~SensorFrame() = default;
    SensorFrame(const SensorFrame&) = delete;
    SensorFrame& operator=(const SensorFrame&) = delete;

    // The sensor's dimensions, before any turn.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // The frame turned for `orientation` as a BGRA buffer carrying the camera's intrinsic
    // matrix (intrinsicMatrix()) under PixelBuffer::cameraIntrinsicMatrixKey. Made on the first
    // request for that orientation (a concurrent request waits for it) and shared from then on,
    // so it is read-only for everyone. nullptr when the frame has no pixels (or the buffer
    // cannot be had).
    std::shared_ptr<const PixelBuffer> pixelBuffer(VideoOrientation orientation) const;

    // The camera's intrinsics for a frame of a `sensorWidth` × `sensorHeight` sensor delivered
    // in `orientation`, column-major: focal length 1.2 × the sensor's longer side in pixels for
    // both axes, principal point at the centre of the delivered buffer.
    static FloatMatrix3x3 intrinsicMatrix(int sensorWidth, int sensorHeight,
                                          VideoOrientation orientation);

    // A BGRA pixel buffer sized for a `width` × `height` sensor frame turned for `orientation`.
    static std::shared_ptr<PixelBuffer> makeTurnedBuffer(int width, int height,
                                                         VideoOrientation orientation);
    // Turns a sensor picture (CV_8UC4 BGRA or CV_8UC3 BGR) for `orientation` into a new BGRA
    // pixel buffer; nullptr for an empty or unsupported picture.
    static std::shared_ptr<PixelBuffer> turnedPixelBuffer(const cv::Mat& picture,
                                                          VideoOrientation orientation);
    // The affine map from sensor pixel coordinates (pixel centres at whole numbers) of a
    // `width` × `height` frame to those of the frame turned for `orientation`.
    static cv::Matx23d turnTransform(int width, int height, VideoOrientation orientation);

protected:
    // A new BGRA buffer holding the frame turned for `orientation`; nullptr when the frame has
    // no pixels (or the buffer cannot be had). Called at most once per orientation.
    virtual std::shared_ptr<PixelBuffer> makePixelBuffer(VideoOrientation orientation) const = 0;

private:
    struct Made {
        bool made = false;
        std::shared_ptr<const PixelBuffer> buffer;
    };
    mutable std::mutex buffersMutex_;
    // By VideoOrientation's raw value less one.
    mutable std::array<Made, 4> buffers_;
};

}  // namespace quorvel::platform
