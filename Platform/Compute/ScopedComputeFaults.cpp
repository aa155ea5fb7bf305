#include "Platform/Compute/ScopedComputeFaults.h"

namespace quorvel::platform {

ScopedComputeFaults::ScopedComputeFaults(const ComputeFaults& faults)
    : previous_(ComputeDevice::faults()) {
    ComputeDevice::setFaults(faults);
}

ScopedComputeFaults::~ScopedComputeFaults() {
    ComputeDevice::setFaults(previous_);
}

}  // namespace quorvel::platform
