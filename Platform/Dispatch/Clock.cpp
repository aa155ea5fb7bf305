#include "Platform/Dispatch/Clock.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "Platform/Dispatch/ClockObserver.h"
#include "Platform/Dispatch/ManualClock.h"

namespace quorvel::platform {
namespace {

// Process-wide state. It is deliberately never destroyed, so that threads still running while the
// process exits can read the time safely.
struct ClockState {
    std::atomic<bool> manual{false};
    std::mutex clockMutex;
    std::shared_ptr<ManualClock> clock;

    std::mutex observerMutex;
    std::vector<std::weak_ptr<ClockObserver>> observers;
};

ClockState& state() {
    static ClockState* const instance = new ClockState;
    return *instance;
}

}  // namespace

TimePoint Clock::now() {
    ClockState& s = state();
    if (!s.manual.load(std::memory_order_acquire)) {
        return std::chrono::steady_clock::now();
    }
    std::shared_ptr<ManualClock> clock = installed();
    return clock ? clock->now() : std::chrono::steady_clock::now();
}

void Clock::install(std::shared_ptr<ManualClock> clock) {
    ClockState& s = state();
    std::shared_ptr<ManualClock> previous;
    {
        std::lock_guard lock(s.clockMutex);
        previous = std::exchange(s.clock, std::move(clock));
        s.manual.store(s.clock != nullptr, std::memory_order_release);
    }
    notifyObservers();
    // The previous clock is released here, outside the lock.
}

void Clock::reset() {
    install(nullptr);
}

std::shared_ptr<ManualClock> Clock::installed() {
    ClockState& s = state();
    std::lock_guard lock(s.clockMutex);
    return s.clock;
}

bool Clock::isManual() {
    return state().manual.load(std::memory_order_acquire);
}

void Clock::addObserver(std::weak_ptr<ClockObserver> observer) {
    ClockState& s = state();
    std::lock_guard lock(s.observerMutex);
    std::erase_if(s.observers, [](const auto& entry) { return entry.expired(); });
    s.observers.push_back(std::move(observer));
}

void Clock::notifyObservers() {
    ClockState& s = state();
    std::vector<std::shared_ptr<ClockObserver>> alive;
    {
        std::lock_guard lock(s.observerMutex);
        std::erase_if(s.observers, [](const auto& entry) { return entry.expired(); });
        alive.reserve(s.observers.size());
        for (const auto& entry : s.observers) {
            if (auto observer = entry.lock()) {
                alive.push_back(std::move(observer));
            }
        }
    }
    // Called without the lock: an observer may take its own locks, and its release may run a
    // destructor that removes other observers.
    for (const auto& observer : alive) {
        observer->clockDidChange();
    }
}

}  // namespace quorvel::platform
