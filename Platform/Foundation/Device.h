#pragma once

#include <atomic>

namespace quorvel::platform {

// The physical orientation of the device, with the phone platform's cases and raw values.
// As on the platform, landscapeLeft is the device held sideways with its bottom (the home button)
// on the right, landscapeRight with its bottom on the left.
enum class DeviceOrientation {
    unknown = 0,
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeLeft = 3,
    landscapeRight = 4,
    faceUp = 5,
    faceDown = 6,
};

// The device the process runs on, standing in for the phone platform's current device. Its
// orientation is what the phone's motion sensors would report; here the host or a test sets it.
// It starts as portrait. Reads and writes are atomic and may happen on any thread.
class Device {
public:
    static Device& current();

    DeviceOrientation orientation() const { return orientation_.load(std::memory_order_acquire); }
    // Sets the orientation of the one current device.
    static void setOrientation(DeviceOrientation orientation);

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

private:
    Device() = default;

    std::atomic<DeviceOrientation> orientation_{DeviceOrientation::portrait};
};

}  // namespace quorvel::platform
