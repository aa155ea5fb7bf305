#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/PictureMemory.h"

namespace {

using quorvel::platform::Bitmap;
using quorvel::platform::PictureMemory;

constexpr std::size_t kPhoto = 48u << 20;

TEST(PictureMemory, AFreedPictureBlockIsHandedOutAgain) {
    PictureMemory::releaseKept();
    auto first = PictureMemory::take(kPhoto);
    ASSERT_TRUE(first);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first.get()) % PictureMemory::alignment, 0u);
    std::uint8_t* const address = first.get();
    first.reset();
    auto second = PictureMemory::take(kPhoto - 1000);
    EXPECT_EQ(second.get(), address);
}

TEST(PictureMemory, ABlockIsNotHandedOutForARequestItWouldMostlyWaste) {
    PictureMemory::releaseKept();
    auto large = PictureMemory::take(kPhoto);
    std::uint8_t* const address = large.get();
    large.reset();
    auto small = PictureMemory::take(kPhoto / 2);
    EXPECT_NE(small.get(), address);
    auto again = PictureMemory::take(kPhoto);
    EXPECT_EQ(again.get(), address);
}

TEST(PictureMemory, OnlySoManyBlocksAreKept) {
    PictureMemory::releaseKept();
    std::vector<PictureMemory::Block> blocks;
    for (std::size_t i = 0; i < PictureMemory::maximumKeptBlocks + 2; ++i) {
        blocks.push_back(PictureMemory::take(PictureMemory::minimumKeptSize));
    }
    std::uint8_t* const oldest = blocks.front().get();
    std::uint8_t* const newest = blocks.back().get();
    blocks.clear();  // given back in order: the first two are let go
    std::vector<std::uint8_t*> handedOut;
    for (std::size_t i = 0; i < PictureMemory::maximumKeptBlocks; ++i) {
        blocks.push_back(PictureMemory::take(PictureMemory::minimumKeptSize));
        handedOut.push_back(blocks.back().get());
    }
    EXPECT_NE(std::find(handedOut.begin(), handedOut.end(), newest), handedOut.end());
    EXPECT_EQ(std::find(handedOut.begin(), handedOut.end(), oldest), handedOut.end());
    PictureMemory::releaseKept();
}

TEST(PictureMemory, KeptBlocksStayWithinTheByteLimitTheOldestGivenBackFirst) {
    PictureMemory::releaseKept();
    constexpr std::size_t half = PictureMemory::maximumKeptBytes / 2;
    static_assert(half % PictureMemory::alignment == 0 && half >= PictureMemory::minimumKeptSize);
    std::vector<PictureMemory::Block> blocks;
    for (int i = 0; i < 3; ++i) {
        blocks.push_back(PictureMemory::take(half));
        ASSERT_TRUE(blocks.back());
    }
    std::uint8_t* const oldest = blocks[0].get();
    const std::vector<std::uint8_t*> newer = {blocks[1].get(), blocks[2].get()};
    blocks.clear();  // given back in order: only the two newer fit
    EXPECT_EQ(PictureMemory::keptBytes(), PictureMemory::maximumKeptBytes);

    std::vector<std::uint8_t*> handedOut;
    for (int i = 0; i < 2; ++i) {
        blocks.push_back(PictureMemory::take(half));
        handedOut.push_back(blocks.back().get());
    }
    EXPECT_TRUE(std::is_permutation(handedOut.begin(), handedOut.end(), newer.begin()));
    EXPECT_EQ(std::count(handedOut.begin(), handedOut.end(), oldest), 0);
    EXPECT_EQ(PictureMemory::keptBytes(), 0u);
    blocks.clear();

    // A block larger than the limit is never kept, and takes nothing from what is.
    PictureMemory::take(PictureMemory::maximumKeptBytes + PictureMemory::alignment).reset();
    EXPECT_EQ(PictureMemory::keptBytes(), PictureMemory::maximumKeptBytes);
    PictureMemory::releaseKept();
    EXPECT_EQ(PictureMemory::keptBytes(), 0u);
}

TEST(PictureMemory, AClearedBitmapIsClearEvenOnReusedMemory) {
    PictureMemory::releaseKept();
    {
        auto dirty = Bitmap::makeForOverwrite(2048, 2048);
        ASSERT_TRUE(dirty);
        std::fill_n(dirty->mutableData(), dirty->byteCount(), std::uint8_t{0xAB});
    }
    const auto clean = Bitmap::make(2048, 2048);
    ASSERT_TRUE(clean);
    for (std::size_t i = 0; i < clean->byteCount(); i += 4093) {
        ASSERT_EQ(clean->data()[i], 0) << i;
    }
}

}  // namespace
