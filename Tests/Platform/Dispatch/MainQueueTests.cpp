#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "MainLoopTest.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

class MainQueueTest : public testing::MainLoopTest {
protected:
    // A block that appends `entry` to the order.
    DispatchQueue::Block note(std::string entry) {
        return [this, entry] { order.push_back(entry); };
    }

    std::shared_ptr<DispatchQueue> main = DispatchQueue::main();
    std::vector<std::string> order;
};

TEST_F(MainQueueTest, RunsNothingUntilDrivenThenEverythingInSubmissionOrder) {
    EXPECT_EQ(DispatchQueue::main(), main);
    main->async([&] {
        order.push_back("1");
        main->async(note("4"));
    });
    main->async(note("2"));
    main->async(note("3"));
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 4u);
    EXPECT_EQ(order, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
}

TEST_F(MainQueueTest, KeepsEachSubmittingThreadsOrder) {
    constexpr int kThreads = 4;
    constexpr int kBlocks = 200;
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kBlocks; ++i) {
                DispatchQueue::main()->async([&, t, i] {
                    seen[t].push_back(i);
                    ++total;
                });
            }
        });
    }
    EXPECT_TRUE(driveUntil([&] { return total == kThreads * kBlocks; }));
    for (auto& thread : threads) thread.join();
    for (const auto& blocks : seen) {
        ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kBlocks));
        EXPECT_TRUE(std::is_sorted(blocks.begin(), blocks.end()));
    }
}

TEST_F(MainQueueTest, DelayedBlocksRunOnTheNextDriveAfterTheirDeadlineInDeadlineOrder) {
    ScopedManualClock clock;
    main->asyncAfter(3s, note("3s"));
    main->asyncAfter(1s, note("1s-a"));
    main->asyncAfter(2s, note("2s"));
    main->asyncAfter(clock.now() + 1s, note("1s-b"));
    main->asyncAfter(std::chrono::duration<double>(1.0), note("1s-c"));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
    clock.advance(999ms);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);

    clock.advance(1ms);
    EXPECT_TRUE(order.empty()) << "advancing the clock alone must not run main-queue work";
    // A block submitted once the deadline has passed runs after the due ones.
    main->async(note("later"));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 4u);
    clock.advance(5s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"1s-a", "1s-b", "1s-c", "later", "2s", "3s"}));
}

TEST_F(MainQueueTest, ZeroDelayRunsOnTheSameTurn) {
    ScopedManualClock clock;
    main->async([&] { main->asyncAfter(0s, note("zero")); });
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 2u);
    EXPECT_EQ(order.size(), 1u);
}

TEST_F(MainQueueTest, DrivenLoopWakesForTheClockMovedOnAnotherThreadAndForRealTime) {
    {
        ScopedManualClock clock;
        main->asyncAfter(2s, note("manual"));
        std::thread advancer([&] { clock.advance(2s); });
        EXPECT_TRUE(driveUntil([&] { return order.size() == 1; }));
        advancer.join();
    }
    main->asyncAfter(2ms, note("real"));
    EXPECT_TRUE(driveUntil([&] { return order.size() == 2; }));
}

TEST_F(MainQueueTest, RunUntilStopsWhenThePredicateHoldsOrAfterTheTimeoutOfRealTime) {
    for (int i = 0; i < 5; ++i) main->async(note("block"));
    EXPECT_TRUE(MainRunLoop::runUntil([&] { return order.size() == 2; }, 1s));
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 3u);

    ScopedManualClock clock;
    main->asyncAfter(1s, note("delayed"));
    EXPECT_FALSE(MainRunLoop::runUntil([&] { return order.size() == 6; }, 20ms));
    EXPECT_EQ(order.size(), 5u);
}

TEST_F(MainQueueTest, RunUntilGivesUpAfterItsTimeoutEvenWhileWorkKeepsComing) {
    // A block that queues itself again for two seconds of real time.
    const auto until = std::chrono::steady_clock::now() + 2s;
    bool stillComing = true;
    std::function<void()> again = [&] {
        stillComing = std::chrono::steady_clock::now() < until;
        if (stillComing) main->async(again);
    };
    main->async(again);
    EXPECT_FALSE(MainRunLoop::runUntil([] { return false; }, 20ms));
    EXPECT_TRUE(stillComing) << "gave up only when the work ran out";
    MainRunLoop::discardPendingWork();
}

TEST_F(MainQueueTest, TheDrivingThreadIsTheMainThread) {
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(DispatchQueue::isMainThread());
    EXPECT_TRUE(MainRunLoop::isCurrent());
    EXPECT_TRUE(main->isCurrent());
    bool fromOtherThread = true;
    std::thread([&] { fromOtherThread = DispatchQueue::isMainThread(); }).join();
    EXPECT_FALSE(fromOtherThread);
    bool inBlock = false;
    main->async([&] { inBlock = DispatchQueue::isMainThread(); });
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(inBlock);
}

TEST_F(MainQueueTest, OnlyOneThreadDrivesAtATimeButABlockMayDriveItFromInside) {
    std::size_t ranByOtherThread = 99;
    main->async([&] {
        // The loop is busy on this thread: another thread's drive call must not run anything.
        std::thread([&] { ranByOtherThread = MainRunLoop::runUntilIdle(); }).join();
        main->async(note("nested"));
        MainRunLoop::runUntilIdle();
        order.push_back("outer");
    });
    main->async(note("second"));
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(ranByOtherThread, 0u);
    EXPECT_EQ(order, (std::vector<std::string>{"second", "nested", "outer"}));
}

TEST_F(MainQueueTest, SyncFromAnotherThreadRunsOnTheMainThread) {
    auto serial = DispatchQueue::makeSerial("sync-to-main");
    bool ranOnMain = false;
    std::atomic<bool> returned{false};
    serial->async([&] {
        main->sync([&] { ranOnMain = DispatchQueue::isMainThread(); });
        returned = true;
    });
    EXPECT_TRUE(driveUntil([&] { return returned.load(); }));
    EXPECT_TRUE(ranOnMain);
}

TEST_F(MainQueueTest, RunReturnsWhenStoppedFromABlockOrFromAnotherThread) {
    main->async(note("1"));
    DispatchQueue::global()->async([this] {
        main->async([this] {
            order.push_back("2");
            MainRunLoop::stop();
        });
    });
    MainRunLoop::run();
    EXPECT_EQ(order, (std::vector<std::string>{"1", "2"}));

    // Whether the stop arrives before or during run(), run() returns.
    std::thread stopper([] { MainRunLoop::stop(); });
    MainRunLoop::run();
    stopper.join();
}

TEST_F(MainQueueTest, DiscardingPendingWorkDropsBlocksWithoutRunningThem) {
    ScopedManualClock clock;
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    main->async([this, sentinel] { order.push_back("ran"); });
    main->asyncAfter(1s, [this, sentinel] { order.push_back("ran"); });
    sentinel.reset();
    EXPECT_EQ(MainRunLoop::discardPendingWork(), 2u);
    EXPECT_TRUE(watch.expired());
    clock.advance(1s);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
    EXPECT_TRUE(order.empty());
}

}  // namespace
}  // namespace quorvel::platform
