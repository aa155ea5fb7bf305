#include "Source/Configuration/CapturePreviewDoneButtonTheme.h"

namespace quorvel {

CapturePreviewDoneButtonTheme::CapturePreviewDoneButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(theme.resolvedColor(&CaptureTheme::capturePreviewDoneButtonBackgroundColor),
                  theme.resolvedColor(&CaptureTheme::capturePreviewDoneButtonTextColor),
                  theme.capturePreviewDoneButtonCornerRadius, fontsOf(theme)->subhead()) {}

}  // namespace quorvel
