#include "Platform/Dispatch/ScopedManualClock.h"

#include <utility>

namespace quorvel::platform {

ScopedManualClock::ScopedManualClock(TimePoint start)
    : clock_(std::make_shared<ManualClock>(start)), previous_(Clock::installed()) {
    Clock::install(clock_);
}

ScopedManualClock::~ScopedManualClock() {
    Clock::install(std::move(previous_));
}

}  // namespace quorvel::platform
