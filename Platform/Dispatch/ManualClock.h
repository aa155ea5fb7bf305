#pragma once

#include <atomic>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

// A clock that only moves when told to. Install it with Clock::install (or ScopedManualClock);
// then advance() makes delayed work and timers due, and wakes the main run loop and the
// background queues so that due work runs on their next turn. Reads and writes are atomic, so
// any thread may advance the clock while others read it.
class ManualClock {
public:
    // Starts at `start`; by default at the current real time, so that deadlines computed on the
    // real clock before the switch stay meaningful.
    explicit ManualClock(TimePoint start = std::chrono::steady_clock::now());

    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    TimePoint now() const;

    // Moves the clock forward. A negative duration is ignored: the clock never runs backwards
    // through advance().
    void advance(Duration duration);

    template <class Rep, class Period>
    void advance(std::chrono::duration<Rep, Period> duration) {
        advance(toDuration(duration));
    }

    // Puts the clock at `time`, forwards or backwards. Moving it backwards postpones due work.
    void set(TimePoint time);

private:
    void didChange() const;

    std::atomic<Duration::rep> ticks_;
};

}  // namespace quorvel::platform
