#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "MainLoopTest.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/EventPump.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

// A window system in miniature: a queue of events (closures) that other threads may post to, a
// wait that returns when an event is posted or the pump is woken, and a record of what the run
// loop asked of it.
class FakeWindowSystem {
public:
    void post(std::function<void()> event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        changed_.notify_all();
    }

    EventPump pump() {
        return EventPump{
            [this] { return deliver(); },
            [this](std::optional<Duration> timeout) { wait(timeout); },
            [this] {
                {
                    std::lock_guard lock(mutex_);
                    woken_ = true;
                    ++wakes_;
                }
                changed_.notify_all();
            },
        };
    }

    int wakes() const {
        std::lock_guard lock(mutex_);
        return wakes_;
    }
    int waits() const {
        std::lock_guard lock(mutex_);
        return waits_;
    }
    std::vector<std::optional<Duration>> timeouts() const {
        std::lock_guard lock(mutex_);
        return timeouts_;
    }

private:
    bool deliver() {
        std::deque<std::function<void()>> events;
        {
            std::lock_guard lock(mutex_);
            events.swap(events_);
        }
        for (auto& event : events) {
            event();
        }
        return !events.empty();
    }

    void wait(std::optional<Duration> timeout) {
        std::unique_lock lock(mutex_);
        ++waits_;
        timeouts_.push_back(timeout);
        const auto ready = [this] { return woken_ || !events_.empty(); };
        if (timeout) {
            changed_.wait_for(lock, *timeout, ready);
        } else {
            changed_.wait(lock, ready);
        }
        woken_ = false;
        lock.unlock();
        deliver();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> events_;
    bool woken_ = false;
    int wakes_ = 0;
    int waits_ = 0;
    std::vector<std::optional<Duration>> timeouts_;
};

class EventPumpTest : public testing::MainLoopTest {
protected:
    void SetUp() override {
        MainLoopTest::SetUp();
        MainRunLoop::setEventPump(windowSystem.pump());
    }
    void TearDown() override {
        MainRunLoop::setEventPump(std::nullopt);
        MainLoopTest::TearDown();
    }

    std::function<void()> note(std::string entry) {
        return [this, entry] {
            std::lock_guard lock(orderMutex);
            order.push_back(entry);
        };
    }
    std::vector<std::string> recorded() {
        std::lock_guard lock(orderMutex);
        return order;
    }

    FakeWindowSystem windowSystem;
    std::shared_ptr<DispatchQueue> main = DispatchQueue::main();
    std::mutex orderMutex;
    std::vector<std::string> order;
};

TEST_F(EventPumpTest, RunUntilIdleRunsDueBlocksThenEventsThenWhatTheEventsQueued) {
    main->async([this] {
        note("block 1")();
        windowSystem.post([this] {
            note("event posted by block 1")();
            main->async(note("block queued by that event"));
        });
    });
    windowSystem.post(note("event 1"));
    main->async(note("block 2"));

    EXPECT_EQ(MainRunLoop::runUntilIdle(), 3u);
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"block 1", "block 2", "event 1", "event posted by block 1",
                                        "block queued by that event"}));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
}

TEST_F(EventPumpTest, RunUntilIdleGivesUpOnAnEventSourceThatIsAlwaysReady) {
    int deliveries = 0;
    const auto alwaysReady = [&] {
        ++deliveries;
        return true;
    };
    MainRunLoop::setEventPump(EventPump{alwaysReady, nullptr, nullptr});
    main->async(note("block"));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(deliveries, MainRunLoop::maxPumpRounds);
}

TEST_F(EventPumpTest, PostingWorkFromAnyThreadWakesThePump) {
    const int before = windowSystem.wakes();
    std::thread([this] { main->async(note("from a worker")); }).join();
    main->asyncAfter(1s, note("later"));
    EXPECT_EQ(windowSystem.wakes(), before + 2);
}

TEST_F(EventPumpTest, RunSleepsInThePumpUntilWorkArrivesAndStopsWhenAsked) {
    std::thread worker([this] {
        // Waits for the loop to be asleep in the pump, so the post has to wake it.
        while (windowSystem.waits() == 0) {
            std::this_thread::yield();
        }
        windowSystem.post(note("event from the worker"));
        main->async([this] {
            note("block from the worker")();
            MainRunLoop::stop();
        });
    });
    MainRunLoop::run();
    worker.join();
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"event from the worker", "block from the worker"}));
    for (const auto& timeout : windowSystem.timeouts()) {
        EXPECT_FALSE(timeout.has_value()) << "nothing was due, so the wait had no limit";
    }
}

TEST_F(EventPumpTest, RunWaitsNoLongerThanTheNextDelayedBlock) {
    main->asyncAfter(30ms, [this] {
        note("delayed")();
        MainRunLoop::stop();
    });
    MainRunLoop::run();
    EXPECT_EQ(recorded(), std::vector<std::string>{"delayed"});
    const auto timeouts = windowSystem.timeouts();
    ASSERT_FALSE(timeouts.empty());
    ASSERT_TRUE(timeouts.front().has_value());
    EXPECT_LE(*timeouts.front(), Duration(30ms));
}

TEST_F(EventPumpTest, RunUntilDeliversEventsWhileWaitingForThePredicate) {
    bool seen = false;
    std::thread worker([&] { windowSystem.post([&] { seen = true; }); });
    EXPECT_TRUE(driveUntil([&] { return seen; }));
    worker.join();
}

TEST_F(EventPumpTest, AdvancingTheManualClockWakesThePumpAndRunsTheBlocksItMadeDue) {
    ScopedManualClock clock;
    main->asyncAfter(2s, [this] {
        note("due")();
        MainRunLoop::stop();
    });
    std::thread worker([&] {
        while (windowSystem.waits() == 0) {
            std::this_thread::yield();
        }
        clock.advance(2s);
    });
    MainRunLoop::run();
    worker.join();
    EXPECT_EQ(recorded(), std::vector<std::string>{"due"});
}

TEST_F(EventPumpTest, WithoutAPumpNothingIsDeliveredOrWoken) {
    MainRunLoop::setEventPump(std::nullopt);
    const int wakes = windowSystem.wakes();
    windowSystem.post(note("event"));
    main->async(note("block"));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(recorded(), std::vector<std::string>{"block"});
    EXPECT_EQ(windowSystem.wakes(), wakes);
}

}  // namespace
}  // namespace quorvel::platform
