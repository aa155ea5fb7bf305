#pragma once

#include <memory>

#include "Platform/Compute/UnaryImageKernel.h"

namespace quorvel::platform {

// The platform's mean-and-variance statistic: per channel (R, G, B and A), the mean and the
// population variance (sum of squared deviations over the texel count) of the whole source,
// written to destination texel (0, 0) (mean) and texel (1, 0) (variance) as unsigned normalised
// bytes. The rest of the destination is left as it was; a destination one texel wide gets the
// mean only. A 2 × 1 destination holds both.
class ImageStatisticsMeanAndVariance : public UnaryImageKernel {
public:
    explicit ImageStatisticsMeanAndVariance(const std::shared_ptr<ComputeDevice>& device);

protected:
    CommandBuffer::Work makeWork(std::shared_ptr<const Texture> source,
                                 std::shared_ptr<Texture> destination) const override;
};

}  // namespace quorvel::platform
