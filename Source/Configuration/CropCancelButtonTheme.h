#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The crop screen's Cancel button.
class CropCancelButtonTheme : public ButtonTheme {
public:
    explicit CropCancelButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
