#include "Source/Configuration/SecondaryButtonTheme.h"

namespace quorvel {

SecondaryButtonTheme::SecondaryButtonTheme(const DefaultTheme& theme)
    : ButtonTheme(platform::Color::clear(),
                  theme.resolvedColor(&DefaultTheme::uiSecondaryForeground),
                  theme.secondaryButtonCornerRadius(), fontsOf(theme)->callout()) {}

}  // namespace quorvel
