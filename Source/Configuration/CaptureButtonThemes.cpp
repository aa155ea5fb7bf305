#include "Source/Configuration/CaptureButtonThemes.h"

namespace quorvel {

CaptureButtonThemes::CaptureButtonThemes(const CaptureTheme& theme)
    : ButtonThemes(theme),
      captureType_(theme),
      captureDocumentTypeSelected_(theme),
      captureAccess_(theme),
      capturePreviewDone_(theme),
      autoCapture_(theme),
      autoCaptureDisabled_(theme),
      cropCancel_(theme),
      cropDone_(theme) {}

}  // namespace quorvel
