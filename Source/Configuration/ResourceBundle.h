#pragma once

#include <memory>

#include "Platform/Foundation/Bundle.h"

namespace quorvel {

// The framework's own resource bundle: nibs, asset catalogue with the 16 base colours and the
// screens' images, and the localization table.
struct ResourceBundle {
    // "QuorvelCaptureResources.bundle" inside the framework's bundle (the directory of the loaded
    // library), else the framework's bundle itself. Never null. Computed afresh on every call:
    // callers that need it often keep their own reference.
    static std::shared_ptr<platform::Bundle> resources();

    static constexpr const char* resourceBundleName = "QuorvelCaptureResources";
};

}  // namespace quorvel
