#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The auto-capture toggle while automatic capture is on.
class AutoCaptureButtonTheme : public ButtonTheme {
public:
    explicit AutoCaptureButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
