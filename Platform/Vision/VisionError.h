#pragma once

#include <string>

namespace quorvel::platform {

// An error reported by a vision request or its handler.
struct VisionError {
    std::string localizedDescription;

    const std::string& description() const { return localizedDescription; }
};

}  // namespace quorvel::platform
