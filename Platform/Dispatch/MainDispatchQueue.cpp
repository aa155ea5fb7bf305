#include "Platform/Dispatch/MainDispatchQueue.h"

#include <utility>

#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform {

std::shared_ptr<MainDispatchQueue> MainDispatchQueue::shared() {
    // Never destroyed, like the run loop it feeds.
    static auto* const queue =
        new std::shared_ptr<MainDispatchQueue>(std::make_shared<MainDispatchQueue>());
    return *queue;
}

MainDispatchQueue::MainDispatchQueue() : DispatchQueue("main", QualityOfService::userInteractive) {}

bool MainDispatchQueue::isCurrent() const {
    return MainRunLoop::isCurrent();
}

void MainDispatchQueue::enqueue(Block block) {
    MainRunLoop::enqueue(std::move(block));
}

void MainDispatchQueue::enqueueAfter(TimePoint deadline, Block block) {
    MainRunLoop::enqueueAfter(deadline, std::move(block));
}

}  // namespace quorvel::platform
