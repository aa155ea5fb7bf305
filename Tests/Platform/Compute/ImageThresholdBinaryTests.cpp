#include <gtest/gtest.h>

#include <limits>

#include "Platform/Compute/ImageThresholdBinary.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::emptyTexture;
using computetest::filled;
using computetest::run;
using computetest::textureWith;

// The four bytes the kernel writes for one source texel.
Bytes thresholdOf(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
                  const ImageThresholdBinary& kernel) {
    auto source = textureWith(1, 1, {r, g, b, a});
    auto destination = emptyTexture(1, 1);
    run([&](CommandBuffer& buffer) { kernel.encode(buffer, *source, *destination); });
    return bytesOf(*destination);
}

TEST(ImageThresholdBinaryTest, DefaultGreyIsRec709Luma) {
    EXPECT_EQ(ImageThresholdBinary(device(), 0.5f, 1.0f, nullptr).linearGrayColorTransform(),
              (std::array<float, 3>{0.2126f, 0.7152f, 0.0722f}));
    const auto above = [](float threshold, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        ImageThresholdBinary kernel(device(), threshold, 1.0f, nullptr);
        return thresholdOf(r, g, b, 255, kernel)[0] == 255;
    };
    // Pure primaries sit just above and below their weight.
    EXPECT_TRUE(above(0.212f, 255, 0, 0));
    EXPECT_FALSE(above(0.213f, 255, 0, 0));
    EXPECT_TRUE(above(0.715f, 0, 255, 0));
    EXPECT_FALSE(above(0.716f, 0, 255, 0));
    EXPECT_TRUE(above(0.072f, 0, 0, 255));
    EXPECT_FALSE(above(0.073f, 0, 0, 255));
}

TEST(ImageThresholdBinaryTest, GreyEqualToTheThresholdGivesZero) {
    const float onlyRed[3] = {1.0f, 0.0f, 0.0f};
    ImageThresholdBinary kernel(device(), 51.0f / 255.0f, 1.0f, onlyRed);
    EXPECT_EQ(thresholdOf(51, 255, 255, 255, kernel), Bytes(4, 0));
    EXPECT_EQ(thresholdOf(52, 0, 0, 0, kernel), Bytes(4, 255));

    // The blur test's own threshold, 0.11, lies between the bytes 28 and 29.
    ImageThresholdBinary blur(device(), 0.11f, 1.0f, nullptr);
    EXPECT_EQ(thresholdOf(28, 28, 28, 255, blur), Bytes(4, 0));
    EXPECT_EQ(thresholdOf(29, 29, 29, 255, blur), Bytes(4, 255));
}

TEST(ImageThresholdBinaryTest, WritesTheMaximumToEveryChannelAndIgnoresSourceAlpha) {
    ImageThresholdBinary half(device(), 0.1f, 0.5f, nullptr);
    EXPECT_EQ(thresholdOf(200, 200, 200, 0, half), Bytes(4, 128));  // 127.5, ties to even
    // 2.5 lies halfway between two bytes and goes to the even one.
    ImageThresholdBinary tie(device(), 0.1f, 2.5f / 255.0f, nullptr);
    EXPECT_EQ(thresholdOf(200, 200, 200, 0, tie), Bytes(4, 2));
    ImageThresholdBinary over(device(), 0.1f, 3.0f, nullptr);
    EXPECT_EQ(thresholdOf(200, 200, 200, 0, over), Bytes(4, 255));
    ImageThresholdBinary negative(device(), 0.1f, -1.0f, nullptr);
    EXPECT_EQ(thresholdOf(200, 200, 200, 255, negative), Bytes(4, 0));
    ImageThresholdBinary nan(device(), 0.1f, std::numeric_limits<float>::quiet_NaN(), nullptr);
    EXPECT_EQ(thresholdOf(200, 200, 200, 255, nan), Bytes(4, 0));
}

TEST(ImageThresholdBinaryTest, LargerDestinationReadsByTheEdgeMode) {
    auto source = textureWith(1, 1, {255, 255, 255, 255});
    ImageThresholdBinary kernel(device(), 0.5f, 1.0f, nullptr);
    auto destination = emptyTexture(2, 1);
    run([&](CommandBuffer& buffer) { kernel.encode(buffer, *source, *destination); });
    EXPECT_EQ(bytesOf(*destination), Bytes(8, 255));

    kernel.setEdgeMode(ImageEdgeMode::zero);
    run([&](CommandBuffer& buffer) { kernel.encode(buffer, *source, *destination); });
    EXPECT_EQ(bytesOf(*destination), (Bytes{255, 255, 255, 255, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace platform
