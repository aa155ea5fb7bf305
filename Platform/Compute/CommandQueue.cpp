#include "Platform/Compute/CommandQueue.h"

#include <utility>

#include "Platform/Compute/CommandBuffer.h"
#include "Platform/Compute/ComputeDevice.h"

namespace quorvel::platform {

CommandQueue::CommandQueue(const std::weak_ptr<ComputeDevice>& device) : device_(device) {}

CommandQueue::~CommandQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::shared_ptr<CommandBuffer> CommandQueue::commandBuffer() {
    if (ComputeDevice::faults().commandBuffer) {
        return nullptr;
    }
    return std::shared_ptr<CommandBuffer>(new CommandBuffer(weak_from_this()));
}

void CommandQueue::schedule(std::shared_ptr<CommandBuffer> buffer) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(buffer));
        if (!worker_.joinable()) {
            // The destructor joins the worker, so it may use the queue without owning it.
            worker_ = std::thread([this] { runPending(); });
        }
    }
    wake_.notify_one();
}

void CommandQueue::runPending() {
    for (;;) {
        std::shared_ptr<CommandBuffer> buffer;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (pending_.empty()) {
                return;
            }
            buffer = std::move(pending_.front());
            pending_.pop_front();
        }
        buffer->execute();
    }
}

}  // namespace quorvel::platform
