#include "Source/Configuration/CaptureDocumentTypeSelectedButtonTheme.h"

namespace quorvel {

CaptureDocumentTypeSelectedButtonTheme::CaptureDocumentTypeSelectedButtonTheme(
    const CaptureTheme& theme)
    : CaptureDocumentTypeButtonTheme(theme) {
    font = fontsOf(theme)->titleTwo();
}

}  // namespace quorvel
