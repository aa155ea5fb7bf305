#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/ClockObserver.h"
#include "Platform/Dispatch/ManualClock.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

class CountingObserver : public ClockObserver {
public:
    void clockDidChange() override { ++changes; }
    std::atomic<int> changes{0};
};

TEST(ClockTest, ReadsTheRealSteadyClockByDefault) {
    ASSERT_FALSE(Clock::isManual());
    const TimePoint before = std::chrono::steady_clock::now();
    const TimePoint reading = Clock::now();
    EXPECT_GE(reading, before);
    EXPECT_LE(reading, std::chrono::steady_clock::now());
}

TEST(ClockTest, ManualClockOnlyMovesWhenTold) {
    const TimePoint start{std::chrono::hours(1)};
    ScopedManualClock clock(start);
    EXPECT_TRUE(Clock::isManual());
    EXPECT_EQ(Clock::now(), start);
    EXPECT_EQ(Clock::now(), start);

    clock.advance(250ms);
    EXPECT_EQ(Clock::now(), start + 250ms);

    clock.advance(std::chrono::duration<double>(0.5));
    EXPECT_EQ(Clock::now(), start + 750ms);

    clock.set(start + 10s);
    EXPECT_EQ(Clock::now(), start + 10s);
}

TEST(ClockTest, ManualClockNeverRunsBackwardsThroughAdvance) {
    ScopedManualClock clock;
    const TimePoint before = Clock::now();
    clock.advance(-5s);
    EXPECT_EQ(Clock::now(), before);
}

TEST(ClockTest, ScopedManualClocksRestoreWhatWasInstalledBefore) {
    {
        ScopedManualClock outer(TimePoint{1h});
        {
            ScopedManualClock inner(TimePoint{2h});
            EXPECT_EQ(Clock::now(), TimePoint{2h});
            EXPECT_EQ(Clock::installed().get(), &inner.clock());
        }
        EXPECT_EQ(Clock::now(), TimePoint{1h});
        EXPECT_EQ(Clock::installed().get(), &outer.clock());
    }
    EXPECT_FALSE(Clock::isManual());
    EXPECT_EQ(Clock::installed(), nullptr);
}

TEST(ClockTest, ObserversHearAboutChangesOfTheInstalledClockOnly) {
    auto observer = std::make_shared<CountingObserver>();
    Clock::addObserver(observer);

    auto loose = std::make_shared<ManualClock>();
    loose->advance(1s);
    EXPECT_EQ(observer->changes, 0);

    Clock::install(loose);
    EXPECT_EQ(observer->changes, 1);
    loose->advance(1s);
    EXPECT_EQ(observer->changes, 2);
    loose->set(loose->now() + 1s);
    EXPECT_EQ(observer->changes, 3);
    Clock::reset();
    EXPECT_EQ(observer->changes, 4);
}

TEST(ClockTest, ExpiredObserversAreForgotten) {
    auto observer = std::make_shared<CountingObserver>();
    Clock::addObserver(observer);
    std::weak_ptr<CountingObserver> weak = observer;
    observer.reset();
    ScopedManualClock clock;
    clock.advance(1s);  // must not touch the destroyed observer
    EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace platform
