#include "Platform/Dispatch/GlobalDispatchQueue.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace quorvel::platform {
namespace {

constexpr std::size_t kQualityOfServiceCount = 6;

std::size_t poolSize() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores, 2, 4);
}

std::string globalLabel(QualityOfService qos) {
    return "global." + std::string(qualityOfServiceName(qos));
}

}  // namespace

std::shared_ptr<GlobalDispatchQueue> GlobalDispatchQueue::shared(QualityOfService qos) {
    if (qos == QualityOfService::unspecified) {
        qos = QualityOfService::defaultQoS;
    }
    // Never destroyed: blocks may still run on these threads during static destruction.
    static std::mutex* const mutex = new std::mutex;
    static auto* const queues =
        new std::array<std::shared_ptr<GlobalDispatchQueue>, kQualityOfServiceCount>;
    std::lock_guard lock(*mutex);
    auto& queue = (*queues)[static_cast<std::size_t>(qos)];
    if (!queue) {
        queue = std::make_shared<GlobalDispatchQueue>(qos, poolSize());
    }
    return queue;
}

GlobalDispatchQueue::GlobalDispatchQueue(QualityOfService qos, std::size_t threadCount)
    : DispatchQueue(globalLabel(qos), qos), workers_(WorkerPool::start(label(), threadCount)) {}

bool GlobalDispatchQueue::isCurrent() const {
    return workers_->isCurrent();
}

void GlobalDispatchQueue::sync(Block block) {
    if (!block) {
        return;
    }
    WorkerPool::CurrentScope scope(workers_.get());
    block();
}

void GlobalDispatchQueue::enqueue(Block block) {
    workers_->enqueue(std::move(block));
}

void GlobalDispatchQueue::enqueueAfter(TimePoint deadline, Block block) {
    workers_->enqueueAfter(deadline, std::move(block));
}

}  // namespace quorvel::platform
