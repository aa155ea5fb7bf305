#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "MainLoopTest.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Dispatch/Timer.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using testing::MainLoopTest;

class TimerTest : public MainLoopTest {
protected:
    ScopedManualClock clock_;
};

TEST_F(TimerTest, RepeatingTimerFiresOncePerInterval) {
    const TimePoint start = clock_.now();
    int fires = 0;
    auto timer = Timer::scheduled(1s, true, [&](Timer&) { ++fires; });
    EXPECT_EQ(timer->fireDate(), start + 1s);

    MainRunLoop::runUntilIdle();
    clock_.advance(999ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 0);

    clock_.advance(1ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);

    clock_.advance(1s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 2);
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
}

TEST_F(TimerTest, ALateFireKeepsTheRhythm) {
    const TimePoint start = clock_.now();
    int fires = 0;
    auto timer = Timer::scheduled(1s, true, [&](Timer&) { ++fires; });

    clock_.advance(1500ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    EXPECT_EQ(timer->fireDate(), start + 2s);

    clock_.advance(500ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 2);
    timer->invalidate();
}

TEST_F(TimerTest, MissedFiresAreCoalescedAndTheScheduleRestartsFromNow) {
    int fires = 0;
    auto timer = Timer::scheduled(1s, true, [&](Timer&) { ++fires; });

    clock_.advance(3500ms);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(fires, 1);
    EXPECT_EQ(timer->fireDate(), clock_.now() + 1s);

    clock_.advance(999ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    clock_.advance(1ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 2);
    timer->invalidate();
}

TEST_F(TimerTest, FiresOnlyWhileTheLoopIsDriven) {
    int fires = 0;
    auto timer = Timer::scheduled(1s, true, [&](Timer&) { ++fires; });
    clock_.advance(5s);
    EXPECT_EQ(fires, 0);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    timer->invalidate();
}

TEST_F(TimerTest, OneShotTimerFiresOnceAndThenIsInvalid) {
    int fires = 0;
    bool validWhileFiring = false;
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    auto timer = Timer::scheduled(2s, false, [&, sentinel](Timer& fired) {
        ++fires;
        validWhileFiring = fired.isValid();
    });
    sentinel.reset();

    clock_.advance(2s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    EXPECT_TRUE(validWhileFiring);
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(watch.expired()) << "the block is released once the timer is done";

    clock_.advance(10s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
}

TEST_F(TimerTest, InvalidatedTimerNeverFiresAndReleasesItsBlock) {
    int fires = 0;
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    auto timer = Timer::scheduled(1s, true, [&, sentinel](Timer&) { ++fires; });
    sentinel.reset();

    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(watch.expired());
    timer->invalidate();  // a second call does nothing

    clock_.advance(5s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 0);
}

TEST_F(TimerTest, TimerCanInvalidateItselfFromItsBlock) {
    int fires = 0;
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    std::weak_ptr<Timer> weakTimer = Timer::scheduled(1s, true, [&, sentinel](Timer& timer) {
        ++fires;
        timer.invalidate();
        // The block is still running: what it captured must still be there.
        EXPECT_EQ(*sentinel, 0);
    });
    sentinel.reset();

    clock_.advance(1s);
    MainRunLoop::runUntilIdle();
    clock_.advance(3s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 1);
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(weakTimer.expired()) << "once invalid, the run loop lets the timer go";
}

TEST_F(TimerTest, TheRunLoopKeepsAValidTimerAlive) {
    int fires = 0;
    std::weak_ptr<Timer> weakTimer = Timer::scheduled(1s, true, [&](Timer&) { ++fires; });
    ASSERT_FALSE(weakTimer.expired());

    clock_.advance(1s);
    MainRunLoop::runUntilIdle();
    clock_.advance(1s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(fires, 2);

    weakTimer.lock()->invalidate();
    EXPECT_TRUE(weakTimer.expired());
}

TEST_F(TimerTest, TimersFireInFireDateOrder) {
    std::vector<std::string> order;
    auto late = Timer::scheduled(2s, false, [&](Timer&) { order.push_back("late"); });
    auto early = Timer::scheduled(1s, false, [&](Timer&) { order.push_back("early"); });
    auto tie = Timer::scheduled(1s, false, [&](Timer&) { order.push_back("tie"); });
    clock_.advance(3s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"early", "tie", "late"}));
}

TEST_F(TimerTest, ARepeatingTimerFiresAtMostOncePerTurn) {
    int fires = 0;
    // The block moves the clock past the next fire date; the timer waits for the next turn.
    auto timer = Timer::scheduled(1s, true, [&](Timer&) {
        ++fires;
        clock_.advance(5s);
    });
    clock_.advance(1s);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(fires, 2);
    timer->invalidate();
}

TEST_F(TimerTest, ScheduledFromAnotherThreadFiresOnTheMainThread) {
    bool firedOnMain = false;
    bool fired = false;
    std::shared_ptr<Timer> timer;
    std::thread([&] {
        timer = Timer::scheduled(1s, false, [&](Timer&) {
            firedOnMain = DispatchQueue::isMainThread();
            fired = true;
        });
    }).join();
    clock_.advance(1s);
    EXPECT_TRUE(driveUntil([&] { return fired; }));
    EXPECT_TRUE(firedOnMain);
}

TEST_F(TimerTest, NonPositiveIntervalsAreRaisedToTheMinimum) {
    auto timer = Timer::scheduled(0s, true, [](Timer&) {});
    EXPECT_EQ(timer->interval(), Timer::kMinimumInterval);
    timer->invalidate();
}

TEST(RealClockTimerTest, RepeatingTimerFiresWhileTheLoopWaits) {
    MainRunLoop::discardPendingWork();
    int fires = 0;
    auto timer = Timer::scheduled(1ms, true, [&](Timer&) { ++fires; });
    EXPECT_TRUE(MainRunLoop::runUntil([&] { return fires >= 3; }, std::chrono::seconds(20)));
    timer->invalidate();
}

}  // namespace
}  // namespace platform
