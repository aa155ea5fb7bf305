#include "Platform/Compute/CommandBuffer.h"

#include <exception>
#include <utility>

#include "Platform/Compute/CommandQueue.h"

namespace quorvel::platform {

CommandBuffer::CommandBuffer(const std::weak_ptr<CommandQueue>& queue) : queue_(queue) {}

CommandBufferStatus CommandBuffer::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool CommandBuffer::encodeWork(Work work) {
    if (!work) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (status_ != CommandBufferStatus::notEnqueued) {
        return false;
    }
    work_.push_back(std::move(work));
    return true;
}

void CommandBuffer::commit() {
    {
        std::lock_guard lock(mutex_);
        if (status_ != CommandBufferStatus::notEnqueued) {
            return;
        }
        status_ = CommandBufferStatus::committed;
    }
    std::shared_ptr<CommandQueue> queue = queue_.lock();
    std::shared_ptr<CommandBuffer> self = weak_from_this().lock();
    if (queue && self) {
        queue->schedule(std::move(self));
    } else {
        execute();
    }
}

void CommandBuffer::waitUntilCompleted() {
    std::unique_lock lock(mutex_);
    if (status_ == CommandBufferStatus::notEnqueued) {
        return;
    }
    finished_.wait(lock, [this] {
        return status_ == CommandBufferStatus::completed || status_ == CommandBufferStatus::error;
    });
}

void CommandBuffer::execute() {
    std::vector<Work> work;
    {
        std::lock_guard lock(mutex_);
        status_ = CommandBufferStatus::scheduled;
        work.swap(work_);
    }
    bool succeeded = true;
    for (Work& unit : work) {
        try {
            succeeded = unit();
        } catch (const std::exception&) {
            succeeded = false;
        }
        if (!succeeded) {
            break;
        }
    }
    // The work holds the textures it uses; they are released before anyone is woken, so that a
    // waiter finds the buffer done with them.
    work.clear();
    {
        std::lock_guard lock(mutex_);
        status_ = succeeded ? CommandBufferStatus::completed : CommandBufferStatus::error;
    }
    finished_.notify_all();
}

}  // namespace quorvel::platform
