#pragma once

#include <optional>
#include <string>
#include <variant>

#include "Platform/Camera/CaptureDevice.h"

namespace quorvel {

enum class TorchStateError { noTorch, torchIsUnavailable, failedToChangeTorchState };

// "Device has no torch", "Torch is currently unavailable", "Failed to change torch state".
std::string errorDescription(TorchStateError error);

// What a torch operation raises: one of the torch errors, or the camera's own refusal (of the
// configuration lock or of a torch level).
struct TorchError {
    std::variant<TorchStateError, platform::CameraError> error;

    std::string localizedDescription() const;
    bool operator==(TorchStateError other) const;
};

// The torch operations on a camera device.
struct CaptureDeviceTorch {
    // Switches an off torch on at full level, any other mode off, under the device's
    // configuration lock (released again on every path).
    static std::optional<TorchError> toggleTorch(platform::CaptureDevice& device);
    // Switches the torch off if it is not; a device without a torch counts as off.
    static std::optional<TorchError> ensureTorchOff(platform::CaptureDevice& device);
};

}  // namespace quorvel
