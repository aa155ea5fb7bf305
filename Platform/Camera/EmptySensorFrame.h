#pragma once

#include "Platform/Camera/SensorFrame.h"

namespace quorvel::platform {

// A frame that came without pixels: its sample buffer is delivered without a pixel buffer.
class EmptySensorFrame final : public SensorFrame {
public:
    EmptySensorFrame(int width, int height) : width_(width), height_(height) {}

    int width() const override { return width_; }
    int height() const override { return height_; }
    std::shared_ptr<PixelBuffer> makePixelBuffer(VideoOrientation) const override {
        return nullptr;
    }

private:
    int width_;
    int height_;
};

}  // namespace quorvel::platform
