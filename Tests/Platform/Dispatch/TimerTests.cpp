#include <gtest/gtest.h>

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

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

class TimerTest : public testing::MainLoopTest {
protected:
    // Advances the clock, then drives the loop; the number of fires so far.
    int after(Duration duration) {
        clock_.advance(duration);
        MainRunLoop::runUntilIdle();
        return fires_;
    }
    std::shared_ptr<Timer> counting(Duration interval, bool repeats) {
        return Timer::scheduled(interval, repeats, [this](Timer&) { ++fires_; });
    }

    ScopedManualClock clock_;
    int fires_ = 0;
};

TEST_F(TimerTest, RepeatingTimerFiresOncePerIntervalOnlyWhileDrivenAndKeepsItsRhythm) {
    const TimePoint start = clock_.now();
    auto timer = counting(1s, true);
    EXPECT_EQ(timer->fireDate(), start + 1s);
    EXPECT_EQ(after(999ms), 0);
    clock_.advance(1ms);
    EXPECT_EQ(fires_, 0) << "advancing the clock alone must not fire";
    EXPECT_EQ(after(0s), 1);
    EXPECT_EQ(after(0s), 1);
    // Half an interval late: the next fire date stays on the rhythm.
    EXPECT_EQ(after(1500ms), 2);
    EXPECT_EQ(timer->fireDate(), start + 3s);
    EXPECT_EQ(after(500ms), 3);
    EXPECT_TRUE(timer->isValid());
    timer->invalidate();
}

TEST_F(TimerTest, MissedFiresAreCoalescedAndTheScheduleRestartsFromNow) {
    auto timer = counting(1s, true);
    clock_.advance(3500ms);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(timer->fireDate(), clock_.now() + 1s);
    EXPECT_EQ(after(999ms), 1);
    EXPECT_EQ(after(1ms), 2);
    timer->invalidate();
}

TEST_F(TimerTest, OneShotTimerFiresOnceValidDuringItsBlockThenReleasesIt) {
    bool validWhileFiring = false;
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    auto timer = Timer::scheduled(2s, false, [&, sentinel](Timer& fired) {
        ++fires_;
        validWhileFiring = fired.isValid();
    });
    sentinel.reset();
    EXPECT_EQ(after(2s), 1);
    EXPECT_TRUE(validWhileFiring);
    EXPECT_FALSE(timer->isValid());
    EXPECT_TRUE(watch.expired()) << "the block is released once the timer is done";
    EXPECT_EQ(after(10s), 1);
}

TEST_F(TimerTest, InvalidatingFromOutsideOrInsideStopsTheTimerAndReleasesIt) {
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    auto outside = Timer::scheduled(1s, true, [&, sentinel](Timer&) { ++fires_; });
    outside->invalidate();
    outside->invalidate();  // a second call does nothing
    EXPECT_FALSE(outside->isValid());
    EXPECT_EQ(watch.use_count(), 1);

    // The run loop alone keeps a valid timer; invalidating from its block lets it go.
    std::weak_ptr<Timer> inside = Timer::scheduled(1s, true, [&, sentinel](Timer& timer) {
        ++fires_;
        if (fires_ == 2) timer.invalidate();
        EXPECT_EQ(*sentinel, 0);  // What the block captured lives while it runs.
    });
    sentinel.reset();
    EXPECT_EQ(after(1s), 1);
    EXPECT_FALSE(inside.expired());
    EXPECT_EQ(after(1s), 2);
    EXPECT_EQ(after(3s), 2);
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(inside.expired()) << "once invalid, the run loop lets the timer go";
}

TEST_F(TimerTest, TimersFireInFireDateOrderAndAtMostOncePerTurn) {
    std::vector<std::string> order;
    auto late = Timer::scheduled(2s, false, [&](Timer&) { order.push_back("late"); });
    auto early = Timer::scheduled(1s, false, [&](Timer&) { order.push_back("early"); });
    auto tie = Timer::scheduled(1s, false, [&](Timer&) { order.push_back("tie"); });
    // This one moves the clock past its next fire date each time; it waits for the next turn.
    auto hasty = Timer::scheduled(3s, true, [&](Timer&) {
        order.push_back("hasty");
        clock_.advance(5s);
    });
    clock_.advance(3s);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 4u);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_EQ(order, (std::vector<std::string>{"early", "tie", "late", "hasty", "hasty"}));
    hasty->invalidate();
}

TEST_F(TimerTest, ScheduledFromAnotherThreadFiresOnTheMainThread) {
    bool firedOnMain = false;
    std::shared_ptr<Timer> timer;
    std::thread([&] {
        timer = Timer::scheduled(1s, false, [&](Timer&) {
            firedOnMain = DispatchQueue::isMainThread();
            ++fires_;
        });
    }).join();
    clock_.advance(1s);
    EXPECT_TRUE(driveUntil([&] { return fires_ == 1; }));
    EXPECT_TRUE(firedOnMain);
}

TEST_F(TimerTest, NonPositiveIntervalsAreRaisedToTheMinimum) {
    auto timer = counting(0s, true);
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
}  // namespace quorvel::platform
