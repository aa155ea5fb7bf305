#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "Platform/Compute/ImageLaplacian.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::emptyTexture;
using computetest::filled;
using computetest::offset;
using computetest::run;
using computetest::textureWith;

Bytes randomTexels(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(static_cast<std::size_t>(width * height * 4));
    for (auto& value : bytes) {
        value = static_cast<std::uint8_t>(byte(random));
    }
    return bytes;
}

// Texel by texel, in whole bytes, as a width × height destination sees the source.
Bytes referenceLaplacian(const Bytes& source, int sourceWidth, int sourceHeight, int width,
                         int height, ImageEdgeMode edgeMode) {
    const auto at = [&](int x, int y, int channel) -> int {
        if (edgeMode == ImageEdgeMode::clamp) {
            x = std::clamp(x, 0, sourceWidth - 1);
            y = std::clamp(y, 0, sourceHeight - 1);
        } else if (x < 0 || y < 0 || x >= sourceWidth || y >= sourceHeight) {
            return 0;
        }
        return source[offset(sourceWidth, x, y, channel)];
    };
    Bytes result(static_cast<std::size_t>(width * height * 4));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 4; ++c) {
                const int sum = at(x, y - 1, c) + at(x, y + 1, c) + at(x - 1, y, c) +
                                at(x + 1, y, c) - 4 * at(x, y, c);
                result[offset(width, x, y, c)] = static_cast<std::uint8_t>(std::clamp(sum, 0, 255));
            }
        }
    }
    return result;
}

Bytes laplacianOf(const std::shared_ptr<Texture>& source, int width, int height,
                  const ImageLaplacian& kernel) {
    auto destination = emptyTexture(width, height);
    EXPECT_EQ(run([&](CommandBuffer& buffer) {
                  EXPECT_TRUE(kernel.encode(buffer, *source, *destination));
              }),
              CommandBufferStatus::completed);
    return bytesOf(*destination);
}

TEST(ImageLaplacianTest, MatchesTheFourNeighbourSumOnEveryChannel) {
    const Bytes texels = randomTexels(13, 9, 7);
    auto source = textureWith(13, 9, texels);
    ImageLaplacian kernel(device());
    EXPECT_EQ(kernel.edgeMode(), ImageEdgeMode::clamp);
    for (ImageEdgeMode mode : {ImageEdgeMode::clamp, ImageEdgeMode::zero}) {
        kernel.setEdgeMode(mode);
        // Same size, a larger destination (reads past the source) and a smaller one (its edge is
        // inside the source).
        for (auto [width, height] : {std::pair{13, 9}, {16, 11}, {7, 5}}) {
            EXPECT_EQ(laplacianOf(source, width, height, kernel),
                      referenceLaplacian(texels, 13, 9, width, height, mode))
                << "edge mode " << static_cast<int>(mode) << ", " << width << " x " << height;
        }
    }
}

TEST(ImageLaplacianTest, NegativeSumsBecomeZero) {
    // One grey texel (100) on black: its own sum is −400 and each neighbour's is +100.
    Bytes texels = filled(3, 3, 0, 0, 0, 255);
    texels[offset(3, 1, 1, 1)] = 100;
    texels[offset(3, 1, 0, 2)] = 200;  // and a blue 200 at the top edge: its neighbour gets 200
    const Bytes result = laplacianOf(textureWith(3, 3, texels), 3, 3, ImageLaplacian(device()));
    EXPECT_EQ(result[offset(3, 1, 1, 1)], 0);
    EXPECT_EQ(result[offset(3, 1, 0, 1)], 100);
    EXPECT_EQ(result[offset(3, 0, 1, 1)], 100);
    EXPECT_EQ(result[offset(3, 1, 0, 2)], 0);
    EXPECT_EQ(result[offset(3, 1, 1, 2)], 200);
    EXPECT_EQ(result[offset(3, 0, 0, 0)], 0);
    // The opaque alpha has no edges.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(result[offset(3, x, y, 3)], 0);
        }
    }
}

TEST(ImageLaplacianTest, UniformImageHasNoEdgesWithEitherEdgeMode) {
    auto source = textureWith(6, 4, filled(6, 4, 180, 90, 30, 255));
    ImageLaplacian kernel(device());
    EXPECT_EQ(laplacianOf(source, 6, 4, kernel), Bytes(96, 0));
    kernel.setEdgeMode(ImageEdgeMode::zero);
    EXPECT_EQ(laplacianOf(source, 6, 4, kernel), Bytes(96, 0));
}

TEST(ImageLaplacianTest, EncodingTakesTheEdgeModeOfThatMoment) {
    // Texel 0 (100) sums 3 × 100 + 255 − 400 = 155 when clamped, and 255 − 400 < 0 with zero edges.
    auto source = textureWith(2, 1, {100, 100, 100, 100, 255, 255, 255, 255});
    auto destination = emptyTexture(2, 1);
    ImageLaplacian kernel(device());
    kernel.setEdgeMode(ImageEdgeMode::zero);
    run([&](CommandBuffer& buffer) {
        ASSERT_TRUE(kernel.encode(buffer, *source, *destination));
        kernel.setEdgeMode(ImageEdgeMode::clamp);
    });
    EXPECT_EQ(bytesOf(*destination), Bytes(8, 0));
    EXPECT_EQ(laplacianOf(source, 2, 1, kernel), (Bytes{155, 155, 155, 155, 0, 0, 0, 0}));
}

TEST(ImageLaplacianTest, FiltersATextureInPlace) {
    const Bytes texels = randomTexels(9, 7, 3);
    auto texture = textureWith(9, 7, texels);
    run([&](CommandBuffer& buffer) {
        ASSERT_TRUE(ImageLaplacian(device()).encode(buffer, *texture, *texture));
    });
    EXPECT_EQ(bytesOf(*texture), referenceLaplacian(texels, 9, 7, 9, 7, ImageEdgeMode::clamp));
}

TEST(ImageLaplacianTest, RefusesTexturesItCannotReadOrWrite) {
    auto readOnly =
        device()->newTexture(TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, 2, 2, false));
    TextureDescriptor writeOnlyDescriptor = computetest::readWriteDescriptor(2, 2);
    writeOnlyDescriptor.usage = TextureUsage::shaderWrite;
    auto writeOnly = device()->newTexture(writeOnlyDescriptor);
    auto readWrite = emptyTexture(2, 2);
    ImageLaplacian kernel(device());
    auto buffer = device()->newCommandQueue()->commandBuffer();
    EXPECT_FALSE(kernel.encode(*buffer, *readWrite, *readOnly));
    EXPECT_FALSE(kernel.encode(*buffer, *writeOnly, *readWrite));
    EXPECT_TRUE(kernel.encode(*buffer, *readOnly, *writeOnly));
    buffer->commit();
    EXPECT_FALSE(kernel.encode(*buffer, *readWrite, *readWrite));
    buffer->waitUntilCompleted();
}

TEST(ImageLaplacianTest, CommittedWorkKeepsItsTexturesAlive) {
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    std::weak_ptr<Texture> watched;
    {
        auto source = textureWith(4, 4, filled(4, 4, 1, 2, 3, 4));
        auto destination = emptyTexture(4, 4);
        watched = source;
        ImageLaplacian(device()).encode(*buffer, *source, *destination);
    }
    EXPECT_FALSE(watched.expired());
    buffer->commit();
    buffer->waitUntilCompleted();
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(buffer->status(), CommandBufferStatus::completed);
}

}  // namespace
}  // namespace platform
