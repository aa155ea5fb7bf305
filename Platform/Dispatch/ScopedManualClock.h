#pragma once

#include <memory>

#include "Platform/Dispatch/ManualClock.h"

namespace quorvel::platform {

// Installs a fresh ManualClock for the lifetime of the object and puts back whatever clock was
// installed before (the real clock or an outer manual clock) when it goes away.
class ScopedManualClock {
public:
    explicit ScopedManualClock(TimePoint start = std::chrono::steady_clock::now());
    ~ScopedManualClock();

    ScopedManualClock(const ScopedManualClock&) = delete;
    ScopedManualClock& operator=(const ScopedManualClock&) = delete;

    ManualClock& clock() const { return *clock_; }
    TimePoint now() const { return clock_->now(); }

    void advance(Duration duration) { clock_->advance(duration); }

    template <class Rep, class Period>
    void advance(std::chrono::duration<Rep, Period> duration) {
        clock_->advance(duration);
    }

    void set(TimePoint time) { clock_->set(time); }

private:
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<ManualClock> previous_;
};

}  // namespace quorvel::platform
