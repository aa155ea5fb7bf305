#pragma once

#include <memory>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/WorkerPool.h"

namespace quorvel::platform {

// One of the global concurrent queues: a pool of 2 to 4 threads per quality of service, made on
// first use and never destroyed (its threads may still be running while the process exits).
class GlobalDispatchQueue final : public DispatchQueue {
public:
    // The queue of `qos`; unspecified maps to the default class.
    static std::shared_ptr<GlobalDispatchQueue> shared(QualityOfService qos);

    GlobalDispatchQueue(QualityOfService qos, std::size_t threadCount);

    bool isCurrent() const override;

    // Runs the block on the calling thread, as the platform does for concurrent queues.
    void sync(Block block) override;

protected:
    void enqueue(Block block) override;
    void enqueueAfter(TimePoint deadline, Block block) override;

private:
    std::shared_ptr<WorkerPool> workers_;
};

}  // namespace quorvel::platform
