#include "Platform/Compute/ScopedComputeDeviceUnavailable.h"

#include "Platform/Compute/ComputeDevice.h"

namespace quorvel::platform {

ScopedComputeDeviceUnavailable::ScopedComputeDeviceUnavailable()
    : previous_(ComputeDevice::isAvailable()) {
    ComputeDevice::setAvailable(false);
}

ScopedComputeDeviceUnavailable::~ScopedComputeDeviceUnavailable() {
    ComputeDevice::setAvailable(previous_);
}

}  // namespace quorvel::platform
