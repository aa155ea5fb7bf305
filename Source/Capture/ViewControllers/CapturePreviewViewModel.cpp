#include "Source/Capture/ViewControllers/CapturePreviewViewModel.h"

#include <utility>

#include "Source/Configuration/FatalError.h"

namespace quorvel {

CapturePreviewViewModel::CapturePreviewViewModel(
    std::shared_ptr<CapturedImageGroup> imageGroup,
    std::shared_ptr<CaptureConfiguration> configuration, std::shared_ptr<CaptureTheme> theme,
    CaptureDocumentType captureDocumentType, std::optional<std::size_t> startingIndex)
    : imageGroup(std::move(imageGroup)),
      theme(std::move(theme)),
      captureDocumentType(captureDocumentType),
      startingIndex(startingIndex),
      config_(std::move(configuration)) {
    if (!this->imageGroup || !this->theme || !config_) {
        fatalError("The preview screen needs a page group, a theme and a configuration");
    }
    reloadButtonThemes();
}

void CapturePreviewViewModel::reloadButtonThemes() {
    buttonThemes = std::make_shared<CaptureButtonThemes>(*theme);
}

bool CapturePreviewViewModel::hideAddPageButton() const {
    return captureDocumentType == CaptureDocumentType::longFirst ||
           captureDocumentType == CaptureDocumentType::longSecond ||
           imageGroup->count() >= CapturedImageGroup::maxNumberOfPages ||
           !config_->features()->enableAddPage();
}

bool CapturePreviewViewModel::hideCropButton() const {
    return captureDocumentType == CaptureDocumentType::longFirst ||
           !config_->features()->enableCrop();
}

bool CapturePreviewViewModel::hidePaginationBar() const {
    // An empty group (which the camera screen never hands over) has nothing to page either.
    return imageGroup->count() <= 1;
}

}  // namespace quorvel
