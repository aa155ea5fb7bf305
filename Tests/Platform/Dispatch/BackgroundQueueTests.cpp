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
#include "Platform/Dispatch/ScopedManualClock.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

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

class SerialQueueTest : public testing::MainLoopTest {
protected:
    // A block that appends `entry` to the order, which only the queue's thread touches.
    DispatchQueue::Block note(std::string entry) {
        return [this, entry] { order.push_back(entry); };
    }
    // The order as the queue sees it once everything submitted so far has run.
    std::vector<std::string> orderSoFar() {
        std::vector<std::string> copy;
        queue->sync([&] { copy = order; });
        return copy;
    }

    std::shared_ptr<DispatchQueue> queue =
        DispatchQueue::makeSerial("com.example.work", QualityOfService::userInitiated);
    std::vector<std::string> order;
    Gate gate;
};

TEST_F(SerialQueueTest, RunsBlocksOneAtATimeInSubmissionOrderOnItsOwnThread) {
    EXPECT_EQ(queue->label(), "com.example.work");
    EXPECT_EQ(queue->qos(), QualityOfService::userInitiated);
    std::atomic<int> running{0};
    bool overlapped = false;
    for (int i = 0; i < 500; ++i) {
        queue->async([&, i] {
            overlapped = overlapped || running.fetch_add(1) != 0;
            order.push_back(std::to_string(i));
            running.fetch_sub(1);
        });
    }
    const auto result = orderSoFar();
    ASSERT_EQ(result.size(), 500u);
    for (int i = 0; i < 500; ++i) EXPECT_EQ(result[static_cast<std::size_t>(i)], std::to_string(i));

    auto other = DispatchQueue::makeSerial("other");
    queue->sync([&] {
        EXPECT_FALSE(overlapped);
        EXPECT_TRUE(queue->isCurrent());
        EXPECT_FALSE(other->isCurrent());
        EXPECT_FALSE(DispatchQueue::isMainThread());
    });
    EXPECT_FALSE(queue->isCurrent());
}

TEST_F(SerialQueueTest, WorkHopsToMainAndBack) {
    auto main = DispatchQueue::main();
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

TEST_F(SerialQueueTest, DelayedBlocksWaitForTheManualClockAndJoinTheTailInDeadlineOrder) {
    ScopedManualClock clock;
    queue->asyncAfter(2s, note("2s"));
    queue->asyncAfter(1s, note("1s-a"));
    queue->asyncAfter(1s, note("1s-b"));
    clock.advance(999ms);
    EXPECT_TRUE(orderSoFar().empty());

    // Held up by a busy queue, the due blocks still go ahead of one submitted after the advance.
    queue->async([&] { gate.wait(); });
    clock.advance(1ms);
    queue->async(note("later"));
    gate.open();
    EXPECT_EQ(orderSoFar(), (std::vector<std::string>{"1s-a", "1s-b", "later"}));
    clock.advance(1s);
    EXPECT_EQ(orderSoFar(), (std::vector<std::string>{"1s-a", "1s-b", "later", "2s"}));
}

TEST_F(SerialQueueTest, AnIdleQueueWakesForTheManualClockAndForRealTime) {
    bool reported = false;
    const auto report = [&] { DispatchQueue::main()->async([&] { reported = true; }); };
    {
        ScopedManualClock clock;
        queue->asyncAfter(5s, report);
        queue->sync([] {});  // the queue has seen the delayed block and goes back to sleep
        clock.advance(5s);
        // Nothing but the clock change can wake the queue here.
        EXPECT_TRUE(driveUntil([&] { return reported; }));
    }
    reported = false;
    queue->asyncAfter(1ms, report);
    EXPECT_TRUE(driveUntil([&] { return reported; }));
}

TEST_F(SerialQueueTest, DestructionRunsDueWorkAndDropsFutureWork) {
    ScopedManualClock clock;
    std::atomic<int> ran{0};
    std::atomic<bool> futureRan{false};
    auto sentinel = std::make_shared<int>(0);
    std::weak_ptr<int> watch = sentinel;
    queue->async([&] { gate.wait(); });
    for (int i = 0; i < 3; ++i) queue->async([&] { ++ran; });
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
    std::atomic<int> ran{0};
    std::atomic<bool> finished{false};
    // The first block holds the only reference once the test lets go; the queue is destroyed on
    // its own thread when that block is released, with three blocks still pending.
    queue->async([this, keep = queue] { gate.wait(); });
    for (int i = 0; i < 3; ++i) queue->async([&] { ++ran; });
    queue->async([&] { DispatchQueue::main()->async([&] { finished = true; }); });
    queue.reset();
    gate.open();
    EXPECT_TRUE(driveUntil([&] { return finished.load(); }));
    EXPECT_EQ(ran, 3);
}

using GlobalQueueTest = testing::MainLoopTest;

TEST_F(GlobalQueueTest, IsOneQueuePerQualityOfServiceWithUnspecifiedMeaningDefault) {
    auto initiated = DispatchQueue::global(QualityOfService::userInitiated);
    EXPECT_EQ(initiated, DispatchQueue::global(QualityOfService::userInitiated));
    EXPECT_EQ(initiated->qos(), QualityOfService::userInitiated);
    EXPECT_NE(initiated, DispatchQueue::global(QualityOfService::defaultQoS));
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
                if (arrived.wait_for(lock, 20s, [&] { return started == 2; })) ++metTheOther;
            }
            // Last: once both have finished the test may end and take the mutex with it.
            ++finished;
        });
    }
    EXPECT_TRUE(driveUntil([&] { return finished == 2; }));
    EXPECT_EQ(metTheOther, 2);
}

TEST_F(GlobalQueueTest, AsyncRunsOffTheMainThreadAndSyncOnTheCallingThread) {
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

    std::thread::id ranOn;
    queue->sync([&] {
        ranOn = std::this_thread::get_id();
        current = queue->isCurrent();
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(current);
    EXPECT_FALSE(queue->isCurrent());
}

TEST(SerialQueueDeathTest, SyncThatWouldWaitForItselfEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto queue = DispatchQueue::makeSerial("self-sync");
            queue->sync([&] { queue->sync([] {}); });
        },
        "would deadlock");
    EXPECT_DEATH(DispatchQueue::main()->sync([] {}), "would deadlock");
}

}  // namespace
}  // namespace quorvel::platform
