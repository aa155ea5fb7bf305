#include "Platform/Compute/ImageLaplacian.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "Platform/Compute/Texture.h"

namespace quorvel::platform {

namespace {

// Eight channel values widened to 16 bits; GCC's vector extensions make the compiler use SIMD
// registers for them.
using Lanes = std::int16_t __attribute__((vector_size(16)));
using EightBytes = std::uint8_t __attribute__((vector_size(8)));

Lanes load(const std::uint8_t* bytes) {
    EightBytes narrow;
    std::memcpy(&narrow, bytes, sizeof narrow);
    return __builtin_convertvector(narrow, Lanes);
}

// One destination row from the source rows above, at and below it, each with one texel of margin
// on both sides. Sums are in whole bytes (−1020…1020); storing saturates them to 0…255, which is
// exact.
void filterRow(const std::uint8_t* above, const std::uint8_t* centre, const std::uint8_t* below,
               std::uint8_t* out, int width) {
    const int count = width * 4;
    above += 4;
    below += 4;
    const Lanes zero = {};
    const Lanes full = zero + 255;
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        Lanes sum = load(above + i) + load(below + i) + load(centre + i) + load(centre + i + 8) -
                    load(centre + i + 4) * 4;
        sum = sum < zero ? zero : sum;
        sum = sum > full ? full : sum;
        const EightBytes bytes = __builtin_convertvector(sum, EightBytes);
        std::memcpy(out + i, &bytes, sizeof bytes);
    }
    for (; i < count; ++i) {
        const int sum = above[i] + below[i] + centre[i] + centre[i + 8] - 4 * centre[i + 4];
        out[i] = static_cast<std::uint8_t>(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
    }
}

}  // namespace

ImageLaplacian::ImageLaplacian(const std::shared_ptr<ComputeDevice>& device)
    : UnaryImageKernel(device, ImageEdgeMode::clamp) {}

CommandBuffer::Work ImageLaplacian::makeWork(std::shared_ptr<const Texture> source,
                                             std::shared_ptr<Texture> destination) const {
    return
        [source = std::move(source), destination = std::move(destination), edgeMode = edgeMode()] {
            const TexelPlane input = texels(*source);
            const TexelPlane output = texels(*destination);
            const std::size_t rowBytes = static_cast<std::size_t>(output.width + 2) * 4;
            // Three source rows with their margins, rolling down the image. Row y + 1 is read
            // before row y is written, so the source may be the destination itself.
            std::vector<std::uint8_t> rows(3 * rowBytes);
            std::uint8_t* above = rows.data();
            std::uint8_t* centre = above + rowBytes;
            std::uint8_t* below = centre + rowBytes;
            readRow(input, -1, output.width, 1, edgeMode, above);
            readRow(input, 0, output.width, 1, edgeMode, centre);
            for (int y = 0; y < output.height; ++y) {
                readRow(input, y + 1, output.width, 1, edgeMode, below);
                filterRow(above, centre, below, output.row(y), output.width);
                std::swap(above, centre);
                std::swap(centre, below);
            }
            return true;
        };
}

}  // namespace quorvel::platform
