// Resident memory of the benchmark process over ten thousand camera frames.

#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>

namespace benchmarks {

// Resident set size of this process, in MiB.
inline double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

// Runs `frame` ten thousand times and reports the resident memory after the first 500 (once
// caches and pools are warm), every 2000 after that, at its peak and at the end, and the growth
// between warm and end.
inline void recordResidentMemoryOverTenThousandFrames(benchmark::State& state,
                                                      const std::function<void()>& frame) {
    for (int i = 0; i < 500; ++i) frame();
    const double warm = residentMegabytes();
    double peak = warm;
    for (int i = 500; i < 10000; ++i) {
        frame();
        if (i % 500 == 0) peak = std::max(peak, residentMegabytes());
        if (i % 2000 == 0) {
            state.counters["rss_after_" + std::to_string(i) + "_MB"] = residentMegabytes();
        }
    }
    const double end = residentMegabytes();
    state.counters["rss_after_500_MB"] = warm;
    state.counters["rss_peak_MB"] = std::max(peak, end);
    state.counters["rss_after_10000_MB"] = end;
    state.counters["growth_MB"] = end - warm;
}

}  // namespace benchmarks
