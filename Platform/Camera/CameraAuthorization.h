#pragma once

#include <functional>

#include "Platform/Camera/CaptureDevice.h"

namespace quorvel::platform {

// The camera permission of the process and the simulated user who answers the platform's
// permission prompt. The status starts as notDetermined, as for a freshly installed app; the
// first request asks the user, who grants access unless told otherwise (setAnswer), and the
// answer becomes the status. Thread-safe.
class CameraAuthorization {
public:
    CameraAuthorization() = delete;

    static AuthorizationStatus status();
    static void set(AuthorizationStatus status);
    // What the user answers when asked (only asked while the status is notDetermined).
    static void setAnswer(bool grants);
    // Back to notDetermined with a granting user.
    static void reset();

    // The platform's request: decides (asking the user if need be) and calls `completion` with
    // whether access is granted, on the default global queue.
    static void request(std::function<void(bool granted)> completion);
};

}  // namespace quorvel::platform
