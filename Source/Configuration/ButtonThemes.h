#pragma once

#include "Source/Configuration/PrimaryButtonTheme.h"
#include "Source/Configuration/SecondaryButtonTheme.h"

namespace quorvel {

// The two public button themes of a base theme.
class ButtonThemes {
public:
    explicit ButtonThemes(const DefaultTheme& theme);
    virtual ~ButtonThemes() = default;

    const PrimaryButtonTheme& primary() const { return primary_; }
    const SecondaryButtonTheme& secondary() const { return secondary_; }

private:
    PrimaryButtonTheme primary_;
    SecondaryButtonTheme secondary_;
};

}  // namespace quorvel
