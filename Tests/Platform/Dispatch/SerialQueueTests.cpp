#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
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

using SerialQueueTest = MainLoopTest;

// A one-way gate a block can wait at until the test opens it.
class Gate {
public:
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

TEST_F(SerialQueueTest, KeepsItsLabelAndQualityOfService) {
    auto queue = DispatchQueue::makeSerial("com.example.work", QualityOfService::userInitiated);
    EXPECT_EQ(queue->label(), "com.example.work");
    EXPECT_EQ(queue->qos(), QualityOfService::userInitiated);
    EXPECT_EQ(DispatchQueue::makeSerial("plain")->qos(), QualityOfService::unspecified);
}

TEST_F(SerialQueueTest, RunsBlocksOneAtATimeInSubmissionOrder) {
    auto queue = DispatchQueue::makeSerial("fifo");
    std::vector<int> order;  // only touched on the queue
    std::atomic<int> running{0};
    bool overlapped = false;
    for (int i = 0; i < 500; ++i) {
        queue->async([&, i] {
            overlapped = overlapped || running.fetch_add(1) != 0;
            order.push_back(i);
            running.fetch_sub(1);
        });
    }
    std::vector<int> result;
    queue->sync([&] { result = order; });
    ASSERT_EQ(result.size(), 500u);
    EXPECT_TRUE(std::is_sorted(result.begin(), result.end()));
    queue->sync([&] { EXPECT_FALSE(overlapped); });
}

TEST_F(SerialQueueTest, KnowsWhenItIsCurrent) {
    auto queue = DispatchQueue::makeSerial("current");
    auto other = DispatchQueue::makeSerial("other");
    bool current = false;
    bool otherCurrent = true;
    bool onMain = true;
    queue->sync([&] {
        current = queue->isCurrent();
        otherCurrent = other->isCurrent();
        onMain = DispatchQueue::isMainThread();
    });
    EXPECT_TRUE(current);
    EXPECT_FALSE(otherCurrent);
    EXPECT_FALSE(onMain);
    EXPECT_FALSE(queue->isCurrent());
}

TEST_F(SerialQueueTest, WorkHopsToMainAndBack) {
    auto main = DispatchQueue::main();
    auto queue = DispatchQueue::makeSerial("hop");
    std::vector<std::string> trail;  // handed from queue to queue, never touched concurrently
    bool done = false;
    queue->async([&] {
        trail.push_back(queue->isCurrent() ? "serial" : "?");
        main->async([&] {
            trail.push_back(DispatchQueue::isMainThread() ? "main" : "?");
            queue->async([&] {
                trail.push_back(queue->isCurrent() ? "serial" : "?");
                main->async([&] {
                    trail.push_back(DispatchQueue::isMainThread() ? "main" : "?");
                    done = true;
                });
            });
        });
    });
    EXPECT_TRUE(driveUntil([&] { return done; }));
    EXPECT_EQ(trail, (std::vector<std::string>{"serial", "main", "serial", "main"}));
}

TEST_F(SerialQueueTest, DelayedBlocksWaitForTheManualClockAndRunInDeadlineOrder) {
    ScopedManualClock clock;
    auto queue = DispatchQueue::makeSerial("delayed");
    std::vector<std::string> order;  // only touched on the queue
    queue->asyncAfter(2s, [&] { order.push_back("2s"); });
    queue->asyncAfter(1s, [&] { order.push_back("1s-a"); });
    queue->asyncAfter(1s, [&] { order.push_back("1s-b"); });

    const auto snapshot = [&] {
        std::vector<std::string> copy;
        queue->sync([&] { copy = order; });
        return copy;
    };

    clock.advance(999ms);
    EXPECT_TRUE(snapshot().empty());

    clock.advance(1ms);
    EXPECT_EQ(snapshot(), (std::vector<std::string>{"1s-a", "1s-b"}));

    clock.advance(1s);
    EXPECT_EQ(snapshot(), (std::vector<std::string>{"1s-a", "1s-b", "2s"}));
}

TEST_F(SerialQueueTest, ADueDelayedBlockRunsBeforeBlocksSubmittedAfterItsDeadline) {
    ScopedManualClock clock;
    auto queue = DispatchQueue::makeSerial("due-first");
    Gate gate;
    std::vector<std::string> order;  // only touched on the queue
    queue->async([&] { gate.wait(); });
    queue->asyncAfter(1s, [&] { order.push_back("delayed"); });
    clock.advance(1s);
    queue->async([&] { order.push_back("later"); });
    gate.open();
    std::vector<std::string> result;
    queue->sync([&] { result = order; });
    EXPECT_EQ(result, (std::vector<std::string>{"delayed", "later"}));
}

TEST_F(SerialQueueTest, AdvancingTheClockWakesAnIdleQueue) {
    ScopedManualClock clock;
    auto queue = DispatchQueue::makeSerial("wake");
    bool reported = false;
    queue->asyncAfter(5s, [&] { DispatchQueue::main()->async([&] { reported = true; }); });
    queue->sync([] {});  // the queue has seen the delayed block and goes back to sleep
    clock.advance(5s);
    // Nothing but the clock change can wake the queue here.
    EXPECT_TRUE(driveUntil([&] { return reported; }));
}

TEST_F(SerialQueueTest, DelayedBlocksRunOnTheRealClock) {
    auto queue = DispatchQueue::makeSerial("real");
    bool reported = false;
    queue->asyncAfter(1ms, [&] { DispatchQueue::main()->async([&] { reported = true; }); });
    EXPECT_TRUE(driveUntil([&] { return reported; }));
}

TEST_F(SerialQueueTest, DestructionRunsDueWorkAndDropsFutureWork) {
    ScopedManualClock clock;
    auto queue = DispatchQueue::makeSerial("doomed");
    Gate gate;
    std::atomic<int> ran{0};
    std::atomic<bool> futureRan{false};
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;

    queue->async([&] { gate.wait(); });
    for (int i = 0; i < 3; ++i) {
        queue->async([&] { ++ran; });
    }
    queue->asyncAfter(1h, [&futureRan, sentinel] { futureRan = true; });
    sentinel.reset();

    std::thread opener([&] { gate.open(); });
    queue.reset();  // waits for the due blocks
    opener.join();

    EXPECT_EQ(ran, 3);
    EXPECT_FALSE(futureRan);
    EXPECT_TRUE(watch.expired()) << "a dropped block must release what it captured";
}

TEST_F(SerialQueueTest, ReleasingTheLastReferenceFromItsOwnBlockIsSafe) {
    auto queue = DispatchQueue::makeSerial("self-release");
    Gate gate;
    std::atomic<int> ran{0};
    std::atomic<bool> finished{false};

    // The first block holds the only reference once the test lets go; the queue is destroyed on
    // its own thread when that block is released, with three blocks still pending.
    queue->async([&gate, keep = queue] { gate.wait(); });
    for (int i = 0; i < 3; ++i) {
        queue->async([&] { ++ran; });
    }
    queue->async([&] { DispatchQueue::main()->async([&] { finished = true; }); });
    queue.reset();
    gate.open();

    EXPECT_TRUE(driveUntil([&] { return finished.load(); }));
    EXPECT_EQ(ran, 3);
}

using SerialQueueDeathTest = SerialQueueTest;

TEST_F(SerialQueueDeathTest, SyncOntoItselfEndsTheProcessInsteadOfDeadlocking) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto queue = DispatchQueue::makeSerial("self-sync");
            queue->sync([&] { queue->sync([] {}); });
        },
        "would deadlock");
}

TEST_F(SerialQueueDeathTest, SyncOntoMainFromTheMainThreadEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(DispatchQueue::main()->sync([] {}), "would deadlock");
}

}  // namespace
}  // namespace platform
