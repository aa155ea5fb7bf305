#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

// A timer on the main run loop, standing in for a phone platform's run-loop timer.
//
// - It first fires `interval` after it was scheduled, measured on Clock, and only while the main
//   run loop is driven, on the main thread.
// - A repeating timer keeps its rhythm (start + interval, + 2 * interval, ...). When the clock has
//   jumped over several fire dates it fires once and the next fire date is counted from now, as a
//   run-loop timer coalesces missed fires.
// - A one-shot timer fires once; it stays valid during its block and is invalidated right after.
// - The run loop holds a valid timer strongly, so the caller need not keep it; invalidate() (also
//   allowed from inside the block) takes it off the run loop and releases the block with whatever
//   it captured. Invalidate from the main thread to be sure the block does not run again.
// - An interval of zero or less is raised to 0.1 ms, as the platform does.
class Timer : public std::enable_shared_from_this<Timer> {
    struct Token {};

public:
    using Block = std::function<void(Timer&)>;

    static constexpr Duration kMinimumInterval = std::chrono::microseconds(100);

    static std::shared_ptr<Timer> scheduled(Duration interval, bool repeats, Block block);

    template <class Rep, class Period>
    static std::shared_ptr<Timer> scheduled(std::chrono::duration<Rep, Period> interval,
                                            bool repeats, Block block) {
        return scheduled(toDuration(interval), repeats, std::move(block));
    }

    Timer(Token, Duration interval, bool repeats, Block block);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void invalidate();
    bool isValid() const;

    Duration interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // When the timer fires next (meaningful while it is valid).
    TimePoint fireDate() const;

private:
    friend class MainRunLoop;

    const Duration interval_;
    const bool repeats_;
    const std::uint64_t sequence_;

    mutable std::mutex mutex_;
    bool valid_ = true;
    TimePoint fireDate_;
    std::uint64_t lastFiredTurn_ = 0;
    std::shared_ptr<const Block> block_;
};

}  // namespace quorvel::platform
