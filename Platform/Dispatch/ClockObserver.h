#pragma once

namespace quorvel::platform {

// Told when the time base of Clock changes: a manual clock was installed, removed, advanced or
// set. Queues and run loops waiting for a deadline use it to look at their delayed work again.
// Observers are registered weakly (Clock::addObserver) and called on the thread that changed the
// clock, with no lock of the clock held.
class ClockObserver {
public:
    virtual ~ClockObserver() = default;
    virtual void clockDidChange() = 0;
};

}  // namespace quorvel::platform
