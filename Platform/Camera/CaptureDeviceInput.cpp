#include "Platform/Camera/CaptureDeviceInput.h"

namespace quorvel::platform {

std::pair<std::shared_ptr<CaptureDeviceInput>, std::optional<CameraError>> CaptureDeviceInput::make(
    std::shared_ptr<CaptureDevice> device) {
    if (!device) {
        return {nullptr, CameraError{"There is no capture device"}};
    }
    const AuthorizationStatus status = CaptureDevice::authorizationStatus(MediaType::video);
    if (status == AuthorizationStatus::denied || status == AuthorizationStatus::restricted) {
        return {nullptr, CameraError{"The app is not authorized to use the camera"}};
    }
    return {std::make_shared<CaptureDeviceInput>(Token{}, std::move(device)), std::nullopt};
}

}  // namespace quorvel::platform
