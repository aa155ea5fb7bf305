#pragma once

#include <memory>

#include "Platform/Compute/UnaryImageKernel.h"

namespace quorvel::platform {

// The platform's Laplacian filter: every destination texel is, per channel,
//   up + down + left + right − 4 × centre
// (the 3 × 3 kernel [0 1 0; 1 −4 1; 0 1 0], no bias) of the source around it, stored as an
// unsigned normalised byte, so negative sums become 0 and sums above 1 become 255.
//
// Alpha is filtered like R, G and B, as the platform's filter does: an opaque source gives alpha 0
// everywhere (the sum is 0 inside and, with either edge mode, 0 or negative at the edges).
//
// Outside the source the kernel reads the nearest edge texel (ImageEdgeMode::clamp) unless told
// otherwise, so a uniform image has no edges at its border.
class ImageLaplacian : public UnaryImageKernel {
public:
    explicit ImageLaplacian(const std::shared_ptr<ComputeDevice>& device);

protected:
    CommandBuffer::Work makeWork(std::shared_ptr<const Texture> source,
                                 std::shared_ptr<Texture> destination) const override;
};

}  // namespace quorvel::platform
