#include "Platform/Graphics/PictureMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace quorvel::platform {

namespace {

struct Kept {
    std::uint8_t* block;
    std::size_t capacity;
};

struct Store {
    Store() { kept.reserve(PictureMemory::maximumKeptBlocks); }  // giving back never allocates

    std::mutex mutex;
    std::vector<Kept> kept;  // oldest first
    std::size_t keptBytes = 0;
};

// Frees a block of at least minimumKeptSize bytes so that its pages go back to the system. glibc
// maps a block of that size on its own (and unmaps it when freed) only above its mmap threshold,
// which it raises up to 32 MB as such blocks are freed; below it, the block comes from the heap,
// which mostly keeps it resident after it is freed. Dropping the block's pages first makes the
// two alike. The block is page-aligned and its capacity a multiple of a page, so the allocator's
// own bookkeeping, in front of the block, is left alone.
void freeLarge(std::uint8_t* block, std::size_t capacity) {
    madvise(block, capacity, MADV_DONTNEED);
    std::free(block);
}

Store& store() {
    // Never destroyed: blocks may be given back while the process exits.
    static Store* const instance = new Store;
    return *instance;
}

}  // namespace

void PictureMemory::Release::operator()(std::uint8_t* block) const {
    if (block == nullptr) {
        return;
    }
    if (capacity < minimumKeptSize) {
        std::free(block);
        return;
    }
    if (capacity > maximumKeptBytes) {
        freeLarge(block, capacity);
        return;
    }
    // The oldest blocks are let go until this one fits; they are freed outside the lock.
    std::array<Kept, maximumKeptBlocks> evicted{};
    std::size_t evictedCount = 0;
    {
        Store& s = store();
        std::lock_guard lock(s.mutex);
        while (!s.kept.empty() &&
               (s.kept.size() >= maximumKeptBlocks || s.keptBytes + capacity > maximumKeptBytes)) {
            evicted[evictedCount++] = s.kept.front();
            s.keptBytes -= s.kept.front().capacity;
            s.kept.erase(s.kept.begin());
        }
        s.kept.push_back({block, capacity});
        s.keptBytes += capacity;
    }
    for (std::size_t i = 0; i < evictedCount; ++i) {
        freeLarge(evicted[i].block, evicted[i].capacity);
    }
}

PictureMemory::Block PictureMemory::take(std::size_t size) {
    const std::size_t wanted =
        (std::max<std::size_t>(size, 1) + alignment - 1) / alignment * alignment;
    if (wanted < size) {
        return Block(nullptr, Release{});
    }
    if (wanted >= minimumKeptSize) {
        Store& s = store();
        std::lock_guard lock(s.mutex);
        // The smallest kept block that fits, unless it would waste more than a quarter of itself.
        auto best = s.kept.end();
        for (auto it = s.kept.begin(); it != s.kept.end(); ++it) {
            if (it->capacity >= wanted && it->capacity - wanted <= it->capacity / 4 &&
                (best == s.kept.end() || it->capacity < best->capacity)) {
                best = it;
            }
        }
        if (best != s.kept.end()) {
            const Kept found = *best;
            s.kept.erase(best);
            s.keptBytes -= found.capacity;
            return Block(found.block, Release{found.capacity});
        }
    }
    auto* block = static_cast<std::uint8_t*>(std::aligned_alloc(alignment, wanted));
    return Block(block, Release{block ? wanted : 0});
}

void PictureMemory::releaseKept() {
    std::vector<Kept> kept;
    {
        Store& s = store();
        std::lock_guard lock(s.mutex);
        kept.swap(s.kept);
        s.keptBytes = 0;
    }
    for (const Kept& k : kept) {
        freeLarge(k.block, k.capacity);
    }
}

std::size_t PictureMemory::keptBytes() {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.keptBytes;
}

}  // namespace quorvel::platform
