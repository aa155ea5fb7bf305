#include "Source/Configuration/CaptureDocumentTypeButtonTheme.h"

namespace quorvel {

CaptureDocumentTypeButtonTheme::CaptureDocumentTypeButtonTheme(const CaptureTheme& theme)
    : ButtonTheme(platform::Color::clear(),
                  theme.resolvedColor(&CaptureTheme::captureDocumentTypeButtonTextColor),
                  theme.secondaryButtonCornerRadius(), fontsOf(theme)->subhead()) {}

}  // namespace quorvel
