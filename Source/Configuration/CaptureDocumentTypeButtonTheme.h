#pragma once

#include "Source/Configuration/ButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The normal/long document-type buttons; the radius is the base theme's secondary one.
class CaptureDocumentTypeButtonTheme : public ButtonTheme {
public:
    explicit CaptureDocumentTypeButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
