#include "Platform/Dispatch/DispatchQueue.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "Platform/Dispatch/GlobalDispatchQueue.h"
#include "Platform/Dispatch/MainDispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/SerialDispatchQueue.h"

namespace quorvel::platform {

DispatchQueue::DispatchQueue(std::string label, QualityOfService qos)
    : label_(std::move(label)), qos_(qos) {}

std::shared_ptr<DispatchQueue> DispatchQueue::main() {
    return MainDispatchQueue::shared();
}

std::shared_ptr<DispatchQueue> DispatchQueue::makeSerial(std::string label, QualityOfService qos) {
    return std::make_shared<SerialDispatchQueue>(std::move(label), qos);
}

std::shared_ptr<DispatchQueue> DispatchQueue::global(QualityOfService qos) {
    return GlobalDispatchQueue::shared(qos);
}

bool DispatchQueue::isMainThread() {
    return MainRunLoop::isCurrent();
}

void DispatchQueue::async(Block block) {
    if (block) {
        enqueue(std::move(block));
    }
}

void DispatchQueue::asyncAfter(TimePoint deadline, Block block) {
    if (block) {
        enqueueAfter(deadline, std::move(block));
    }
}

void DispatchQueue::sync(Block block) {
    if (!block) {
        return;
    }
    if (isCurrent()) {
        failDeadlockingSync();
    }
    struct Completion {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    // Signals the waiting caller when the block has been destroyed: after it ran, or when it was
    // dropped without running (main-queue work discarded by a test), so the caller never hangs on
    // a block that will not come.
    struct Signal {
        explicit Signal(std::shared_ptr<Completion> c) : completion(std::move(c)) {}
        Signal(const Signal&) = delete;
        Signal& operator=(const Signal&) = delete;
        ~Signal() {
            {
                std::lock_guard lock(completion->mutex);
                completion->done = true;
            }
            completion->finished.notify_all();
        }
        std::shared_ptr<Completion> completion;
    };
    auto completion = std::make_shared<Completion>();
    auto signal = std::make_shared<Signal>(completion);
    // The caller waits below, so the block can be borrowed by reference.
    enqueue([&block, signal] { block(); });
    signal.reset();
    std::unique_lock lock(completion->mutex);
    completion->finished.wait(lock, [&] { return completion->done; });
}

void DispatchQueue::failDeadlockingSync() const {
    std::fprintf(stderr,
                 "DispatchQueue: sync on queue \"%s\" from a block already running on it would "
                 "deadlock\n",
                 label_.c_str());
    std::abort();
}

}  // namespace quorvel::platform
