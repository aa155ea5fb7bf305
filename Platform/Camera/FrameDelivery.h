#pragma once

#include <condition_variable>
#include <mutex>

namespace quorvel::platform {

// Counts the frames of one emission that were handed to delegate queues and not handled yet, so
// that whoever emitted them can wait until every delegate has seen its frame (or the frame was
// dropped with its queue). Shared between the emitter and the queued blocks.
class FrameDelivery {
public:
    void begin() {
        std::lock_guard lock(mutex_);
        ++pending_;
    }
    void end() {
        std::lock_guard lock(mutex_);
        --pending_;
        finished_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [this] { return pending_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    int pending_ = 0;
};

}  // namespace quorvel::platform
