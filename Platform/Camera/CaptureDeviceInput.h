#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "Platform/Camera/CameraError.h"
#include "Platform/Camera/CaptureDevice.h"

namespace quorvel::platform {

// A device as the input of a capture session. Immutable.
class CaptureDeviceInput {
    struct Token {};

public:
    // The input of `device`; an error instead when there is no device or the camera permission
    // has been denied or restricted (the platform's input fails then as well).
    static std::pair<std::shared_ptr<CaptureDeviceInput>, std::optional<CameraError>> make(
        std::shared_ptr<CaptureDevice> device);

    CaptureDeviceInput(Token, std::shared_ptr<CaptureDevice> device) : device_(std::move(device)) {}

    const std::shared_ptr<CaptureDevice>& device() const { return device_; }

private:
    std::shared_ptr<CaptureDevice> device_;
};

}  // namespace quorvel::platform
