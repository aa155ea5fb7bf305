#include "Platform/Graphics/PictureMemory.h"

#include <algorithm>
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
    std::mutex mutex;
    std::vector<Kept> kept;  // oldest first
};

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
    std::uint8_t* evicted = nullptr;
    {
        Store& s = store();
        std::lock_guard lock(s.mutex);
        if (s.kept.size() >= maximumKeptBlocks) {
            evicted = s.kept.front().block;
            s.kept.erase(s.kept.begin());
        }
        s.kept.push_back({block, capacity});
    }
    std::free(evicted);
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
    }
    for (const Kept& k : kept) {
        std::free(k.block);
    }
}

}  // namespace quorvel::platform
