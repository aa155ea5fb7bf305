#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The preview screen's Done button.
class CapturePreviewDoneButtonTheme : public ButtonTheme {
public:
    explicit CapturePreviewDoneButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
