#include "Source/Configuration/CaptureAccessButtonTheme.h"

namespace quorvel {

CaptureAccessButtonTheme::CaptureAccessButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(theme.resolvedColor(&CaptureTheme::capturePermissionButtonBackgroundColor),
                  theme.resolvedColor(&CaptureTheme::capturePermissionButtonTextColor),
                  theme.capturePermissionButtonCornerRadius, fontsOf(theme)->subhead()) {}

}  // namespace quorvel
