#include "Source/Configuration/CropCancelButtonTheme.h"

namespace quorvel {

CropCancelButtonTheme::CropCancelButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(theme.resolvedColor(&CaptureTheme::cropCancelButtonBackgroundColor),
                  theme.resolvedColor(&CaptureTheme::cropCancelButtonTextColor),
                  theme.cropCancelButtonCornerRadius, fontsOf(theme)->headline()) {}

}  // namespace quorvel
