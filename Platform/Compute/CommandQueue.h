#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvel::platform {

class CommandBuffer;
class ComputeDevice;

// A queue of command buffers for the compute device, made by ComputeDevice::newCommandQueue.
//
// Committed buffers run one after another, in commit order, on a worker thread the queue starts
// at the first commit; that keeps the platform's arrangement where the caller encodes, commits and
// then waits while the device works. Destroying the queue runs the buffers still pending and joins
// the worker.
class CommandQueue : public std::enable_shared_from_this<CommandQueue> {
public:
    ~CommandQueue();

    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    std::shared_ptr<ComputeDevice> device() const { return device_.lock(); }

    // A new, empty command buffer; nullptr when the device's command-buffer fault is set.
    std::shared_ptr<CommandBuffer> commandBuffer();

private:
    friend class ComputeDevice;
    friend class CommandBuffer;

    explicit CommandQueue(const std::weak_ptr<ComputeDevice>& device);

    void schedule(std::shared_ptr<CommandBuffer> buffer);
    void runPending();

    std::weak_ptr<ComputeDevice> device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<CommandBuffer>> pending_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace quorvel::platform
