#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <random>

#include "Platform/Compute/ImageLaplacian.h"
#include "Platform/Compute/ImageStatisticsMeanAndVariance.h"
#include "Platform/Compute/ImageThresholdBinary.h"
#include "TextureTestHelpers.h"

namespace quorvel::platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::filled;
using computetest::kernelOutput;
using computetest::offset;
using computetest::run;
using computetest::textureWith;

Bytes randomTexels(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(static_cast<std::size_t>(width * height * 4));
    for (auto& value : bytes) value = static_cast<std::uint8_t>(byte(random));
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

TEST(ImageLaplacianTest, MatchesTheClampedFourNeighbourSumOnEveryChannel) {
    const Bytes texels = randomTexels(13, 9, 7);
    auto source = textureWith(13, 9, texels);
    ImageLaplacian kernel(device());
    EXPECT_EQ(kernel.edgeMode(), ImageEdgeMode::clamp);
    for (ImageEdgeMode mode : {ImageEdgeMode::clamp, ImageEdgeMode::zero}) {
        kernel.setEdgeMode(mode);
        // Same size, a larger destination (reads past the source) and a smaller one (its edge is
        // inside the source).
        for (auto [width, height] : {std::pair{13, 9}, {16, 11}, {7, 5}}) {
            EXPECT_EQ(kernelOutput(kernel, *source, width, height),
                      referenceLaplacian(texels, 13, 9, width, height, mode))
                << "edge mode " << static_cast<int>(mode) << ", " << width << " x " << height;
        }
        // A uniform opaque image has no edges, alpha and border included.
        auto uniform = textureWith(6, 4, filled(6, 4, 180, 90, 30, 255));
        EXPECT_EQ(kernelOutput(kernel, *uniform, 6, 4), Bytes(96, 0));
    }
    // In place: every texel is computed from the source as it was.
    run([&](CommandBuffer& buffer) { ASSERT_TRUE(kernel.encode(buffer, *source, *source)); });
    EXPECT_EQ(bytesOf(*source), referenceLaplacian(texels, 13, 9, 13, 9, ImageEdgeMode::zero));
}

TEST(ImageLaplacianTest, EncodingTakesTheEdgeModeOfThatMoment) {
    // Texel 0 (100) sums 3 × 100 + 255 − 400 = 155 when clamped, and 255 − 400 < 0 with zero edges.
    auto source = textureWith(2, 1, {100, 100, 100, 100, 255, 255, 255, 255});
    auto destination = textureWith(2, 1);
    ImageLaplacian kernel(device());
    kernel.setEdgeMode(ImageEdgeMode::zero);
    run([&](CommandBuffer& buffer) {
        ASSERT_TRUE(kernel.encode(buffer, *source, *destination));
        kernel.setEdgeMode(ImageEdgeMode::clamp);
    });
    EXPECT_EQ(bytesOf(*destination), Bytes(8, 0));
    EXPECT_EQ(kernelOutput(kernel, *source, 2, 1), (Bytes{155, 155, 155, 155, 0, 0, 0, 0}));
}

TEST(ImageKernelTest, RefusesTexturesItCannotReadOrWriteAndCommittedBuffers) {
    auto readOnly = device()->newTexture(
        TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, 2, 2, false));
    auto writeOnlyDescriptor = computetest::readWriteDescriptor(2, 2);
    writeOnlyDescriptor.usage = TextureUsage::shaderWrite;
    auto writeOnly = device()->newTexture(writeOnlyDescriptor);
    auto readWrite = textureWith(2, 2);
    const ImageLaplacian laplacian(device());
    const ImageThresholdBinary threshold(device(), 0.5f, 1.0f, nullptr);
    const ImageStatisticsMeanAndVariance statistics(device());
    for (const UnaryImageKernel* kernel :
         std::initializer_list<const UnaryImageKernel*>{&laplacian, &threshold, &statistics}) {
        auto buffer = device()->newCommandQueue()->commandBuffer();
        EXPECT_FALSE(kernel->encode(*buffer, *readWrite, *readOnly));
        EXPECT_FALSE(kernel->encode(*buffer, *writeOnly, *readWrite));
        EXPECT_TRUE(kernel->encode(*buffer, *readOnly, *writeOnly));
        buffer->commit();
        EXPECT_FALSE(kernel->encode(*buffer, *readWrite, *readWrite));
        buffer->waitUntilCompleted();
    }
}

TEST(ImageKernelTest, EncodedWorkKeepsItsTexturesAliveUntilItHasRun) {
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    std::weak_ptr<Texture> watched;
    {
        auto source = textureWith(4, 4, filled(4, 4, 1, 2, 3, 4));
        watched = source;
        ImageLaplacian(device()).encode(*buffer, *source, *textureWith(4, 4));
    }
    EXPECT_FALSE(watched.expired());
    buffer->commit();
    buffer->waitUntilCompleted();
    EXPECT_TRUE(watched.expired());
    EXPECT_EQ(buffer->status(), CommandBufferStatus::completed);
}

// The four bytes the kernel writes for one source texel.
Bytes thresholdOf(const ImageThresholdBinary& kernel, Bytes texel) {
    return kernelOutput(kernel, *textureWith(1, 1, texel), 1, 1);
}

TEST(ImageThresholdBinaryTest, DefaultGreyIsRec709LumaWithoutAlpha) {
    // Each opaque primary lies just above a threshold below its weight and not above one beyond.
    const float weights[3] = {0.2126f, 0.7152f, 0.0722f};
    for (int channel = 0; channel < 3; ++channel) {
        Bytes texel = {0, 0, 0, 255};
        texel[static_cast<std::size_t>(channel)] = 255;
        for (float delta : {-0.0005f, 0.0005f}) {
            ImageThresholdBinary kernel(device(), weights[channel] + delta, 1.0f, nullptr);
            EXPECT_EQ(thresholdOf(kernel, texel), Bytes(4, delta < 0 ? 255 : 0)) << channel;
        }
    }
}

TEST(ImageThresholdBinaryTest, GreyEqualToTheThresholdGivesZero) {
    const float onlyRed[3] = {1.0f, 0.0f, 0.0f};
    ImageThresholdBinary kernel(device(), 51.0f / 255.0f, 1.0f, onlyRed);
    EXPECT_EQ(thresholdOf(kernel, {51, 255, 255, 255}), Bytes(4, 0));
    EXPECT_EQ(thresholdOf(kernel, {52, 0, 0, 0}), Bytes(4, 255));
    // The blur test's own threshold, 0.11, lies between the bytes 28 and 29.
    ImageThresholdBinary blur(device(), 0.11f, 1.0f, nullptr);
    EXPECT_EQ(thresholdOf(blur, {28, 28, 28, 255}), Bytes(4, 0));
    EXPECT_EQ(thresholdOf(blur, {29, 29, 29, 255}), Bytes(4, 255));
}

TEST(ImageThresholdBinaryTest, MaximumIsStoredAsAUnormByteInEveryChannel) {
    // 127.5 and 2.5 round to even; out-of-range values clamp; NaN stores as 0.
    for (auto [maximum, stored] : {std::pair{0.5f, 128},
                                   {2.5f / 255.0f, 2},
                                   {3.0f, 255},
                                   {-1.0f, 0},
                                   {std::numeric_limits<float>::quiet_NaN(), 0}}) {
        ImageThresholdBinary kernel(device(), 0.1f, maximum, nullptr);
        EXPECT_EQ(thresholdOf(kernel, {200, 200, 200, 0}), Bytes(4, stored)) << maximum;
    }
}

TEST(ImageThresholdBinaryTest, LargerDestinationReadsByTheEdgeMode) {
    auto source = textureWith(1, 1, {255, 255, 255, 255});
    ImageThresholdBinary kernel(device(), 0.5f, 1.0f, nullptr);
    EXPECT_EQ(kernelOutput(kernel, *source, 2, 1), Bytes(8, 255));
    kernel.setEdgeMode(ImageEdgeMode::zero);
    EXPECT_EQ(kernelOutput(kernel, *source, 2, 1), (Bytes{255, 255, 255, 255, 0, 0, 0, 0}));
}

TEST(ImageStatisticsMeanAndVarianceTest, WritesMeanThenPopulationVarianceAndNothingElse) {
    // Per channel over four texels:
    //   R: 0, 0, 255, 255  → mean 0.5 (127.5 → 128), variance 0.25 (63.75 → 64)
    //   G: 255 ×4          → mean 1 (255), variance 0
    //   B: 0, 0, 0, 255    → mean 0.25 (63.75 → 64), variance 0.1875 (47.8 → 48)
    //   A: 51 ×4           → mean 0.2 (51), variance 0
    auto source = textureWith(2, 2,
                              {0, 255, 0, 51, 0, 255, 0, 51,  //
                               255, 255, 0, 51, 255, 255, 255, 51});
    const Bytes statistics = {128, 255, 64, 51, 64, 0, 48, 0};
    // The rest of a larger destination is left as it was; a one-texel one gets the mean only.
    auto wide = textureWith(3, 2, Bytes(24, 9));
    auto narrow = textureWith(1, 1, Bytes(4, 9));
    run([&](CommandBuffer& buffer) {
        ImageStatisticsMeanAndVariance kernel(device());
        kernel.encode(buffer, *source, *wide);
        kernel.encode(buffer, *source, *narrow);
    });
    Bytes expected(24, 9);
    std::ranges::copy(statistics, expected.begin());
    EXPECT_EQ(bytesOf(*wide), expected);
    EXPECT_EQ(bytesOf(*narrow), Bytes(statistics.begin(), statistics.begin() + 4));
}

using Statistics = std::array<std::uint8_t, 8>;

// Laplacian, threshold at 0.11 and mean-and-variance over an RGBA image, on one command buffer, as
// the blur test runs them; the eight bytes of the statistics texture.
Statistics edgeStatistics(int width, int height, const Bytes& rgba) {
    auto source = textureWith(width, height, rgba);
    auto edges = textureWith(width, height);
    auto binary = textureWith(width, height);
    auto result = textureWith(2, 1);
    run([&](CommandBuffer& buffer) {
        EXPECT_TRUE(ImageLaplacian(device()).encode(buffer, *source, *edges));
        EXPECT_TRUE(
            ImageThresholdBinary(device(), 0.11f, 1.0f, nullptr).encode(buffer, *edges, *binary));
        EXPECT_TRUE(ImageStatisticsMeanAndVariance(device()).encode(buffer, *binary, *result));
    });
    Statistics bytes{};
    std::ranges::copy(bytesOf(*result), bytes.begin());
    return bytes;
}

// Opaque vertical stripes, one white column and then two black ones.
Bytes stripes(int width, int height) {
    Bytes rgba = filled(width, height, 0, 0, 0, 255);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        if ((i / 4) % static_cast<std::size_t>(width) % 3 == 0 && i % 4 != 3) rgba[i] = 255;
    }
    return rgba;
}

// A box blur of the given radius, run twice (close to a Gaussian), edges clamped. Written out by
// hand: OpenCV's own filters run on its thread pool, which ThreadSanitizer cannot follow.
Bytes blurred(Bytes rgba, int width, int height, int radius) {
    const auto pass = [&](const Bytes& in, int dx, int dy) {
        Bytes out(in.size());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int k = -radius; k <= radius; ++k) {
                        const int sx = std::clamp(x + k * dx, 0, width - 1);
                        const int sy = std::clamp(y + k * dy, 0, height - 1);
                        sum += in[offset(width, sx, sy, c)];
                    }
                    out[offset(width, x, y, c)] =
                        static_cast<std::uint8_t>((sum + radius) / (2 * radius + 1));
                }
            }
        }
        return out;
    };
    for (int round = 0; round < 2; ++round) {
        rgba = pass(pass(rgba, 1, 0), 0, 1);
    }
    return rgba;
}

TEST(KernelChainTest, UniformImageHasNoEdges) {
    EXPECT_EQ(edgeStatistics(40, 30, filled(40, 30, 200, 120, 40, 255)), Statistics{});
}

TEST(KernelChainTest, DenseEdgesGiveAMeanByteAbove127) {
    // Both black columns of every stripe touch a white one, except the last column of the image,
    // which only sees itself beyond the edge: 21 of 33 columns are edges. Mean 21/33 → 162,
    // variance (21/33)(12/33) → 59, in every channel (the threshold writes alpha too).
    const Statistics bytes = edgeStatistics(33, 10, stripes(33, 10));
    EXPECT_EQ(bytes, (Statistics{162, 162, 162, 162, 59, 59, 59, 59}));
    EXPECT_GE(bytes[1], 128);
}

TEST(KernelChainTest, BlurringSharpTextRemovesItsEdges) {
    const int width = 240;
    const int height = 60;
    Bytes page = filled(width, height, 255, 255, 255, 255);
    cv::Mat canvas(height, width, CV_8UC4, page.data());
    cv::putText(canvas, "Invoice 0042", cv::Point(6, 42), cv::FONT_HERSHEY_SIMPLEX, 1.0,
                cv::Scalar(20, 20, 20, 255), 2, cv::LINE_8);

    const std::uint8_t sharp = edgeStatistics(width, height, page)[1];
    const std::uint8_t blurry = edgeStatistics(width, height, blurred(page, width, height, 2))[1];
    EXPECT_GE(sharp, 3);
    EXPECT_LT(sharp, 128);
    EXPECT_LT(blurry, 3);
}

}  // namespace
}  // namespace quorvel::platform
