#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "MainLoopTest.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using testing::MainLoopTest;

using GlobalQueueTest = MainLoopTest;

TEST_F(GlobalQueueTest, IsOneQueuePerQualityOfService) {
    auto initiated = DispatchQueue::global(QualityOfService::userInitiated);
    EXPECT_EQ(initiated, DispatchQueue::global(QualityOfService::userInitiated));
    EXPECT_EQ(initiated->qos(), QualityOfService::userInitiated);
    EXPECT_NE(initiated, DispatchQueue::global(QualityOfService::defaultQoS));
    EXPECT_NE(initiated->label(), DispatchQueue::global(QualityOfService::utility)->label());
}

TEST_F(GlobalQueueTest, UnspecifiedMeansDefault) {
    EXPECT_EQ(DispatchQueue::global(QualityOfService::unspecified),
              DispatchQueue::global(QualityOfService::defaultQoS));
    EXPECT_EQ(DispatchQueue::global(), DispatchQueue::global(QualityOfService::defaultQoS));
}

TEST_F(GlobalQueueTest, RunsBlocksConcurrently) {
    // Each block waits until the other has started: this only finishes when both run at once.
    std::mutex mutex;
    std::condition_variable arrived;
    int started = 0;
    std::atomic<int> metTheOther{0};
    std::atomic<int> finished{0};
    auto queue = DispatchQueue::global(QualityOfService::userInitiated);
    for (int i = 0; i < 2; ++i) {
        queue->async([&] {
            {
                std::unique_lock lock(mutex);
                ++started;
                arrived.notify_all();
                if (arrived.wait_for(lock, 20s, [&] { return started == 2; })) {
                    ++metTheOther;
                }
            }
            // Last: once both have finished the test may end and take the mutex with it.
            ++finished;
        });
    }
    EXPECT_TRUE(driveUntil([&] { return finished == 2; }));
    EXPECT_EQ(metTheOther, 2);
}

TEST_F(GlobalQueueTest, BlocksRunOffTheMainThreadAndKnowTheirQueue) {
    auto queue = DispatchQueue::global(QualityOfService::utility);
    std::atomic<bool> done{false};
    bool onMain = true;
    bool current = false;
    bool otherCurrent = true;
    queue->async([&] {
        onMain = DispatchQueue::isMainThread();
        current = queue->isCurrent();
        otherCurrent = DispatchQueue::global(QualityOfService::background)->isCurrent();
        done = true;
    });
    EXPECT_TRUE(driveUntil([&] { return done.load(); }));
    EXPECT_FALSE(onMain);
    EXPECT_TRUE(current);
    EXPECT_FALSE(otherCurrent);
}

TEST_F(GlobalQueueTest, SyncRunsTheBlockOnTheCallingThread) {
    auto queue = DispatchQueue::global();
    std::thread::id ranOn;
    bool current = false;
    queue->sync([&] {
        ranOn = std::this_thread::get_id();
        current = queue->isCurrent();
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(current);
    EXPECT_FALSE(queue->isCurrent());
}

TEST_F(GlobalQueueTest, AdvancingTheClockWakesDelayedWork) {
    ScopedManualClock clock;
    bool reported = false;
    DispatchQueue::global(QualityOfService::background)->asyncAfter(3s, [&] {
        DispatchQueue::main()->async([&] { reported = true; });
    });
    clock.advance(3s);
    EXPECT_TRUE(driveUntil([&] { return reported; }));
}

}  // namespace
}  // namespace platform
