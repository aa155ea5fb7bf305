#include "Source/Capture/Engine/TorchStateError.h"

namespace quorvel {

std::string errorDescription(TorchStateError error) {
    switch (error) {
        case TorchStateError::noTorch:
            return "Device has no torch";
        case TorchStateError::torchIsUnavailable:
            return "Torch is currently unavailable";
        case TorchStateError::failedToChangeTorchState:
            return "Failed to change torch state";
    }
    return {};
}

std::string TorchError::localizedDescription() const {
    if (const auto* torch = std::get_if<TorchStateError>(&error)) return errorDescription(*torch);
    return std::get<platform::CameraError>(error).localizedDescription;
}

bool TorchError::operator==(TorchStateError other) const {
    const auto* torch = std::get_if<TorchStateError>(&error);
    return torch && *torch == other;
}

std::optional<TorchError> CaptureDeviceTorch::toggleTorch(platform::CaptureDevice& device) {
    if (!device.hasTorch()) return TorchError{TorchStateError::noTorch};
    if (auto refused = device.lockForConfiguration()) return TorchError{*refused};

    std::optional<TorchError> failure;
    if (device.torchMode() == platform::TorchMode::off) {
        if (!device.isTorchAvailable()) {
            failure = TorchError{TorchStateError::torchIsUnavailable};
        } else if (auto refused = device.setTorchModeOn(1.0f)) {
            failure = TorchError{*refused};
        }
    } else if (auto refused = device.setTorchMode(platform::TorchMode::off)) {
        failure = TorchError{*refused};
    }
    device.unlockForConfiguration();
    return failure;
}

std::optional<TorchError> CaptureDeviceTorch::ensureTorchOff(platform::CaptureDevice& device) {
    if (device.torchMode() == platform::TorchMode::off) return std::nullopt;
    std::optional<TorchError> failure = toggleTorch(device);
    if (!failure && device.torchMode() != platform::TorchMode::off) {
        failure = TorchError{TorchStateError::failedToChangeTorchState};
    }
    if (failure && *failure == TorchStateError::noTorch) return std::nullopt;
    return failure;
}

}  // namespace quorvel
