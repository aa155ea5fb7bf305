#pragma once

#include <memory>

#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

// The main queue: its blocks run on the main run loop, on whichever thread drives it.
class MainDispatchQueue final : public DispatchQueue {
public:
    static std::shared_ptr<MainDispatchQueue> shared();

    MainDispatchQueue();

    bool isCurrent() const override;

protected:
    void enqueue(Block block) override;
    void enqueueAfter(TimePoint deadline, Block block) override;
};

}  // namespace quorvel::platform
