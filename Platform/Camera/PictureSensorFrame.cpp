#include "Platform/Camera/PictureSensorFrame.h"

namespace quorvel::platform {

PictureSensorFrame::PictureSensorFrame(cv::Mat picture, std::shared_ptr<const SensorNoise> noise,
                                       int noiseOffsetX, int noiseOffsetY)
    : picture_(std::move(picture)),
      noise_(std::move(noise)),
      noiseOffsetX_(noiseOffsetX),
      noiseOffsetY_(noiseOffsetY) {}

std::shared_ptr<PixelBuffer> PictureSensorFrame::makePixelBuffer(
    VideoOrientation orientation) const {
    auto buffer = SensorFrame::turnedPixelBuffer(picture_, orientation);
    if (buffer && noise_) {
        buffer->lockBaseAddress();
        cv::Mat pixels = buffer->asMat();
        noise_->apply(pixels, noiseOffsetX_, noiseOffsetY_);
        buffer->unlockBaseAddress();
    }
    return buffer;
}

}  // namespace quorvel::platform
