#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Platform/Compute/ScopedComputeDeviceUnavailable.h"
#include "Platform/Compute/ScopedComputeFaults.h"
#include "TextureTestHelpers.h"

namespace quorvel::platform {
namespace {

using computetest::device;
using computetest::readWriteDescriptor;

// A log of work units, written from the queue's worker and read by the test; it also notes the
// units that ran on the test's own thread.
struct Journal {
    CommandBuffer::Work entry(int value, bool result = true) {
        return [this, value, result] {
            std::lock_guard lock(mutex);
            values.push_back(value);
            if (std::this_thread::get_id() == testThread) onTestThread.push_back(value);
            return result;
        };
    }
    std::vector<int> read(const std::vector<int>& list) {
        std::lock_guard lock(mutex);
        return list;
    }

    std::mutex mutex;
    std::vector<int> values;
    std::vector<int> onTestThread;
    const std::thread::id testThread = std::this_thread::get_id();
};

class CommandBufferTest : public ::testing::Test {
protected:
    Journal journal;
    std::shared_ptr<CommandQueue> queue = device()->newCommandQueue();
};

TEST_F(CommandBufferTest, RunsEncodedWorkInOrderOffTheCallingThreadOnlyOnceCommitted) {
    auto buffer = queue->commandBuffer();
    EXPECT_FALSE(buffer->encodeWork(nullptr));
    ASSERT_TRUE(buffer->encodeWork(journal.entry(1)));
    ASSERT_TRUE(buffer->encodeWork(journal.entry(2)));
    buffer->waitUntilCompleted();  // Not committed: returns at once, having run nothing.
    EXPECT_TRUE(journal.read(journal.values).empty());
    EXPECT_EQ(buffer->status(), CommandBufferStatus::notEnqueued);

    buffer->commit();
    EXPECT_FALSE(buffer->encodeWork(journal.entry(3)));
    buffer->commit();  // A second commit does nothing.
    buffer->waitUntilCompleted();
    buffer->waitUntilCompleted();
    EXPECT_EQ(static_cast<int>(buffer->status()), 4);  // completed, the platform's number
    EXPECT_EQ(journal.read(journal.values), (std::vector<int>{1, 2}));
    EXPECT_TRUE(journal.read(journal.onTestThread).empty());
}

TEST_F(CommandBufferTest, FailingOrThrowingWorkEndsOnlyItsOwnBufferInError) {
    auto failing = queue->commandBuffer();
    failing->encodeWork(journal.entry(1, false));
    failing->encodeWork(journal.entry(2));
    auto throwing = queue->commandBuffer();
    throwing->encodeWork([]() -> bool { throw std::runtime_error("out of memory"); });
    throwing->encodeWork(journal.entry(3));
    auto next = queue->commandBuffer();
    next->encodeWork(journal.entry(4));
    for (const auto& buffer : {failing, throwing, next}) buffer->commit();
    next->waitUntilCompleted();
    EXPECT_EQ(failing->status(), CommandBufferStatus::error);
    EXPECT_EQ(throwing->status(), CommandBufferStatus::error);
    EXPECT_EQ(next->status(), CommandBufferStatus::completed);
    EXPECT_EQ(journal.read(journal.values), (std::vector<int>{1, 4}));
}

TEST_F(CommandBufferTest, BuffersOfOneQueueRunInCommitOrderNotCreationOrder) {
    std::vector<std::shared_ptr<CommandBuffer>> buffers;
    for (int i = 0; i < 6; ++i) {
        buffers.push_back(queue->commandBuffer());
        buffers.back()->encodeWork(journal.entry(i));
    }
    for (int i : {3, 0, 5, 1, 4, 2}) buffers[static_cast<std::size_t>(i)]->commit();
    buffers[2]->waitUntilCompleted();
    EXPECT_EQ(journal.read(journal.values), (std::vector<int>{3, 0, 5, 1, 4, 2}));
}

TEST_F(CommandBufferTest, DestroyingTheQueueFinishesCommittedWorkAndLaterCommitsRunInline) {
    auto committed = queue->commandBuffer();
    auto orphan = queue->commandBuffer();
    committed->encodeWork(journal.entry(1));
    committed->commit();
    queue.reset();
    EXPECT_EQ(committed->status(), CommandBufferStatus::completed);
    EXPECT_EQ(orphan->commandQueue(), nullptr);

    orphan->encodeWork(journal.entry(2));
    orphan->commit();
    EXPECT_EQ(orphan->status(), CommandBufferStatus::completed);
    EXPECT_EQ(journal.read(journal.values), (std::vector<int>{1, 2}));
    EXPECT_EQ(journal.read(journal.onTestThread), std::vector<int>{2});
}

TEST_F(CommandBufferTest, ManyThreadsShareAQueue) {
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
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(journal.read(journal.values).size(), 100u);
}

TEST(ComputeDeviceTest, SystemDefaultIsOneDeviceUnlessMadeUnavailable) {
    auto before = ComputeDevice::systemDefault();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(ComputeDevice::systemDefault(), before);
    EXPECT_EQ(before->newCommandQueue()->device(), before);
    {
        ScopedComputeDeviceUnavailable outer;
        EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
        { ScopedComputeDeviceUnavailable inner; }
        // The inner scope puts back what it found: still unavailable.
        EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
        // A device handed out earlier keeps working.
        EXPECT_NE(before->newTexture(readWriteDescriptor(1, 1)), nullptr);
    }
    EXPECT_EQ(ComputeDevice::systemDefault(), before);
    ComputeDevice::setAvailable(false);
    EXPECT_FALSE(ComputeDevice::isAvailable());
    EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
    ComputeDevice::setAvailable(true);
    EXPECT_EQ(ComputeDevice::systemDefault(), before);
}

TEST(ComputeDeviceTest, QueueAndBufferFaultsRefuseOnlyTheirOwnKind) {
    auto queue = device()->newCommandQueue();
    for (bool queueFault : {true, false}) {
        ScopedComputeFaults faults(ComputeFaults{queueFault, !queueFault, {}});
        EXPECT_EQ(device()->newCommandQueue() == nullptr, queueFault);
        EXPECT_EQ(queue->commandBuffer() == nullptr, !queueFault);
    }
    EXPECT_NE(device()->newCommandQueue(), nullptr);
    EXPECT_NE(queue->commandBuffer(), nullptr);
}

TEST(ComputeDeviceTest, TextureFaultLetsTheGivenNumberThroughCountedFromWhenItWasSet) {
    const auto make = [](int width) { return device()->newTexture(readWriteDescriptor(width, 2)); };
    {
        ScopedComputeFaults faults(ComputeFaults{.texturesBeforeFailure = 2});
        EXPECT_NE(make(2), nullptr);
        EXPECT_EQ(make(0), nullptr);  // A refused descriptor does not count.
        EXPECT_NE(make(2), nullptr);
        EXPECT_EQ(make(2), nullptr);
        EXPECT_EQ(make(1), nullptr);
        {
            ScopedComputeFaults none(ComputeFaults{});
            EXPECT_NE(make(2), nullptr);
        }
        EXPECT_NE(make(2), nullptr);  // Putting the faults back starts their count again.
    }
    EXPECT_FALSE(ComputeDevice::faults().texturesBeforeFailure.has_value());
    EXPECT_NE(make(2), nullptr);
}

}  // namespace
}  // namespace quorvel::platform
