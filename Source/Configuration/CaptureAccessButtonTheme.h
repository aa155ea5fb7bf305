#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The camera-access button of the permission panel.
class CaptureAccessButtonTheme : public ButtonTheme {
public:
    explicit CaptureAccessButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
