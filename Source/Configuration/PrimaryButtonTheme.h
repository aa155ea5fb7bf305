#pragma once

#include "Source/Configuration/ButtonTheme.h"

namespace quorvel {

// The primary button: brand background, rounded.
class PrimaryButtonTheme : public ButtonTheme {
public:
    explicit PrimaryButtonTheme(const DefaultTheme& theme);
};

}  // namespace quorvel
