#pragma once

#include "Source/Configuration/CaptureDocumentTypeButtonTheme.h"

namespace quorvel {

// The selected document-type button: only the font differs.
class CaptureDocumentTypeSelectedButtonTheme : public CaptureDocumentTypeButtonTheme {
public:
    explicit CaptureDocumentTypeSelectedButtonTheme(const CaptureTheme& theme);
};

}  // namespace quorvel
