#include <gtest/gtest.h>

#include <tuple>

#include "TextureTestHelpers.h"

namespace quorvel::platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::readWriteDescriptor;

TEST(TextureTest, DescriptorsOutsideTheDeviceLimitsGiveNoTexture) {
    // The platform's numbers, which stored and logged formats rely on.
    EXPECT_EQ(static_cast<unsigned>(TexturePixelFormat::rgba8Unorm), 70u);
    EXPECT_EQ(static_cast<unsigned>(TextureUsage::shaderRead | TextureUsage::shaderWrite), 3u);

    const int limit = ComputeDevice::maximumTextureDimension;
    const auto make = [](int width, int height, TexturePixelFormat format, TextureUsage usage) {
        TextureDescriptor descriptor = readWriteDescriptor(width, height);
        descriptor.pixelFormat = format;
        descriptor.usage = usage;
        return device()->newTexture(descriptor) != nullptr;
    };
    const auto rgba = TexturePixelFormat::rgba8Unorm;
    const auto read = TextureUsage::shaderRead;
    for (auto [width, height] :
         {std::pair{0, 4}, {4, 0}, {-1, 4}, {limit + 1, 1}, {1, limit + 1}}) {
        EXPECT_FALSE(make(width, height, rgba, read)) << width << " x " << height;
    }
    EXPECT_TRUE(make(limit, 1, rgba, read));
    EXPECT_TRUE(make(1, limit, rgba, read));
    EXPECT_FALSE(make(2, 2, TexturePixelFormat::invalid, read));
    EXPECT_FALSE(make(2, 2, rgba, TextureUsage::unknown));
}

TEST(TextureTest, RegionsHonourBytesPerRowInBothDirections) {
    auto texture = device()->newTexture(readWriteDescriptor(4, 3));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(bytesOf(*texture), Bytes(48, 0));
    // A 2 × 2 block written at (1, 1) from rows 12 bytes apart (4 bytes of padding each).
    const Bytes block = {1, 2,  3,  4,  5,  6,  7,  8,  99, 99, 99, 99,
                         9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
    ASSERT_TRUE(texture->replaceRegion(TextureRegion::make2D(1, 1, 2, 2), 0, block.data(), 12));
    Bytes expected(48, 0);
    for (auto [x, y, first] : {std::tuple{1, 1, 1}, {2, 1, 5}, {1, 2, 9}, {2, 2, 13}}) {
        for (int c = 0; c < 4; ++c) {
            expected[computetest::offset(4, x, y, c)] = static_cast<std::uint8_t>(first + c);
        }
    }
    EXPECT_EQ(bytesOf(*texture), expected);

    // Reading back with a longer stride leaves the bytes between rows alone.
    Bytes out(20, 0xEE);
    ASSERT_TRUE(texture->getBytes(out.data(), 10, TextureRegion::make2D(1, 1, 2, 2), 0));
    EXPECT_EQ(out, (Bytes{1, 2,  3,  4,  5,  6,  7,  8,  0xEE, 0xEE,  //
                          9, 10, 11, 12, 13, 14, 15, 16, 0xEE, 0xEE}));
}

TEST(TextureTest, RejectedRegionsChangeNothing) {
    auto texture = device()->newTexture(readWriteDescriptor(2, 2));
    ASSERT_NE(texture, nullptr);
    const Bytes source(64, 7);
    const auto rejects = [&](TextureRegion region, int level, std::size_t bytesPerRow) {
        Bytes out(64, 1);
        const bool wrote = texture->replaceRegion(region, level, source.data(), bytesPerRow);
        const bool read = texture->getBytes(out.data(), bytesPerRow, region, level);
        return !wrote && !read && out == Bytes(64, 1);
    };
    EXPECT_TRUE(rejects(TextureRegion::make2D(1, 0, 2, 1), 0, 8));    // past the right edge
    EXPECT_TRUE(rejects(TextureRegion::make2D(0, 2, 1, 1), 0, 8));    // below the bottom
    EXPECT_TRUE(rejects(TextureRegion::make2D(-1, 0, 1, 1), 0, 8));   // negative origin
    EXPECT_TRUE(rejects(TextureRegion::make2D(0, 0, 2, 2), 0, 7));    // row longer than stride
    EXPECT_TRUE(rejects(TextureRegion::make2D(0, 0, 1, 1), 1, 8));    // no such level
    EXPECT_TRUE(rejects(TextureRegion{{0, 0, 1}, {1, 1, 1}}, 0, 8));  // z beyond a 2D texture
    EXPECT_TRUE(rejects(TextureRegion{{0, 0, 0}, {1, 1, 2}}, 0, 8));  // depth beyond it
    EXPECT_FALSE(texture->replaceRegion(TextureRegion::make2D(0, 0, 1, 1), 0, nullptr, 4));
    EXPECT_EQ(bytesOf(*texture), Bytes(16, 0));
    // An empty region is not an error.
    EXPECT_TRUE(texture->replaceRegion(TextureRegion::make2D(2, 2, 0, 0), 0, nullptr, 0));
}

TEST(TextureTest, MipmapLevelsAreSeparateImagesOfHalvedSize) {
    TextureDescriptor descriptor = readWriteDescriptor(5, 2);
    descriptor.mipmapped = true;
    auto texture = device()->newTexture(descriptor);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->mipmapLevelCount(), 3);
    EXPECT_EQ(std::pair(texture->levelWidth(1), texture->levelHeight(1)), std::pair(2, 1));
    EXPECT_EQ(std::pair(texture->levelWidth(2), texture->levelHeight(2)), std::pair(1, 1));

    const Bytes texel = {10, 20, 30, 40};
    ASSERT_TRUE(texture->replaceRegion(TextureRegion::make2D(1, 0, 1, 1), 1, texel.data(), 4));
    EXPECT_FALSE(texture->replaceRegion(TextureRegion::make2D(2, 0, 1, 1), 1, texel.data(), 4));
    Bytes level1(8);
    ASSERT_TRUE(texture->getBytes(level1.data(), 8, TextureRegion::make2D(0, 0, 2, 1), 1));
    EXPECT_EQ(level1, (Bytes{0, 0, 0, 0, 10, 20, 30, 40}));
    EXPECT_EQ(bytesOf(*texture), Bytes(40, 0));
}

}  // namespace
}  // namespace quorvel::platform
