#include "Source/Configuration/AutoCaptureButtonTheme.h"

namespace quorvel {

AutoCaptureButtonTheme::AutoCaptureButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(theme.resolvedColor(&CaptureTheme::captureBackgroundColor),
                  theme.resolvedColor(&CaptureTheme::autoCaptureButtonTextColor),
                  theme.autoCaptureButtonCornerRadius, fontsOf(theme)->captionOne()) {}

}  // namespace quorvel
