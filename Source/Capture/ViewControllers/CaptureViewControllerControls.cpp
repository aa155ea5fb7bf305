#include "Source/Capture/ViewControllers/CaptureViewControllerControls.h"

namespace quorvel {

bool CaptureViewControllerControls::isLong(CaptureDocumentType type) {
    return type == CaptureDocumentType::longFirst || type == CaptureDocumentType::longSecond;
}

CaptureViewControllerControls::AutoCaptureButton CaptureViewControllerControls::autoCaptureButton(
    const CaptureFeatures& features, CaptureType captureType, CaptureDocumentType documentType) {
    AutoCaptureButton button;
    button.hidden = !features.enableAutoCapture();
    if (isLong(documentType)) {
        button.enabled = false;
        button.theme = AutoCaptureTheme::autoCaptureDisabled;
        button.image = "capture-auto-off";
        button.titleKey = "auto-capture-button-disabled";
        button.labelKey = "auto-capture-disabled";
    } else if (captureType == CaptureType::automatic) {
        button.theme = AutoCaptureTheme::autoCapture;
        button.image = "capture-auto-on";
        button.titleKey = "auto-capture-button-on";
        button.labelKey = "auto-capture-on";
        button.hintKey = "auto-capture-button-hint";
    } else {
        button.theme = AutoCaptureTheme::autoCaptureDisabled;
        button.image = "capture-auto-off";
        button.titleKey = "auto-capture-button-off";
        button.labelKey = "auto-capture-off";
    }
    return button;
}

CaptureViewControllerControls::FlashButton CaptureViewControllerControls::flashButton(
    const CaptureFeatures& features, bool torchOn) {
    FlashButton button;
    button.hidden = !features.enableFlash();
    button.image = torchOn ? "capture-flash-on" : "capture-flash-off";
    button.labelKey = torchOn ? "flash-on" : "flash-off";
    button.hintKey = "change-camera-flash-mode";
    return button;
}

std::string CaptureViewControllerControls::backButtonImage(bool hasFirstSection) {
    return hasFirstSection ? "capture-back" : "capture-close";
}

bool CaptureViewControllerControls::galleryButtonHidden(const CaptureFeatures& features,
                                                        CaptureDocumentType documentType) {
    return !features.enableImageGallery() || isLong(documentType);
}

CaptureViewControllerControls::ModeStrip CaptureViewControllerControls::modeStrip(
    const CaptureFeatures& features, CaptureDocumentType documentType, std::size_t pageCount,
    bool hasFirstSection) {
    ModeStrip strip;
    strip.hidden = pageCount > 0 || !features.enableLongCapture() || hasFirstSection;
    if (strip.hidden) return strip;
    strip.longSelected = isLong(documentType);
    strip.normalLabelKey =
        strip.longSelected ? "normal-capture-button" : "normal-capture-button-selected";
    strip.longLabelKey =
        strip.longSelected ? "long-capture-button-selected" : "long-capture-button";
    return strip;
}

std::string CaptureViewControllerControls::longTitleKey(double longButtonWidth,
                                                        double normalTitleWidth) {
    return longButtonWidth < normalTitleWidth ? "long-capture-button-short-title"
                                              : "long-capture-button-title";
}

CaptureViewControllerControls::PreviousPages CaptureViewControllerControls::previousPages(
    CaptureDocumentType documentType, std::size_t pageCount, bool hasLastImage) {
    PreviousPages pages;
    pages.hidden = isLong(documentType) || pageCount == 0 || !hasLastImage;
    if (!pages.hidden) pages.countText = std::to_string(pageCount);
    return pages;
}

std::optional<std::string> CaptureViewControllerControls::previewHintKey(
    CaptureDocumentType documentType) {
    if (documentType == CaptureDocumentType::normal) return "capture-detection-announcement";
    return std::nullopt;
}

}  // namespace quorvel
