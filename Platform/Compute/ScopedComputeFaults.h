#pragma once

#include "Platform/Compute/ComputeDevice.h"

namespace quorvel::platform {

// Installs compute-device failures for the lifetime of the object and puts back the previous ones
// when it goes away (which restarts their texture count).
class ScopedComputeFaults {
public:
    explicit ScopedComputeFaults(const ComputeFaults& faults);
    ~ScopedComputeFaults();

    ScopedComputeFaults(const ScopedComputeFaults&) = delete;
    ScopedComputeFaults& operator=(const ScopedComputeFaults&) = delete;

private:
    ComputeFaults previous_;
};

}  // namespace quorvel::platform
