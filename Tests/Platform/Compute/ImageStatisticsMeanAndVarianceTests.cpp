#include <gtest/gtest.h>

#include "Platform/Compute/ImageStatisticsMeanAndVariance.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::Bytes;
using computetest::bytesOf;
using computetest::device;
using computetest::emptyTexture;
using computetest::run;
using computetest::textureWith;

TEST(ImageStatisticsMeanAndVarianceTest, WritesMeanThenPopulationVariancePerChannel) {
    // Per channel over four texels:
    //   R: 0, 0, 255, 255  → mean 0.5 (127.5 → 128), variance 0.25 (63.75 → 64)
    //   G: 255 ×4          → mean 1 (255), variance 0
    //   B: 0, 0, 0, 255    → mean 0.25 (63.75 → 64), variance 0.1875 (47.8 → 48)
    //   A: 51 ×4           → mean 0.2 (51), variance 0
    auto source = textureWith(2, 2,
                              {0, 255, 0, 51, 0, 255, 0, 51,  //
                               255, 255, 0, 51, 255, 255, 255, 51});
    auto statistics = emptyTexture(2, 1);
    run([&](CommandBuffer& buffer) {
        ImageStatisticsMeanAndVariance(device()).encode(buffer, *source, *statistics);
    });
    EXPECT_EQ(bytesOf(*statistics), (Bytes{128, 255, 64, 51, 64, 0, 48, 0}));
}

TEST(ImageStatisticsMeanAndVarianceTest, LeavesTheRestOfTheDestinationAlone) {
    auto source = textureWith(1, 1, {10, 20, 30, 40});
    auto wide = textureWith(3, 2, Bytes(24, 9));
    auto narrow = textureWith(1, 1, Bytes(4, 9));
    run([&](CommandBuffer& buffer) {
        ImageStatisticsMeanAndVariance kernel(device());
        kernel.encode(buffer, *source, *wide);
        kernel.encode(buffer, *source, *narrow);
    });
    Bytes expected(24, 9);
    const Bytes statistics = {10, 20, 30, 40, 0, 0, 0, 0};
    std::copy(statistics.begin(), statistics.end(), expected.begin());
    EXPECT_EQ(bytesOf(*wide), expected);
    EXPECT_EQ(bytesOf(*narrow), (Bytes{10, 20, 30, 40}));
}

}  // namespace
}  // namespace platform
