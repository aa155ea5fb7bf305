#pragma once

#include <memory>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Font.h"
#include "Source/Configuration/DefaultTheme.h"

namespace quorvel {

// A button's look, read once from a theme: later changes to the theme do not reach it.
// Subclasses name the theme values they take; the fields stay settable so a host may adjust a
// built theme before applying it.
class ButtonTheme {
public:
    virtual ~ButtonTheme() = default;

    platform::Color backgroundColor;
    platform::Color titleColor;
    float cornerRadius;
    platform::Font font;

protected:
    ButtonTheme(platform::Color backgroundColor, platform::Color titleColor, float cornerRadius,
                platform::Font font)
        : backgroundColor(backgroundColor),
          titleColor(titleColor),
          cornerRadius(cornerRadius),
          font(std::move(font)) {}

    // The theme's fonts, or the default fonts for a theme that carries none (a decoded one).
    static std::shared_ptr<FontManager> fontsOf(const DefaultTheme& theme) {
        return theme.fonts() ? theme.fonts() : FontManager::makeDefault();
    }
};

}  // namespace quorvel
