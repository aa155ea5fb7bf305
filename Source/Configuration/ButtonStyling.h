#pragma once

#include "Platform/UI/Button.h"
#include "Source/Configuration/ButtonTheme.h"

namespace quorvel {

// Styles a button from a button theme, for the normal state only: clipping, a 1×1-point background
// image of the theme's colour, title colour, corner radius, the title label's font (shrinking to
// fit down to 0.3), content insets 0/8/0/8, and aspect-fit for the image view. A button without a
// title label or image view gets every other step. Titles, images, enabled state, sizes and other
// states are the caller's.
struct ButtonStyling {
    static void apply(platform::Button& button, const ButtonTheme& theme);
};

}  // namespace quorvel
