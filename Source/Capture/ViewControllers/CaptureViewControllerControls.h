#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Configuration/CaptureFeatures.h"

namespace quorvel {

// What the camera screen's controls show for a given state: the feature switches, the user's
// capture type, the document type, the torch and the pages. Pure functions; the screen applies
// the answers to its buttons (images, button themes, localized titles and accessibility).
class CaptureViewControllerControls {
public:
    // Which of the two auto-capture button themes a state uses.
    enum class AutoCaptureTheme { autoCapture, autoCaptureDisabled };

    struct AutoCaptureButton {
        bool hidden = false;
        bool enabled = true;
        AutoCaptureTheme theme = AutoCaptureTheme::autoCaptureDisabled;
        std::string image;
        // Looked up, then upper-cased.
        std::string titleKey;
        std::string labelKey;
        std::optional<std::string> hintKey;
    };

    struct FlashButton {
        bool hidden = false;
        std::string image;
        std::string labelKey;
        std::string hintKey;
    };

    struct ModeStrip {
        // Both mode buttons hidden (and out of the accessibility tree).
        bool hidden = false;
        // Which button the strip centres and styles as selected.
        bool longSelected = false;
        std::string normalLabelKey;
        std::string longLabelKey;
    };

    struct PreviousPages {
        bool hidden = true;
        // The page count as shown on the thumbnail and read as the label's one token.
        std::string countText;
    };

    // Long means either section of a long receipt; normal and album are not long.
    static bool isLong(CaptureDocumentType type);

    static AutoCaptureButton autoCaptureButton(const CaptureFeatures& features,
                                               CaptureType captureType,
                                               CaptureDocumentType documentType);
    static FlashButton flashButton(const CaptureFeatures& features, bool torchOn);
    static std::string backButtonImage(bool hasFirstSection);
    static bool galleryButtonHidden(const CaptureFeatures& features,
                                    CaptureDocumentType documentType);
    static ModeStrip modeStrip(const CaptureFeatures& features, CaptureDocumentType documentType,
                               std::size_t pageCount, bool hasFirstSection);
    // The long mode's title key: the short one when the long button is narrower than the normal
    // title rendered in the selected mode's font.
    static std::string longTitleKey(double longButtonWidth, double normalTitleWidth);
    // `hasLastImage`: the last page's unfiltered image exists.
    static PreviousPages previousPages(CaptureDocumentType documentType, std::size_t pageCount,
                                       bool hasLastImage);
    // The preview's hint: the detection announcement for normal documents only.
    static std::optional<std::string> previewHintKey(CaptureDocumentType documentType);
};

}  // namespace quorvel
