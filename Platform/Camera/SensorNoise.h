#pragma once

#include <cstdint>
#include <opencv2/core.hpp>

namespace quorvel::platform {

// Cheap sensor noise for video frames and photos: a canvas of random values made once and added
// at a different offset for every frame, so that no frame pays for random numbers. Immutable
// once made; may be shared between threads.
class SensorNoise {
public:
    // Offsets run from 0 to kMaximumOffset - 1 in each direction.
    static constexpr int kMaximumOffset = 64;

    // Noise of standard deviation `sigma` (in levels of 0…255) from a canvas for pictures up to
    // `maximumSide` pixels in either direction; larger pictures get the canvas tile by tile. A
    // sigma of 0 or less makes no noise.
    SensorNoise(int maximumSide, double sigma, std::uint64_t seed);

    int maximumSide() const { return maximumSide_; }

    // Adds the noise to the colour channels of a CV_8UC4 picture, leaving alpha alone; pictures
    // of another type are left as they are.
    void apply(cv::Mat& bgra, int offsetX, int offsetY) const;

private:
    int maximumSide_;
    int bias_ = 0;
    cv::Mat canvas_;
};

}  // namespace quorvel::platform
