#pragma once

#include <memory>
#include <opencv2/core.hpp>

#include "Platform/Camera/CaptureConnection.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

// One picture read from a camera's sensor, in the sensor's own (landscape) orientation. It is
// turned and converted only when an output asks for a pixel buffer, so a frame that is dropped
// costs nothing more, and a device may render straight into the buffer in the turned layout.
class SensorFrame {
public:
    virtual ~SensorFrame() = default;

    // The sensor's dimensions, before any turn.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // A new BGRA buffer holding the frame turned for `orientation`; nullptr when the frame has
    // no pixels (or the buffer cannot be had).
    virtual std::shared_ptr<PixelBuffer> makePixelBuffer(VideoOrientation orientation) const = 0;

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
};

}  // namespace quorvel::platform
