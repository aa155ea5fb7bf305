// Picture memory: what freed pictures leave resident, and what reusing their memory saves. A
// program of its own, so that no other benchmark's memory is counted in its resident figures.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/PictureMemory.h"
#include "ResidentMemory.h"

namespace {

using quorvel::platform::Bitmap;
using quorvel::platform::PictureMemory;

// Seven square pages made, written and freed one after another, each a little larger than the
// one before (so that none can reuse another's memory) and the last `argument 0` pixels a side.
// Reports the resident memory before the first is made and after the last is freed.
void BM_ResidentMemoryAfterSevenLargePagesFreed(benchmark::State& state) {
    const int largest = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PictureMemory::releaseKept();
        const double before = benchmarks::residentMegabytes();
        for (int page = 0; page < 7; ++page) {
            const int side = largest * (14 + page) / 20;
            auto bitmap = Bitmap::make(side, side);
            if (!bitmap) {
                state.SkipWithError("no memory for the page");
                return;
            }
            benchmark::DoNotOptimize(bitmap->mutableData());
        }
        const double after = benchmarks::residentMegabytes();
        state.counters["largest_page_MB"] =
            largest * static_cast<double>(largest) * 4 / (1024 * 1024);
        state.counters["rss_before_MB"] = before;
        state.counters["rss_after_MB"] = after;
        state.counters["kept_MB"] = after - before;
        PictureMemory::releaseKept();
    }
}
// Up to 100 megapixels, the largest picture that is decoded; up to 400 megapixels, pages
// straightened from outlines reaching far outside their pictures.
BENCHMARK(BM_ResidentMemoryAfterSevenLargePagesFreed)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// Blocks of 8 to 28 MiB (pictures of 2 to 7 megapixels), forty of them alive at a time and 160
// made in all, after a 30 MiB block was freed: the allocator then takes blocks of that size from
// its heap rather than mapping each on its own. Reports the resident memory once all are freed
// and once the kept ones are released too.
void BM_ResidentMemoryAfterMidSizeBlocksFreed(benchmark::State& state) {
    for (auto _ : state) {
        PictureMemory::releaseKept();
        const double before = benchmarks::residentMegabytes();
        {
            auto block = PictureMemory::take(std::size_t{30} << 20);
            std::memset(block.get(), 1, std::size_t{30} << 20);
        }
        PictureMemory::releaseKept();
        std::vector<PictureMemory::Block> live;
        for (int round = 0; round < 20; ++round) {
            for (int i = 0; i < 8; ++i) {
                const std::size_t size = std::size_t(8 + (round * 7 + i * 3) % 21) << 20;
                live.push_back(PictureMemory::take(size));
                std::memset(live.back().get(), 2, size);
            }
            live.erase(live.begin(), live.begin() + 6);
        }
        state.counters["rss_peak_MB"] = benchmarks::residentMegabytes();
        live.clear();
        state.counters["rss_freed_MB"] = benchmarks::residentMegabytes();
        state.counters["kept_MB"] = PictureMemory::keptBytes() / double(1 << 20);
        PictureMemory::releaseKept();
        state.counters["rss_released_MB"] = benchmarks::residentMegabytes();
        state.counters["rss_before_MB"] = before;
    }
}
BENCHMARK(BM_ResidentMemoryAfterMidSizeBlocksFreed)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// A 12-megapixel photo's pixels taken and written in full, then freed, over and over: after the
// first, the memory of the one before is reused.
void BM_TakeAndWriteA12MPPhoto(benchmark::State& state) {
    constexpr std::size_t bytes = std::size_t{4032} * 3024 * 4;
    PictureMemory::releaseKept();
    for (auto _ : state) {
        auto block = PictureMemory::take(bytes);
        std::memset(block.get(), 0x80, bytes);
        benchmark::DoNotOptimize(block.get());
    }
    PictureMemory::releaseKept();
}
BENCHMARK(BM_TakeAndWriteA12MPPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
