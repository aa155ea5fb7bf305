#include "Source/Capture/Engine/FlashManager.h"

#include "Platform/Camera/CaptureDevice.h"
#include "Source/Capture/Engine/TorchStateError.h"
#include "Source/Configuration/Logger.h"

namespace quorvel {

FlashManager& FlashManager::instance() {
    static FlashManager* manager = new FlashManager();
    return *manager;
}

void FlashManager::setDelegate(std::weak_ptr<FlashManagerDelegate> delegate) {
    std::lock_guard lock(mutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<FlashManagerDelegate> FlashManager::delegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

bool FlashManager::isTorchActive() const {
    auto device = platform::CaptureDevice::defaultDevice(platform::MediaType::video);
    return device && device->isTorchActive();
}

void FlashManager::updateState(bool on) {
    auto device = platform::CaptureDevice::defaultDevice(platform::MediaType::video);
    if (!device || device->isTorchActive() == on) return;

    std::optional<TorchError> failure;
    if (on) {
        if (device->torchMode() != platform::TorchMode::on) {
            failure = CaptureDeviceTorch::toggleTorch(*device);
            if (!failure && device->torchMode() != platform::TorchMode::on) {
                failure = TorchError{TorchStateError::failedToChangeTorchState};
            }
        }
    } else {
        failure = CaptureDeviceTorch::ensureTorchOff(*device);
    }
    if (failure) {
        Logger::capture().error("Failed to toggle torch state: %@",
                                failure->localizedDescription());
        return;
    }
    if (auto delegate = this->delegate()) delegate->torchStateChanged();
}

}  // namespace quorvel
