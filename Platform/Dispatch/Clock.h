#pragma once

#include <chrono>
#include <memory>

namespace quorvel::platform {

class ClockObserver;
class ManualClock;

// The one time base of the system: every deadline, delay and timer is measured on it.
using Duration = std::chrono::steady_clock::duration;
using TimePoint = std::chrono::steady_clock::time_point;

// Converts any chrono duration (including floating-point seconds such as 0.2s) to a Duration,
// rounding up so that delayed work never runs early.
template <class Rep, class Period>
constexpr Duration toDuration(std::chrono::duration<Rep, Period> duration) {
    return std::chrono::ceil<Duration>(duration);
}

// Process-wide monotonic clock. By default it reads std::chrono::steady_clock; tests install a
// ManualClock so that time only moves when they say so. now() may be called from any thread.
//
// Changing the time base (install, reset, or advancing/setting the installed manual clock) tells
// every registered ClockObserver, which is how the main run loop and the background queues learn
// that delayed work or timers may have become due.
class Clock {
public:
    Clock() = delete;

    static TimePoint now();

    // Makes `clock` the time base of the process. Passing nullptr is the same as reset().
    static void install(std::shared_ptr<ManualClock> clock);
    // Goes back to the real steady clock.
    static void reset();
    // The installed manual clock, or nullptr while the real clock is in use.
    static std::shared_ptr<ManualClock> installed();
    static bool isManual();

    // Registers an observer; it is dropped automatically once it expires.
    static void addObserver(std::weak_ptr<ClockObserver> observer);

private:
    friend class ManualClock;
    static void notifyObservers();
};

}  // namespace quorvel::platform
