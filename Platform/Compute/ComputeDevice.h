#pragma once

#include <memory>
#include <optional>

#include "Platform/Compute/TextureDescriptor.h"

namespace quorvel::platform {

class CommandQueue;
class Texture;

// Failures a test can make the device report, to reach the paths a real device takes when it
// runs out of resources. Process-wide; see ComputeDevice::setFaults and ScopedComputeFaults.
struct ComputeFaults {
    // newCommandQueue() answers nullptr.
    bool commandQueue = false;
    // CommandQueue::commandBuffer() answers nullptr.
    bool commandBuffer = false;
    // When set, newTexture() makes this many textures (counted from the moment the faults were
    // set, over all threads) and answers nullptr from then on.
    std::optional<int> texturesBeforeFailure;
};

// The compute device: the stand-in for the phone's graphics processor. Work encoded for it runs on
// the CPU (see CommandBuffer and the image kernels), with the platform's results.
//
// As on the platform, the system default device may be missing; tests take it away with
// setAvailable(false) or ScopedComputeDeviceUnavailable. While it is there, systemDefault() hands
// out the same device every time.
class ComputeDevice : public std::enable_shared_from_this<ComputeDevice> {
public:
    // The largest texture width and height, the platform's limit for 2D textures.
    static constexpr int maximumTextureDimension = 16384;

    // The system's device; nullptr while the device is made unavailable.
    static std::shared_ptr<ComputeDevice> systemDefault();

    // Process-wide and thread-safe. A device already handed out keeps working.
    static void setAvailable(bool available);
    static bool isAvailable();

    // Installs failures (process-wide, thread-safe) and restarts the texture count.
    static void setFaults(const ComputeFaults& faults);
    static ComputeFaults faults();

    // A new queue whose command buffers run in the order they are committed; nullptr when the
    // commandQueue fault is set.
    std::shared_ptr<CommandQueue> newCommandQueue();

    // A new texture, all zero bytes; nullptr when the format is invalid, the width or height is
    // not in 1…maximumTextureDimension, the usage is unknown (0), the memory cannot be had, or the
    // texture fault says so.
    std::shared_ptr<Texture> newTexture(const TextureDescriptor& descriptor);

private:
    ComputeDevice() = default;
};

}  // namespace quorvel::platform
