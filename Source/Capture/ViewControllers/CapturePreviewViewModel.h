#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The state behind the preview screen: the shared page group, the theme with its button themes,
// the document type and the page to open on, and which of the screen's controls to hide.
class CapturePreviewViewModel {
public:
    // None of the pointers may be null.
    CapturePreviewViewModel(std::shared_ptr<CapturedImageGroup> imageGroup,
                            std::shared_ptr<CaptureConfiguration> configuration,
                            std::shared_ptr<CaptureTheme> theme,
                            CaptureDocumentType captureDocumentType,
                            std::optional<std::size_t> startingIndex);

    std::shared_ptr<CapturedImageGroup> imageGroup;
    const std::shared_ptr<CaptureTheme> theme;
    std::shared_ptr<CaptureButtonThemes> buttonThemes;
    const CaptureDocumentType captureDocumentType;
    const std::optional<std::size_t> startingIndex;

    // Rebuilds the button themes from the theme (after a text-size change).
    void reloadButtonThemes();

    // Add page: not for either section of a long capture, not once three pages are held, not
    // when the switch is off. A photo-library pick keeps it.
    bool hideAddPageButton() const;
    // Crop: not for a long capture's first section, not when the switch is off.
    bool hideCropButton() const;
    // The page indicator and page buttons: only for more than one page.
    bool hidePaginationBar() const;

private:
    std::shared_ptr<CaptureConfiguration> config_;
};

}  // namespace quorvel
