#pragma once

#include <memory>
#include <opencv2/core.hpp>

#include "Platform/Camera/SensorFrame.h"
#include "Platform/Camera/SensorNoise.h"

namespace quorvel::platform {

// A frame that is a ready picture in the sensor's orientation (a still photo or a webcam image,
// BGR or BGRA), turned on request, with optional sensor noise added afterwards.
class PictureSensorFrame final : public SensorFrame {
public:
    PictureSensorFrame(cv::Mat picture, std::shared_ptr<const SensorNoise> noise = nullptr,
                       int noiseOffsetX = 0, int noiseOffsetY = 0);

    int width() const override { return picture_.cols; }
    int height() const override { return picture_.rows; }
    std::shared_ptr<PixelBuffer> makePixelBuffer(VideoOrientation orientation) const override;

private:
    cv::Mat picture_;
    std::shared_ptr<const SensorNoise> noise_;
    int noiseOffsetX_;
    int noiseOffsetY_;
};

}  // namespace quorvel::platform
