#pragma once

#include <array>
#include <memory>

#include "Platform/Compute/UnaryImageKernel.h"

namespace quorvel::platform {

// The platform's binary threshold: every destination texel is
//   grey = t[0] × R + t[1] × G + t[2] × B   of the source texel (alpha is ignored)
//   value = grey > thresholdValue ? maximumValue : 0
// in single precision, with the value written to all four channels, alpha included, stored as an
// unsigned normalised byte. A grey exactly equal to the threshold gives 0.
//
// The linear grey transform t defaults to the Rec. 709 luma weights {0.2126, 0.7152, 0.0722}, the
// platform's default when none is given. Outside the source (when the destination is larger) the
// kernel reads what the edge mode gives; the default edge mode is clamp.
class ImageThresholdBinary : public UnaryImageKernel {
public:
    static constexpr std::array<float, 3> defaultLinearGrayColorTransform{0.2126f, 0.7152f,
                                                                          0.0722f};

    // `linearGrayColorTransform` points at three weights, or is nullptr for the default.
    ImageThresholdBinary(const std::shared_ptr<ComputeDevice>& device, float thresholdValue,
                         float maximumValue, const float* linearGrayColorTransform);

    float thresholdValue() const { return thresholdValue_; }
    float maximumValue() const { return maximumValue_; }
    const std::array<float, 3>& linearGrayColorTransform() const {
        return linearGrayColorTransform_;
    }

protected:
    CommandBuffer::Work makeWork(std::shared_ptr<const Texture> source,
                                 std::shared_ptr<Texture> destination) const override;

private:
    float thresholdValue_;
    float maximumValue_;
    std::array<float, 3> linearGrayColorTransform_;
};

}  // namespace quorvel::platform
