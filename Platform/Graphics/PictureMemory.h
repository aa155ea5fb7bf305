#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quorvel::platform {

// Memory for whole pictures (bitmaps, pixel buffers), kept for reuse once freed.
//
// A block of tens of megabytes comes fresh from the system each time it is allocated, and each
// of its pages then costs a fault the first time it is written: for a 12-megapixel photo that
// is more work than decoding it. Freed blocks of at least minimumKeptSize bytes are therefore
// kept, at most maximumKeptBlocks of them and maximumKeptBytes in all (the oldest given back
// first until a freed block fits; a block larger than that is never kept), and handed out again
// for a request that they fit without wasting more than a quarter of themselves. A block given
// back leaves nothing resident. Smaller blocks come from and go back to the heap as usual. Safe
// from any thread.
class PictureMemory {
public:
    static constexpr std::size_t minimumKeptSize = std::size_t{4} << 20;
    static constexpr std::size_t maximumKeptBlocks = 6;
    // Four 12-megapixel photos' worth (46.5 MiB each): a little more than capturing,
    // straightening, previewing and cropping such photos have been measured to keep at once
    // (under 180 MiB), so that they still reuse every block they can, while a page of 100
    // megapixels (381 MiB) or more is never kept.
    static constexpr std::size_t maximumKeptBytes = std::size_t{192} << 20;
    // Every block starts at a multiple of this many bytes (a page).
    static constexpr std::size_t alignment = 4096;

    // Gives the memory back to PictureMemory, or to the heap.
    struct Release {
        std::size_t capacity = 0;
        void operator()(std::uint8_t* block) const;
    };
    using Block = std::unique_ptr<std::uint8_t[], Release>;

    PictureMemory() = delete;

    // At least `size` bytes, contents unspecified; empty when there is no memory.
    static Block take(std::size_t size);
    // Frees every kept block.
    static void releaseKept();
    // The bytes of the blocks kept for reuse now.
    static std::size_t keptBytes();
};

}  // namespace quorvel::platform
