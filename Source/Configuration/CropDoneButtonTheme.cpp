#include "Source/Configuration/CropDoneButtonTheme.h"

namespace quorvel {

CropDoneButtonTheme::CropDoneButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(theme.resolvedColor(&CaptureTheme::cropDoneButtonBackgroundColor),
                  theme.resolvedColor(&CaptureTheme::cropDoneButtonTextColor),
                  theme.cropDoneButtonCornerRadius, fontsOf(theme)->subhead()) {}

}  // namespace quorvel
