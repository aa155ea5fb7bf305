#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "MainLoopTest.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using testing::MainLoopTest;

using MainQueueTest = MainLoopTest;

TEST_F(MainQueueTest, IsOneQueueLabelledMain) {
    auto queue = DispatchQueue::main();
    EXPECT_EQ(queue, DispatchQueue::main());
    EXPECT_EQ(queue->label(), "main");
    EXPECT_EQ(queue->qos(), QualityOfService::userInteractive);
}

TEST_F(MainQueueTest, RunsNothingUntilDriven) {
    bool ran = false;
    DispatchQueue::main()->async([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_TRUE(ran);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
}

TEST_F(MainQueueTest, RunsBlocksInSubmissionOrderIncludingWorkQueuedByWork) {
    auto main = DispatchQueue::main();
    std::vector<int> order;
    main->async([&] {
        order.push_back(1);
        main->async([&] { order.push_back(4); });
    });
    main->async([&] { order.push_back(2); });
    main->async([&] { order.push_back(3); });

    EXPECT_EQ(MainRunLoop::runUntilIdle(), 4u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
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
    for (auto& thread : threads) {
        thread.join();
    }
    for (const auto& blocks : seen) {
        ASSERT_EQ(blocks.size(), static_cast<std::size_t>(kBlocks));
        EXPECT_TRUE(std::is_sorted(blocks.begin(), blocks.end()));
    }
}

TEST_F(MainQueueTest, DelayedBlocksWaitForTheManualClock) {
    ScopedManualClock clock;
    bool ran = false;
    DispatchQueue::main()->asyncAfter(1s, [&] { ran = true; });

    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
    clock.advance(999ms);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
    EXPECT_FALSE(ran);

    clock.advance(1ms);
    EXPECT_FALSE(ran) << "advancing the clock alone must not run main-queue work";
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 1u);
    EXPECT_TRUE(ran);
}

TEST_F(MainQueueTest, DelayedBlocksRunInDeadlineOrderTiesInSubmissionOrder) {
    ScopedManualClock clock;
    auto main = DispatchQueue::main();
    std::vector<std::string> order;
    main->asyncAfter(3s, [&] { order.push_back("3s"); });
    main->asyncAfter(1s, [&] { order.push_back("1s-a"); });
    main->asyncAfter(2s, [&] { order.push_back("2s"); });
    main->asyncAfter(clock.now() + 1s, [&] { order.push_back("1s-b"); });
    main->asyncAfter(std::chrono::duration<double>(1.0), [&] { order.push_back("1s-c"); });

    clock.advance(1s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"1s-a", "1s-b", "1s-c"}));

    clock.advance(5s);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"1s-a", "1s-b", "1s-c", "2s", "3s"}));
}

TEST_F(MainQueueTest, ADueDelayedBlockRunsBeforeBlocksSubmittedAfterItsDeadline) {
    ScopedManualClock clock;
    auto main = DispatchQueue::main();
    std::vector<std::string> order;
    main->asyncAfter(1s, [&] { order.push_back("delayed"); });
    clock.advance(1s);
    main->async([&] { order.push_back("later"); });
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"delayed", "later"}));
}

TEST_F(MainQueueTest, ZeroDelayRunsOnTheSameTurn) {
    ScopedManualClock clock;
    auto main = DispatchQueue::main();
    bool ran = false;
    main->async([&] { main->asyncAfter(0s, [&] { ran = true; }); });
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 2u);
    EXPECT_TRUE(ran);
}

TEST_F(MainQueueTest, AdvancingTheClockFromAnotherThreadWakesTheDrivenLoop) {
    ScopedManualClock clock;
    bool ran = false;
    DispatchQueue::main()->asyncAfter(2s, [&] { ran = true; });
    std::thread advancer([&] { clock.advance(2s); });
    EXPECT_TRUE(driveUntil([&] { return ran; }));
    advancer.join();
}

TEST_F(MainQueueTest, DelayedBlocksRunOnTheRealClockWhenDriven) {
    bool ran = false;
    DispatchQueue::main()->asyncAfter(2ms, [&] { ran = true; });
    EXPECT_TRUE(driveUntil([&] { return ran; }));
}

TEST_F(MainQueueTest, RunUntilGivesUpAfterTheTimeoutOfRealTime) {
    ScopedManualClock clock;
    bool ran = false;
    DispatchQueue::main()->asyncAfter(1s, [&] { ran = true; });
    EXPECT_FALSE(MainRunLoop::runUntil([&] { return ran; }, 20ms));
    EXPECT_FALSE(ran);
}

TEST_F(MainQueueTest, RunUntilStopsAsSoonAsThePredicateHolds) {
    auto main = DispatchQueue::main();
    int count = 0;
    for (int i = 0; i < 5; ++i) {
        main->async([&] { ++count; });
    }
    EXPECT_TRUE(MainRunLoop::runUntil([&] { return count == 2; }, 1s));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 3u);
}

TEST_F(MainQueueTest, TheDrivingThreadIsTheMainThread) {
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(DispatchQueue::isMainThread());
    EXPECT_TRUE(MainRunLoop::isCurrent());
    EXPECT_TRUE(DispatchQueue::main()->isCurrent());

    bool fromOtherThread = true;
    std::thread([&] { fromOtherThread = DispatchQueue::isMainThread(); }).join();
    EXPECT_FALSE(fromOtherThread);

    bool inBlock = false;
    DispatchQueue::main()->async([&] { inBlock = DispatchQueue::isMainThread(); });
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(inBlock);
}

TEST_F(MainQueueTest, OnlyOneThreadDrivesAtATime) {
    auto main = DispatchQueue::main();
    std::size_t ranByOtherThread = 99;
    bool secondRan = false;
    main->async([&] {
        // The loop is busy on this thread: another thread's drive call must not run anything.
        std::thread([&] { ranByOtherThread = MainRunLoop::runUntilIdle(); }).join();
    });
    main->async([&] { secondRan = true; });
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 2u);
    EXPECT_EQ(ranByOtherThread, 0u);
    EXPECT_TRUE(secondRan);
}

TEST_F(MainQueueTest, ABlockMayDriveTheLoopFromInside) {
    auto main = DispatchQueue::main();
    std::vector<int> order;
    main->async([&] {
        main->async([&] { order.push_back(2); });
        MainRunLoop::runUntilIdle();
        order.push_back(1);
    });
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST_F(MainQueueTest, SyncFromAnotherThreadRunsOnTheMainThread) {
    auto main = DispatchQueue::main();
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

TEST_F(MainQueueTest, RunReturnsWhenStoppedFromABlock) {
    auto main = DispatchQueue::main();
    std::vector<int> order;
    main->async([&] { order.push_back(1); });
    DispatchQueue::global()->async([&, main] {
        main->async([&] {
            order.push_back(2);
            MainRunLoop::stop();
        });
    });
    MainRunLoop::run();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(MainQueueTest, RunReturnsWhenStoppedFromAnotherThread) {
    // Whether the stop arrives before or during run(), run() returns.
    std::thread stopper([] { MainRunLoop::stop(); });
    MainRunLoop::run();
    stopper.join();
    SUCCEED();
}

TEST_F(MainQueueTest, DiscardingPendingWorkDropsBlocksWithoutRunningThem) {
    ScopedManualClock clock;
    auto main = DispatchQueue::main();
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    bool ran = false;
    main->async([&ran, sentinel] { ran = true; });
    main->asyncAfter(1s, [&ran, sentinel] { ran = true; });
    sentinel.reset();

    EXPECT_EQ(MainRunLoop::discardPendingWork(), 2u);
    EXPECT_TRUE(watch.expired());
    clock.advance(1s);
    EXPECT_EQ(MainRunLoop::runUntilIdle(), 0u);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace platform
