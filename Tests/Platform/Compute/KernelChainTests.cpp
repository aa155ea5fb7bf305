#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <opencv2/imgproc.hpp>

#include "Platform/Compute/ImageLaplacian.h"
#include "Platform/Compute/ImageStatisticsMeanAndVariance.h"
#include "Platform/Compute/ImageThresholdBinary.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::Bytes;
using computetest::device;
using computetest::filled;
using computetest::offset;

using Statistics = std::array<std::uint8_t, 8>;

// Laplacian, threshold at 0.11 and mean-and-variance over an RGBA image, on one command buffer, as
// the blur test runs them; the eight bytes of the statistics texture.
Statistics edgeStatistics(int width, int height, const Bytes& rgba) {
    auto gpu = ComputeDevice::systemDefault();
    auto queue = gpu->newCommandQueue();
    auto buffer = queue->commandBuffer();
    TextureDescriptor descriptor;
    descriptor.pixelFormat = TexturePixelFormat::rgba8Unorm;
    descriptor.width = width;
    descriptor.height = height;
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto source = gpu->newTexture(descriptor);
    source->replaceRegion(TextureRegion::make2D(0, 0, width, height), 0, rgba.data(),
                          static_cast<std::size_t>(width) * 4);

    ImageLaplacian laplacian(gpu);
    ImageThresholdBinary threshold(gpu, 0.11f, 1.0f, nullptr);
    ImageStatisticsMeanAndVariance statistics(gpu);

    auto edges = gpu->newTexture(descriptor);
    EXPECT_TRUE(laplacian.encode(*buffer, *source, *edges));
    auto binary = gpu->newTexture(descriptor);
    EXPECT_TRUE(threshold.encode(*buffer, *edges, *binary));
    auto statisticsDescriptor = TextureDescriptor::texture2D(binary->pixelFormat(), 2, 1, false);
    statisticsDescriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto result = gpu->newTexture(statisticsDescriptor);
    EXPECT_TRUE(statistics.encode(*buffer, *binary, *result));

    buffer->commit();
    buffer->waitUntilCompleted();
    Statistics bytes{};
    result->getBytes(bytes.data(), 8, TextureRegion::make2D(0, 0, 2, 1), 0);
    return bytes;
}

// Opaque vertical stripes, one white column and then two black ones.
Bytes stripes(int width, int height) {
    Bytes rgba = filled(width, height, 0, 0, 0, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; x += 3) {
            for (int c = 0; c < 3; ++c) {
                rgba[offset(width, x, y, c)] = 255;
            }
        }
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
}  // namespace platform
