#pragma once

#include <memory>
#include <string>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/WorkerPool.h"

namespace quorvel::platform {

// A labelled serial queue with one thread of its own (see DispatchQueue::makeSerial for what
// happens to pending work when it is destroyed).
class SerialDispatchQueue final : public DispatchQueue {
public:
    SerialDispatchQueue(std::string label, QualityOfService qos);
    ~SerialDispatchQueue() override;

    bool isCurrent() const override;

protected:
    void enqueue(Block block) override;
    void enqueueAfter(TimePoint deadline, Block block) override;

private:
    std::shared_ptr<WorkerPool> worker_;
};

}  // namespace quorvel::platform
