#pragma once

#include <string>

namespace quorvel::platform {

// An error of the camera stand-in (a refused configuration lock, a torch change it cannot make, a
// failed photo), carrying the text the platform would show as its localized description.
struct CameraError {
    std::string localizedDescription;

    const std::string& description() const { return localizedDescription; }

    friend bool operator==(const CameraError&, const CameraError&) = default;
};

}  // namespace quorvel::platform
