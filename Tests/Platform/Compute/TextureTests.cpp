#include <gtest/gtest.h>

#include "Platform/Compute/ComputeDevice.h"
#include "Platform/Compute/Texture.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::readWriteDescriptor;

TEST(TextureDescriptorTest, KeepsThePlatformNumbersAndDefaults) {
    EXPECT_EQ(static_cast<unsigned>(TexturePixelFormat::rgba8Unorm), 70u);
    EXPECT_EQ(static_cast<unsigned>(TextureUsage::shaderRead | TextureUsage::shaderWrite), 3u);

    const TextureDescriptor plain;
    EXPECT_EQ(plain.pixelFormat, TexturePixelFormat::rgba8Unorm);
    EXPECT_EQ(plain.width, 1);
    EXPECT_EQ(plain.height, 1);
    EXPECT_EQ(plain.usage, TextureUsage::shaderRead);
    EXPECT_FALSE(plain.mipmapped);

    const auto made = TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, 2, 1, false);
    EXPECT_EQ(made.width, 2);
    EXPECT_EQ(made.height, 1);
    EXPECT_EQ(made.usage, TextureUsage::shaderRead);
    EXPECT_EQ(made.mipmapLevelCount(), 1);
}

TEST(TextureTest, SizesOutsideTheDeviceLimitsGiveNoTexture) {
    const int limit = ComputeDevice::maximumTextureDimension;
    for (auto [width, height] :
         {std::pair{0, 4}, {4, 0}, {-1, 4}, {limit + 1, 1}, {1, limit + 1}}) {
        EXPECT_EQ(device()->newTexture(readWriteDescriptor(width, height)), nullptr)
            << width << " x " << height;
    }
    EXPECT_NE(device()->newTexture(readWriteDescriptor(limit, 1)), nullptr);
    EXPECT_NE(device()->newTexture(readWriteDescriptor(1, limit)), nullptr);
}

TEST(TextureTest, InvalidFormatOrNoUsageGivesNoTexture) {
    TextureDescriptor invalid = readWriteDescriptor(2, 2);
    invalid.pixelFormat = TexturePixelFormat::invalid;
    EXPECT_EQ(device()->newTexture(invalid), nullptr);

    TextureDescriptor unused = readWriteDescriptor(2, 2);
    unused.usage = TextureUsage::unknown;
    EXPECT_EQ(device()->newTexture(unused), nullptr);
}

TEST(TextureTest, NewTextureDescribesItselfAndIsZero) {
    auto texture = device()->newTexture(readWriteDescriptor(3, 2));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width(), 3);
    EXPECT_EQ(texture->height(), 2);
    EXPECT_EQ(texture->pixelFormat(), TexturePixelFormat::rgba8Unorm);
    EXPECT_EQ(texture->usage(), TextureUsage::shaderRead | TextureUsage::shaderWrite);
    EXPECT_EQ(texture->mipmapLevelCount(), 1);
    EXPECT_EQ(texture->device(), device());
    EXPECT_EQ(bytesOf(*texture), Bytes(24, 0));
}

TEST(TextureTest, RegionsHonourBytesPerRowInBothDirections) {
    auto texture = device()->newTexture(readWriteDescriptor(4, 3));
    ASSERT_NE(texture, nullptr);
    // A 2 × 2 block written at (1, 1) from rows 12 bytes apart (4 bytes of padding each).
    const Bytes block = {1, 2,  3,  4,  5,  6,  7,  8,  99, 99, 99, 99,
                         9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
    ASSERT_TRUE(texture->replaceRegion(TextureRegion::make2D(1, 1, 2, 2), 0, block.data(), 12));

    const Bytes all = bytesOf(*texture);
    const auto at = [&](int x, int y) { return all[computetest::offset(4, x, y, 0)]; };
    EXPECT_EQ(at(1, 1), 1);
    EXPECT_EQ(at(2, 1), 5);
    EXPECT_EQ(at(1, 2), 9);
    EXPECT_EQ(at(2, 2), 13);
    EXPECT_EQ(at(0, 1), 0);
    EXPECT_EQ(at(3, 2), 0);
    EXPECT_EQ(at(1, 0), 0);

    // Reading back with a longer stride leaves the bytes between rows alone.
    Bytes out(20, 0xEE);
    ASSERT_TRUE(texture->getBytes(out.data(), 10, TextureRegion::make2D(1, 1, 2, 2), 0));
    const Bytes expected = {1, 2,  3,  4,  5,  6,  7,  8,  0xEE, 0xEE,
                            9, 10, 11, 12, 13, 14, 15, 16, 0xEE, 0xEE};
    EXPECT_EQ(out, expected);
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

TEST(TextureTest, MipmapLevelsAreSeparateImages) {
    TextureDescriptor descriptor = readWriteDescriptor(5, 2);
    descriptor.mipmapped = true;
    auto texture = device()->newTexture(descriptor);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->mipmapLevelCount(), 3);
    EXPECT_EQ(texture->levelWidth(1), 2);
    EXPECT_EQ(texture->levelHeight(1), 1);
    EXPECT_EQ(texture->levelWidth(2), 1);
    EXPECT_EQ(texture->levelHeight(2), 1);

    const Bytes texel = {10, 20, 30, 40};
    ASSERT_TRUE(texture->replaceRegion(TextureRegion::make2D(1, 0, 1, 1), 1, texel.data(), 4));
    EXPECT_FALSE(texture->replaceRegion(TextureRegion::make2D(2, 0, 1, 1), 1, texel.data(), 4));
    Bytes level1(8);
    ASSERT_TRUE(texture->getBytes(level1.data(), 8, TextureRegion::make2D(0, 0, 2, 1), 1));
    EXPECT_EQ(level1, (Bytes{0, 0, 0, 0, 10, 20, 30, 40}));
    EXPECT_EQ(bytesOf(*texture), Bytes(40, 0));
}

}  // namespace
}  // namespace platform
