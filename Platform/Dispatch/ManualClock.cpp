#include "Platform/Dispatch/ManualClock.h"

namespace quorvel::platform {

ManualClock::ManualClock(TimePoint start) : ticks_(start.time_since_epoch().count()) {}

TimePoint ManualClock::now() const {
    return TimePoint(Duration(ticks_.load(std::memory_order_acquire)));
}

void ManualClock::advance(Duration duration) {
    if (duration <= Duration::zero()) {
        return;
    }
    ticks_.fetch_add(duration.count(), std::memory_order_acq_rel);
    didChange();
}

void ManualClock::set(TimePoint time) {
    ticks_.store(time.time_since_epoch().count(), std::memory_order_release);
    didChange();
}

void ManualClock::didChange() const {
    // Only the installed clock drives the queues; a clock that is not installed just keeps time.
    if (Clock::installed().get() == this) {
        Clock::notifyObservers();
    }
}

}  // namespace quorvel::platform
