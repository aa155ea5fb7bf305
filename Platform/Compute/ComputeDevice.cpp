#include "Platform/Compute/ComputeDevice.h"

#include <atomic>
#include <mutex>
#include <new>

#include "Platform/Compute/CommandQueue.h"
#include "Platform/Compute/Texture.h"

namespace quorvel::platform {

namespace {

std::atomic<bool> deviceAvailable{true};

struct FaultState {
    std::mutex mutex;
    ComputeFaults faults;
    int texturesMade = 0;
};

FaultState& faultState() {
    static FaultState state;
    return state;
}

// Counts a texture about to be made; false when the texture fault says it must fail.
bool admitTexture() {
    FaultState& state = faultState();
    std::lock_guard lock(state.mutex);
    if (state.faults.texturesBeforeFailure &&
        state.texturesMade >= *state.faults.texturesBeforeFailure) {
        return false;
    }
    ++state.texturesMade;
    return true;
}

}  // namespace

std::shared_ptr<ComputeDevice> ComputeDevice::systemDefault() {
    if (!deviceAvailable.load()) {
        return nullptr;
    }
    static const std::shared_ptr<ComputeDevice> device(new ComputeDevice());
    return device;
}

void ComputeDevice::setAvailable(bool available) {
    deviceAvailable.store(available);
}

bool ComputeDevice::isAvailable() {
    return deviceAvailable.load();
}

void ComputeDevice::setFaults(const ComputeFaults& faults) {
    FaultState& state = faultState();
    std::lock_guard lock(state.mutex);
    state.faults = faults;
    state.texturesMade = 0;
}

ComputeFaults ComputeDevice::faults() {
    FaultState& state = faultState();
    std::lock_guard lock(state.mutex);
    return state.faults;
}

std::shared_ptr<CommandQueue> ComputeDevice::newCommandQueue() {
    if (faults().commandQueue) {
        return nullptr;
    }
    return std::shared_ptr<CommandQueue>(new CommandQueue(weak_from_this()));
}

std::shared_ptr<Texture> ComputeDevice::newTexture(const TextureDescriptor& descriptor) {
    if (bytesPerPixel(descriptor.pixelFormat) == 0 || descriptor.width < 1 ||
        descriptor.height < 1 || descriptor.width > maximumTextureDimension ||
        descriptor.height > maximumTextureDimension || descriptor.usage == TextureUsage::unknown) {
        return nullptr;
    }
    if (!admitTexture()) {
        return nullptr;
    }
    try {
        return std::shared_ptr<Texture>(new Texture(weak_from_this(), descriptor));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace quorvel::platform
