#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The crop screen's Done button.
class CropDoneButtonTheme : public ButtonTheme {
public:
    explicit CropDoneButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
