#include "Platform/Foundation/Device.h"

namespace quorvel::platform {

Device& Device::current() {
    // Never destroyed: threads still running while the process exits may read it.
    static Device* const device = new Device;
    return *device;
}

void Device::setOrientation(DeviceOrientation orientation) {
    current().orientation_.store(orientation, std::memory_order_release);
}

}  // namespace quorvel::platform
