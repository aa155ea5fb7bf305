#pragma once

#include "Source/Configuration/ButtonTheme.h"

namespace quorvel {

// The secondary button: clear background.
class SecondaryButtonTheme : public ButtonTheme {
public:
    explicit SecondaryButtonTheme(const DefaultTheme& theme);
};

}  // namespace quorvel
