#include "Source/Configuration/AutoCaptureDisabledButtonTheme.h"

namespace quorvel {

AutoCaptureDisabledButtonTheme::AutoCaptureDisabledButtonTheme(const CaptureTheme& theme)
    : AutoCaptureButtonTheme(theme) {
    titleColor = theme.resolvedColor(&CaptureTheme::autoCaptureDisabledButtonTextColor);
}

}  // namespace quorvel
