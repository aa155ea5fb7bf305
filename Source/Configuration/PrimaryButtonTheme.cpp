#include "Source/Configuration/PrimaryButtonTheme.h"

namespace quorvel {

PrimaryButtonTheme::PrimaryButtonTheme(const DefaultTheme& theme)
    : ButtonTheme(theme.resolvedColor(&DefaultTheme::primaryBrandBackground2),
                  theme.resolvedColor(&DefaultTheme::uiSecondaryForeground),
                  theme.primaryButtonCornerRadius(), fontsOf(theme)->callout()) {}

}  // namespace quorvel
