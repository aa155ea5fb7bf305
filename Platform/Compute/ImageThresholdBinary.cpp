#include "Platform/Compute/ImageThresholdBinary.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "Platform/Compute/Texture.h"

namespace quorvel::platform {

ImageThresholdBinary::ImageThresholdBinary(const std::shared_ptr<ComputeDevice>& device,
                                           float thresholdValue, float maximumValue,
                                           const float* linearGrayColorTransform)
    : UnaryImageKernel(device, ImageEdgeMode::clamp),
      thresholdValue_(thresholdValue),
      maximumValue_(maximumValue),
      linearGrayColorTransform_(defaultLinearGrayColorTransform) {
    if (linearGrayColorTransform != nullptr) {
        linearGrayColorTransform_ = {linearGrayColorTransform[0], linearGrayColorTransform[1],
                                     linearGrayColorTransform[2]};
    }
}

CommandBuffer::Work ImageThresholdBinary::makeWork(std::shared_ptr<const Texture> source,
                                                   std::shared_ptr<Texture> destination) const {
    return [source = std::move(source), destination = std::move(destination),
            threshold = thresholdValue_, high = unorm8(maximumValue_),
            weights = linearGrayColorTransform_, edgeMode = edgeMode()] {
        // weight × (byte / 255) for every byte, per channel: the same products the per-texel
        // arithmetic would form, looked up.
        std::array<std::array<float, 256>, 3> terms;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            for (int byte = 0; byte < 256; ++byte) {
                terms[channel][static_cast<std::size_t>(byte)] =
                    weights[channel] * (static_cast<float>(byte) / 255.0f);
            }
        }
        // The value in all four channels.
        const std::uint32_t highTexel = std::uint32_t{high} * 0x01010101u;
        const TexelPlane input = texels(*source);
        const TexelPlane output = texels(*destination);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(output.width) * 4);
        for (int y = 0; y < output.height; ++y) {
            readRow(input, y, output.width, 0, edgeMode, row.data());
            const std::uint8_t* in = row.data();
            std::uint8_t* out = output.row(y);
            for (int x = 0; x < output.width; ++x, in += 4, out += 4) {
                const float grey = terms[0][in[0]] + terms[1][in[1]] + terms[2][in[2]];
                const std::uint32_t value = grey > threshold ? highTexel : 0;
                std::memcpy(out, &value, 4);
            }
        }
        return true;
    };
}

}  // namespace quorvel::platform
