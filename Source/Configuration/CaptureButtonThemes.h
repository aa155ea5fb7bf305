#pragma once

#include "Source/Configuration/AutoCaptureButtonTheme.h"
#include "Source/Configuration/AutoCaptureDisabledButtonTheme.h"
#include "Source/Configuration/ButtonThemes.h"
#include "Source/Configuration/CaptureAccessButtonTheme.h"
#include "Source/Configuration/CaptureDocumentTypeButtonTheme.h"
#include "Source/Configuration/CaptureDocumentTypeSelectedButtonTheme.h"
#include "Source/Configuration/CapturePreviewDoneButtonTheme.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/CropCancelButtonTheme.h"
#include "Source/Configuration/CropDoneButtonTheme.h"

namespace quorvel {

// Every button theme of the capture, preview and crop screens, built from one capture theme.
// It can only be built from a capture theme.
class CaptureButtonThemes : public ButtonThemes {
public:
    explicit CaptureButtonThemes(const CaptureTheme& theme);
    explicit CaptureButtonThemes(const DefaultTheme&) = delete;

    const CaptureDocumentTypeButtonTheme& captureType() const { return captureType_; }
    const CaptureDocumentTypeSelectedButtonTheme& captureDocumentTypeSelected() const {
        return captureDocumentTypeSelected_;
    }
    const CaptureAccessButtonTheme& captureAccess() const { return captureAccess_; }
    const CapturePreviewDoneButtonTheme& capturePreviewDone() const { return capturePreviewDone_; }
    const AutoCaptureButtonTheme& autoCapture() const { return autoCapture_; }
    const AutoCaptureDisabledButtonTheme& autoCaptureDisabled() const {
        return autoCaptureDisabled_;
    }
    const CropCancelButtonTheme& cropCancel() const { return cropCancel_; }
    const CropDoneButtonTheme& cropDone() const { return cropDone_; }

private:
    CaptureDocumentTypeButtonTheme captureType_;
    CaptureDocumentTypeSelectedButtonTheme captureDocumentTypeSelected_;
    CaptureAccessButtonTheme captureAccess_;
    CapturePreviewDoneButtonTheme capturePreviewDone_;
    AutoCaptureButtonTheme autoCapture_;
    AutoCaptureDisabledButtonTheme autoCaptureDisabled_;
    CropCancelButtonTheme cropCancel_;
    CropDoneButtonTheme cropDone_;
};

}  // namespace quorvel
