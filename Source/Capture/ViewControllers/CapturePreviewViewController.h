#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewControllerDelegate.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Navigation/QVViewController.h"

namespace quorvel {

class CapturePreviewViewModel;

// The preview screen: the pages captured so far, one per horizontal page, each zoomable, shown
// greyed and sharpened. Offers Done (Next for a long capture's first section), retake, add page,
// crop and back (with a discard confirmation). Works on the camera's page group itself, so crops
// are seen on both sides. Its view comes from the nib "CapturePreviewViewController". Main thread
// only.
class CapturePreviewViewController : public QVViewController {
public:
    // `startingIndex` names the page to open on (none: the newest page). `isBlurry` has no effect
    // on the screen: the camera screen raises the blur alert itself through showBlurAlert().
    static std::shared_ptr<CapturePreviewViewController> make(
        std::shared_ptr<CapturedImageGroup> imageGroup,
        std::shared_ptr<CaptureConfiguration> config, std::shared_ptr<CaptureTheme> theme,
        CaptureDocumentType captureDocumentType, std::optional<std::size_t> startingIndex,
        bool isBlurry);
    ~CapturePreviewViewController() override;

    // The camera screen; set before the push. Held weakly.
    void setDelegate(std::weak_ptr<CapturePreviewViewControllerDelegate> delegate);
    std::shared_ptr<CapturePreviewViewControllerDelegate> delegate() const;

    // Presents the blur alert (retake or keep), animated.
    void showBlurAlert();
    // Shows the page's filtered image again (after a crop). An index without a built page is
    // logged and changes nothing.
    void updatePreviewImage(std::size_t at);

    // The page shown.
    std::size_t currentPage() const;

protected:
    CapturePreviewViewController(std::shared_ptr<CapturedImageGroup> imageGroup,
                                 std::shared_ptr<CaptureConfiguration> config,
                                 std::shared_ptr<CaptureTheme> theme,
                                 CaptureDocumentType captureDocumentType,
                                 std::optional<std::size_t> startingIndex, bool isBlurry);

private:
    struct Outlets;

    std::unique_ptr<Outlets> outlets_;
    std::shared_ptr<CapturePreviewViewModel> viewModel_;
    std::weak_ptr<CapturePreviewViewControllerDelegate> delegate_;
    std::shared_ptr<CaptureConfiguration> config_;
    std::size_t currentPage_ = 0;
};

}  // namespace quorvel
