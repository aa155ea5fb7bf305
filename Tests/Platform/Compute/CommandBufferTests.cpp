#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Platform/Compute/CommandBuffer.h"
#include "Platform/Compute/CommandQueue.h"
#include "Platform/Compute/ComputeDevice.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::device;

// A log of work units, written from the queue's worker and read by the test.
class Journal {
public:
    CommandBuffer::Work entry(int value, bool result = true) {
        return [this, value, result] {
            std::lock_guard lock(mutex_);
            entries_.push_back(value);
            threads_.push_back(std::this_thread::get_id());
            return result;
        };
    }
    std::vector<int> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    std::vector<std::thread::id> threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> entries_;
    std::vector<std::thread::id> threads_;
};

TEST(CommandBufferTest, RunsEncodedWorkInOrderOffTheCallingThreadAfterCommit) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    ASSERT_TRUE(buffer->encodeWork(journal.entry(1)));
    ASSERT_TRUE(buffer->encodeWork(journal.entry(2)));
    EXPECT_TRUE(journal.entries().empty());
    EXPECT_EQ(buffer->status(), CommandBufferStatus::notEnqueued);

    buffer->commit();
    buffer->waitUntilCompleted();
    EXPECT_EQ(buffer->status(), CommandBufferStatus::completed);
    EXPECT_EQ(static_cast<int>(buffer->status()), 4);  // the platform's number
    EXPECT_EQ(journal.entries(), (std::vector<int>{1, 2}));
    for (auto id : journal.threads()) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
}

TEST(CommandBufferTest, CommittedBufferTakesNoMoreWork) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    EXPECT_FALSE(buffer->encodeWork(nullptr));
    buffer->encodeWork(journal.entry(1));
    buffer->waitUntilCompleted();  // Not committed: returns at once, having run nothing.
    EXPECT_TRUE(journal.entries().empty());
    buffer->commit();
    EXPECT_FALSE(buffer->encodeWork(journal.entry(2)));
    buffer->commit();  // A second commit does nothing.
    buffer->waitUntilCompleted();
    buffer->waitUntilCompleted();
    EXPECT_EQ(journal.entries(), (std::vector<int>{1}));
}

TEST(CommandBufferTest, FailingWorkEndsTheBufferInError) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    auto failing = queue->commandBuffer();
    failing->encodeWork(journal.entry(1, false));
    failing->encodeWork(journal.entry(2));
    auto throwing = queue->commandBuffer();
    throwing->encodeWork([]() -> bool { throw std::runtime_error("out of memory"); });
    throwing->encodeWork(journal.entry(3));
    auto next = queue->commandBuffer();
    next->encodeWork(journal.entry(4));

    failing->commit();
    throwing->commit();
    next->commit();
    next->waitUntilCompleted();
    EXPECT_EQ(failing->status(), CommandBufferStatus::error);
    EXPECT_EQ(throwing->status(), CommandBufferStatus::error);
    EXPECT_EQ(next->status(), CommandBufferStatus::completed);
    EXPECT_EQ(journal.entries(), (std::vector<int>{1, 4}));
}

TEST(CommandBufferTest, BuffersOfOneQueueRunInCommitOrder) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    std::vector<std::shared_ptr<CommandBuffer>> buffers;
    for (int i = 0; i < 6; ++i) {
        buffers.push_back(queue->commandBuffer());
        buffers.back()->encodeWork(journal.entry(i));
    }
    // Committed in a different order from creation.
    for (int i : {3, 0, 5, 1, 4, 2}) {
        buffers[static_cast<std::size_t>(i)]->commit();
    }
    buffers[2]->waitUntilCompleted();
    EXPECT_EQ(journal.entries(), (std::vector<int>{3, 0, 5, 1, 4, 2}));
}

TEST(CommandBufferTest, DestroyingTheQueueFinishesWhatWasCommitted) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    buffer->encodeWork(journal.entry(1));
    buffer->commit();
    queue.reset();
    EXPECT_EQ(buffer->status(), CommandBufferStatus::completed);
    EXPECT_EQ(journal.entries(), (std::vector<int>{1}));
}

TEST(CommandBufferTest, BufferOutlivingItsQueueRunsAtCommit) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    queue.reset();
    EXPECT_EQ(buffer->commandQueue(), nullptr);
    buffer->encodeWork(journal.entry(1));
    buffer->commit();
    EXPECT_EQ(buffer->status(), CommandBufferStatus::completed);
    EXPECT_EQ(journal.threads(), (std::vector<std::thread::id>{std::this_thread::get_id()}));
}

TEST(CommandBufferTest, ManyThreadsShareAQueue) {
    Journal journal;
    auto queue = device()->newCommandQueue();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                auto buffer = queue->commandBuffer();
                buffer->encodeWork(journal.entry(t * 100 + i));
                buffer->commit();
                buffer->waitUntilCompleted();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(journal.entries().size(), 100u);
}

}  // namespace
}  // namespace platform
