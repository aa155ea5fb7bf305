#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel::platform {

class CommandQueue;

// The platform's command-buffer states, with its numbers.
enum class CommandBufferStatus {
    notEnqueued = 0,
    enqueued = 1,
    committed = 2,
    scheduled = 3,
    completed = 4,
    error = 5,
};

// One batch of work for the compute device, made by CommandQueue::commandBuffer.
//
// Like the platform's command buffers, it runs nothing while work is encoded: commit() hands the
// batch to its queue's worker thread, which runs the encoded work in encoding order, after every
// buffer committed to the same queue before it; waitUntilCompleted() blocks the caller until the
// batch has run. Results are therefore only to be read after waitUntilCompleted(). A buffer whose
// queue has gone runs its work on the committing thread during commit().
//
// A buffer is committed once: encoding or committing again afterwards does nothing.
class CommandBuffer : public std::enable_shared_from_this<CommandBuffer> {
public:
    // One unit of encoded work; false (or an exception) fails the buffer: the rest of its work is
    // skipped and its status becomes error.
    using Work = std::function<bool()>;

    std::shared_ptr<CommandQueue> commandQueue() const { return queue_.lock(); }
    CommandBufferStatus status() const;

    // Appends work (what the image kernels do when they encode). False, and the work is dropped,
    // once the buffer has been committed, or for empty work. The work runs on the queue's worker
    // thread and must not hold the last reference to the queue.
    bool encodeWork(Work work);

    void commit();

    // Returns once the committed work has run (status completed or error); at once for a buffer
    // that was never committed.
    void waitUntilCompleted();

private:
    friend class CommandQueue;

    explicit CommandBuffer(const std::weak_ptr<CommandQueue>& queue);

    // Runs the encoded work and wakes the waiters. Called once, by the queue's worker (or by
    // commit() when the queue has gone).
    void execute();

    std::weak_ptr<CommandQueue> queue_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    CommandBufferStatus status_ = CommandBufferStatus::notEnqueued;
    std::vector<Work> work_;
};

}  // namespace quorvel::platform
