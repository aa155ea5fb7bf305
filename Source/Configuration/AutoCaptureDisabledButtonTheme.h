#pragma once

#include "Source/Configuration/AutoCaptureButtonTheme.h"

namespace quorvel {

// The auto-capture toggle while automatic capture is off: only the title colour differs.
class AutoCaptureDisabledButtonTheme : public AutoCaptureButtonTheme {
public:
    explicit AutoCaptureDisabledButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
