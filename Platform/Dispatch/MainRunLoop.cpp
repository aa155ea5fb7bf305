#include "Platform/Dispatch/MainRunLoop.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Dispatch/ClockObserver.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Dispatch/WorkList.h"

namespace quorvel::platform {
namespace {

using Block = std::function<void()>;
using RealClock = std::chrono::steady_clock;

constexpr Duration kPredicatePollInterval = std::chrono::milliseconds(2);

struct LoopState final : ClockObserver {
    std::mutex mutex;
    std::condition_variable wake;
    WorkList work;
    std::vector<std::shared_ptr<Timer>> timers;
    // Bumped on every event that may give the loop something to do.
    std::uint64_t generation = 0;
    bool stopRequested = false;

    std::atomic<std::uint64_t> turns{0};
    std::atomic<std::thread::id> driver{};
    std::atomic<std::thread::id> mainThread{};
    std::shared_ptr<const EventPump> pump;

    void clockDidChange() override {
        std::shared_ptr<const EventPump> toWake;
        {
            std::lock_guard lock(mutex);
            // Blocks that the change made due join the queue now, ahead of anything submitted
            // later.
            work.promoteDue(Clock::now());
            ++generation;
            toWake = pump;
        }
        notify(toWake);
    }

    // Wakes a waiting driver, whether it sleeps on the condition variable or inside the pump.
    void notify(const std::shared_ptr<const EventPump>& toWake) {
        wake.notify_all();
        if (toWake && toWake->wake) {
            toWake->wake();
        }
    }
};

// Never destroyed: other threads may post to the main queue while the process exits.
LoopState& loop() {
    static auto* const instance = [] {
        auto* state = new std::shared_ptr<LoopState>(std::make_shared<LoopState>());
        Clock::addObserver(*state);
        return state;
    }();
    return **instance;
}

thread_local int driveDepth = 0;

// Claims the run loop for the calling thread; nested claims by the same thread are allowed.
class DriveScope {
public:
    DriveScope() {
        LoopState& state = loop();
        if (driveDepth > 0) {
            ++driveDepth;
            acquired_ = true;
            return;
        }
        std::thread::id expected{};
        const std::thread::id self = std::this_thread::get_id();
        if (state.driver.compare_exchange_strong(expected, self)) {
            state.mainThread.store(self);
            driveDepth = 1;
            acquired_ = true;
        }
    }
    ~DriveScope() {
        if (acquired_ && --driveDepth == 0) {
            loop().driver.store(std::thread::id{});
        }
    }
    DriveScope(const DriveScope&) = delete;
    DriveScope& operator=(const DriveScope&) = delete;

    explicit operator bool() const { return acquired_; }

private:
    bool acquired_ = false;
};

std::uint64_t newTurn() {
    return ++loop().turns;
}

bool consumeStop() {
    LoopState& state = loop();
    std::lock_guard lock(state.mutex);
    return std::exchange(state.stopRequested, false);
}

std::shared_ptr<const EventPump> currentPump() {
    LoopState& state = loop();
    std::lock_guard lock(state.mutex);
    return state.pump;
}

// Delivers the pump's pending events; false without a pump.
bool deliverPendingEvents() {
    const auto pump = currentPump();
    return pump && pump->deliverPending && pump->deliverPending();
}

}  // namespace

// Runs one due block or fires one due timer. When there is nothing to do, returns false and
// stores the generation seen at that moment, so that a later wait notices anything new.
bool MainRunLoop::runOne(std::uint64_t turn, std::uint64_t& idleGeneration) {
    LoopState& state = loop();
    std::unique_lock lock(state.mutex);
    const TimePoint now = Clock::now();
    state.work.promoteDue(now);
    if (state.work.hasReady()) {
        Block block = state.work.popReady();
        lock.unlock();
        block();
        block = nullptr;
        return true;
    }

    std::shared_ptr<Timer> due;
    TimePoint dueDate{};
    for (const auto& timer : state.timers) {
        std::lock_guard timerLock(timer->mutex_);
        if (!timer->valid_ || timer->fireDate_ > now || timer->lastFiredTurn_ == turn) {
            continue;
        }
        if (!due || timer->fireDate_ < dueDate ||
            (timer->fireDate_ == dueDate && timer->sequence_ < due->sequence_)) {
            due = timer;
            dueDate = timer->fireDate_;
        }
    }
    if (!due) {
        idleGeneration = state.generation;
        return false;
    }

    std::shared_ptr<const Timer::Block> block;
    std::shared_ptr<Timer> removed;
    {
        std::lock_guard timerLock(due->mutex_);
        due->lastFiredTurn_ = turn;
        block = due->block_;
        if (due->repeats_) {
            TimePoint next = due->fireDate_ + due->interval_;
            if (next <= now) {
                // Missed fires are coalesced into this one.
                next = now + due->interval_;
            }
            due->fireDate_ = next;
        }
    }
    if (!due->repeats_) {
        // Off the schedule before it fires, so it cannot fire twice.
        auto it = std::find(state.timers.begin(), state.timers.end(), due);
        if (it != state.timers.end()) {
            removed = std::move(*it);
            state.timers.erase(it);
        }
    }
    lock.unlock();

    if (block && *block) {
        (*block)(*due);
    }
    if (!due->repeats_) {
        due->invalidate();
    }
    return true;
}

// Sleeps until something may have become due: new work, a clock change, a stop request, or (on
// the real clock) the next deadline; never beyond `limit`, a real-time point.
void MainRunLoop::waitForWork(std::uint64_t idleGeneration, std::optional<TimePoint> limit) {
    LoopState& state = loop();
    std::unique_lock lock(state.mutex);
    std::optional<TimePoint> wakeAt = limit;
    if (!Clock::isManual()) {
        const auto consider = [&wakeAt](TimePoint date) {
            if (!wakeAt || date < *wakeAt) {
                wakeAt = date;
            }
        };
        if (auto deadline = state.work.nextDeadline()) {
            consider(*deadline);
        }
        for (const auto& timer : state.timers) {
            std::lock_guard timerLock(timer->mutex_);
            if (timer->valid_) {
                consider(timer->fireDate_);
            }
        }
    }
    const auto changed = [&] { return state.generation != idleGeneration; };
    if (state.pump) {
        if (changed() || !state.pump->waitForEvents) {
            return;
        }
        const auto pump = state.pump;
        lock.unlock();
        std::optional<Duration> timeout;
        if (wakeAt) {
            timeout = std::max(Duration::zero(), *wakeAt - RealClock::now());
        }
        // Anything that bumps the generation from now on also wakes the pump.
        pump->waitForEvents(timeout);
        return;
    }
    if (wakeAt) {
        state.wake.wait_until(lock, *wakeAt, changed);
    } else {
        state.wake.wait(lock, changed);
    }
}

void MainRunLoop::run() {
    DriveScope scope;
    if (!scope) {
        return;
    }
    for (;;) {
        const std::uint64_t turn = newTurn();
        std::uint64_t idleGeneration = 0;
        for (;;) {
            if (consumeStop()) {
                return;
            }
            if (!runOne(turn, idleGeneration)) {
                break;
            }
        }
        if (deliverPendingEvents()) {
            continue;
        }
        // A stop() after the idle check bumps the generation, so the wait returns at once and the
        // next turn sees the request.
        waitForWork(idleGeneration, std::nullopt);
    }
}

void MainRunLoop::stop() {
    LoopState& state = loop();
    std::shared_ptr<const EventPump> pump;
    {
        std::lock_guard lock(state.mutex);
        state.stopRequested = true;
        ++state.generation;
        pump = state.pump;
    }
    state.notify(pump);
}

std::size_t MainRunLoop::runUntilIdle() {
    DriveScope scope;
    if (!scope) {
        return 0;
    }
    std::uint64_t turn = newTurn();
    std::uint64_t idleGeneration = 0;
    std::size_t count = 0;
    for (int rounds = 0;; ++rounds) {
        while (runOne(turn, idleGeneration)) {
            ++count;
        }
        if (rounds == maxPumpRounds || !deliverPendingEvents()) {
            return count;
        }
        turn = newTurn();
    }
}

bool MainRunLoop::runUntil(const std::function<bool()>& predicate, Duration timeout) {
    DriveScope scope;
    if (!scope) {
        return predicate();
    }
    const RealClock::time_point limit = RealClock::now() + timeout;
    std::uint64_t turn = newTurn();
    for (;;) {
        if (predicate()) {
            return true;
        }
        std::uint64_t idleGeneration = 0;
        const bool ran = runOne(turn, idleGeneration);
        const bool delivered = !ran && deliverPendingEvents();
        // Checked whether or not there was work: work that never runs out (a running animation's
        // repaints, a timer due at every step of a test's clock) must not hold the caller.
        if (RealClock::now() >= limit) {
            return predicate();
        }
        if (ran) {
            continue;
        }
        if (delivered) {
            turn = newTurn();
            continue;
        }
        // Wake up now and then even without news, so that a predicate watching state changed by
        // other threads (not through the main queue) is seen soon.
        waitForWork(idleGeneration, std::min(limit, RealClock::now() + kPredicatePollInterval));
        turn = newTurn();
    }
}

bool MainRunLoop::isCurrent() {
    const std::thread::id mainThread = loop().mainThread.load();
    if (mainThread == std::thread::id{}) {
        // Nothing has driven the loop yet: the process's initial thread is the main thread.
        return gettid() == getpid();
    }
    return mainThread == std::this_thread::get_id();
}

std::size_t MainRunLoop::discardPendingWork() {
    LoopState& state = loop();
    std::vector<Block> blocks;
    std::vector<std::shared_ptr<Timer>> timers;
    {
        std::lock_guard lock(state.mutex);
        blocks = state.work.takeAll();
        timers = std::move(state.timers);
        state.timers.clear();
    }
    for (const auto& timer : timers) {
        timer->invalidate();
    }
    return blocks.size() + timers.size();
}

void MainRunLoop::setEventPump(std::optional<EventPump> pump) {
    LoopState& state = loop();
    std::shared_ptr<const EventPump> previous;
    {
        std::lock_guard lock(state.mutex);
        previous = std::exchange(
            state.pump, pump ? std::make_shared<const EventPump>(std::move(*pump)) : nullptr);
        ++state.generation;
    }
    // A driver waiting in the old pump goes back to waiting in the new one (or on the loop's own
    // condition variable).
    state.notify(previous);
}

void MainRunLoop::enqueue(std::function<void()> block) {
    LoopState& state = loop();
    std::shared_ptr<const EventPump> pump;
    {
        std::lock_guard lock(state.mutex);
        // Delayed blocks whose deadline has passed go first: they became due before this one.
        state.work.promoteDue(Clock::now());
        state.work.push(std::move(block));
        ++state.generation;
        pump = state.pump;
    }
    state.notify(pump);
}

void MainRunLoop::enqueueAfter(TimePoint deadline, std::function<void()> block) {
    LoopState& state = loop();
    std::shared_ptr<const EventPump> pump;
    {
        std::lock_guard lock(state.mutex);
        state.work.pushAfter(deadline, std::move(block));
        ++state.generation;
        pump = state.pump;
    }
    state.notify(pump);
}

void MainRunLoop::schedule(std::shared_ptr<Timer> timer) {
    LoopState& state = loop();
    std::shared_ptr<const EventPump> pump;
    {
        std::lock_guard lock(state.mutex);
        state.timers.push_back(std::move(timer));
        ++state.generation;
        pump = state.pump;
    }
    state.notify(pump);
}

void MainRunLoop::unschedule(const Timer& timer) {
    LoopState& state = loop();
    std::vector<std::shared_ptr<Timer>> removed;
    {
        std::lock_guard lock(state.mutex);
        for (auto it = state.timers.begin(); it != state.timers.end();) {
            if (it->get() == &timer) {
                removed.push_back(std::move(*it));
                it = state.timers.erase(it);
            } else {
                ++it;
            }
        }
        ++state.generation;
    }
    state.wake.notify_all();
}

}  // namespace quorvel::platform
