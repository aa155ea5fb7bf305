#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/ClockObserver.h"
#include "Platform/Dispatch/ManualClock.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

class CountingObserver : public ClockObserver {
public:
    void clockDidChange() override { ++changes; }
    std::atomic<int> changes{0};
};

TEST(ClockTest, ManualClocksOnlyMoveWhenToldAndScopesRestoreWhatWasBefore) {
    const TimePoint before = std::chrono::steady_clock::now();
    ASSERT_FALSE(Clock::isManual());
    EXPECT_GE(Clock::now(), before);
    {
        const TimePoint start{1h};
        ScopedManualClock outer(start);
        EXPECT_EQ(Clock::now(), start);
        outer.advance(250ms);
        outer.advance(std::chrono::duration<double>(0.5));
        outer.advance(-5s);  // never backwards through advance()
        EXPECT_EQ(Clock::now(), start + 750ms);
        {
            ScopedManualClock inner(TimePoint{2h});
            EXPECT_EQ(Clock::installed().get(), &inner.clock());
            inner.set(TimePoint{30min});  // set() may go back
            EXPECT_EQ(Clock::now(), TimePoint{30min});
        }
        EXPECT_EQ(Clock::now(), start + 750ms);
        EXPECT_EQ(Clock::installed().get(), &outer.clock());
    }
    EXPECT_FALSE(Clock::isManual());
    EXPECT_EQ(Clock::installed(), nullptr);
    const TimePoint reading = Clock::now();
    EXPECT_LE(reading, std::chrono::steady_clock::now());
}

TEST(ClockTest, ObserversHearAboutChangesOfTheInstalledClockOnlyWhileTheyLive) {
    auto observer = std::make_shared<CountingObserver>();
    Clock::addObserver(observer);
    auto expired = std::make_shared<CountingObserver>();
    Clock::addObserver(expired);
    expired.reset();  // must not be touched once destroyed

    auto loose = std::make_shared<ManualClock>();
    loose->advance(1s);
    EXPECT_EQ(observer->changes, 0);
    Clock::install(loose);
    loose->advance(1s);
    loose->set(loose->now() + 1s);
    Clock::reset();
    EXPECT_EQ(observer->changes, 4);
}

}  // namespace
}  // namespace quorvel::platform
