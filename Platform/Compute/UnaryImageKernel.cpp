#include "Platform/Compute/UnaryImageKernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "Platform/Compute/Texture.h"

namespace quorvel::platform {

UnaryImageKernel::UnaryImageKernel(const std::shared_ptr<ComputeDevice>& device,
                                   ImageEdgeMode edgeMode)
    : device_(device), edgeMode_(edgeMode) {}

bool UnaryImageKernel::encode(CommandBuffer& commandBuffer, const Texture& source,
                              Texture& destination) const {
    if (source.pixelFormat() != TexturePixelFormat::rgba8Unorm ||
        destination.pixelFormat() != TexturePixelFormat::rgba8Unorm ||
        !hasUsage(source.usage(), TextureUsage::shaderRead) ||
        !hasUsage(destination.usage(), TextureUsage::shaderWrite)) {
        return false;
    }
    std::shared_ptr<const Texture> sourceReference = source.weak_from_this().lock();
    std::shared_ptr<Texture> destinationReference = destination.weak_from_this().lock();
    if (!sourceReference || !destinationReference) {
        return false;
    }
    return commandBuffer.encodeWork(
        makeWork(std::move(sourceReference), std::move(destinationReference)));
}

UnaryImageKernel::TexelPlane UnaryImageKernel::texels(const Texture& texture) {
    // Level 0 always exists: textures are at least 1 × 1.
    auto& level = const_cast<std::vector<std::uint8_t>&>(texture.levels_.front());
    return TexelPlane{level.data(), texture.width(), texture.height(), texture.levelBytesPerRow(0)};
}

void UnaryImageKernel::readRow(const TexelPlane& source, int y, int width, int margin,
                               ImageEdgeMode edgeMode, std::uint8_t* row) {
    const std::size_t rowBytes = static_cast<std::size_t>(width + 2 * margin) * 4;
    const bool clamp = edgeMode == ImageEdgeMode::clamp;
    if (y < 0 || y >= source.height) {
        if (!clamp) {
            std::memset(row, 0, rowBytes);
            return;
        }
        y = std::clamp(y, 0, source.height - 1);
    }
    const std::uint8_t* texels = source.row(y);
    // Texels -margin … -1 lie left of the source, 0 … shown - 1 are the source's own, and
    // shown … width + margin - 1 lie right of it (none when the source is wide enough).
    const int shown = std::min(source.width, width + margin);
    static constexpr std::uint8_t transparentBlack[4] = {0, 0, 0, 0};
    const std::uint8_t* leftOfSource = clamp ? texels : transparentBlack;
    const std::uint8_t* rightOfSource =
        clamp ? texels + static_cast<std::size_t>(source.width - 1) * 4 : transparentBlack;
    std::uint8_t* out = row;
    for (int x = -margin; x < 0; ++x, out += 4) {
        std::memcpy(out, leftOfSource, 4);
    }
    std::memcpy(out, texels, static_cast<std::size_t>(shown) * 4);
    out += static_cast<std::size_t>(shown) * 4;
    for (int x = shown; x < width + margin; ++x, out += 4) {
        std::memcpy(out, rightOfSource, 4);
    }
}

std::uint8_t UnaryImageKernel::unorm8(float value) {
    if (!(value > 0.0f)) {
        return 0;  // Also NaN.
    }
    if (value >= 1.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(std::nearbyint(value * 255.0f));
}

}  // namespace quorvel::platform
