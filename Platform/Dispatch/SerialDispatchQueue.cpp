#include "Platform/Dispatch/SerialDispatchQueue.h"

#include <utility>

namespace quorvel::platform {

SerialDispatchQueue::SerialDispatchQueue(std::string label, QualityOfService qos)
    : DispatchQueue(std::move(label), qos), worker_(WorkerPool::start(this->label(), 1)) {}

SerialDispatchQueue::~SerialDispatchQueue() {
    worker_->shutdown();
}

bool SerialDispatchQueue::isCurrent() const {
    return worker_->isCurrent();
}

void SerialDispatchQueue::enqueue(Block block) {
    worker_->enqueue(std::move(block));
}

void SerialDispatchQueue::enqueueAfter(TimePoint deadline, Block block) {
    worker_->enqueueAfter(deadline, std::move(block));
}

}  // namespace quorvel::platform
