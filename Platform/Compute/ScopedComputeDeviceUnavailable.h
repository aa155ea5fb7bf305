#pragma once

namespace quorvel::platform {

// Takes the system compute device away for the lifetime of the object (ComputeDevice::
// systemDefault() answers nullptr) and puts back the previous availability when it goes away.
class ScopedComputeDeviceUnavailable {
public:
    ScopedComputeDeviceUnavailable();
    ~ScopedComputeDeviceUnavailable();

    ScopedComputeDeviceUnavailable(const ScopedComputeDeviceUnavailable&) = delete;
    ScopedComputeDeviceUnavailable& operator=(const ScopedComputeDeviceUnavailable&) = delete;

private:
    bool previous_;
};

}  // namespace quorvel::platform
