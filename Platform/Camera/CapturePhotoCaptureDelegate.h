#pragma once

#include <memory>
#include <optional>

#include "Platform/Camera/CameraError.h"

namespace quorvel::platform {

class CapturePhoto;
class CapturePhotoOutput;

// Receives the photo of one request, on the camera's photo-callback queue.
class CapturePhotoCaptureDelegate {
public:
    virtual ~CapturePhotoCaptureDelegate() = default;

    // `photo` is never null; with an error it carries no file data.
    virtual void photoOutput(CapturePhotoOutput& output, std::shared_ptr<CapturePhoto> photo,
                             std::optional<CameraError> error) = 0;
};

}  // namespace quorvel::platform
