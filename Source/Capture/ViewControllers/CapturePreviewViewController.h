#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/GestureRecognizer.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/PageControl.h"
#include "Platform/UI/ScrollView.h"
#include "Platform/UI/ScrollViewDelegate.h"
#include "Platform/UI/View.h"
#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewControllerDelegate.h"
#include "Source/Capture/Views/IconButton.h"
#include "Source/Capture/Views/IconButtonDelegate.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/ViewControllers/CropViewControllerDelegate.h"
#include "Source/Navigation/QVViewController.h"

namespace quorvel {

class CapturePreviewViewModel;
class CapturePreviewViewControllerNib;

// The preview screen: the pages captured so far, one per horizontal page, each zoomable, shown
// greyed and sharpened. Offers Done (Next for a long capture's first section), retake, add page,
// crop and back (with a discard confirmation). Works on the camera's page group itself, so crops
// are seen on both sides. Its view comes from the nib "CapturePreviewViewController". Main thread
// only.
//
// Pages are built once, at the first layout. Every page change is kept within the pages actually
// built: with no page (an empty group, or a first page without a filtered image) the screen pages
// nowhere and retake and crop do nothing.
class CapturePreviewViewController : public QVViewController,
                                     public platform::ScrollViewDelegate,
                                     public IconButtonDelegate,
                                     public CropViewControllerDelegate {
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

    // --- Outlets (filled by the nib) -----------------------------------------------------------
    struct Outlets {
        std::shared_ptr<platform::View> topBar;
        std::shared_ptr<platform::Label> titleLabel;
        std::shared_ptr<platform::Button> backButton;
        std::shared_ptr<platform::ScrollView> capturedImageScrollView;
        std::shared_ptr<platform::View> paginationBar;
        std::shared_ptr<platform::PageControl> pageIndicator;
        std::shared_ptr<platform::Button> previousPageButton;
        std::shared_ptr<platform::Button> nextPageButton;
        std::shared_ptr<platform::View> bottomBar;
        std::shared_ptr<platform::Button> doneButton;
        std::shared_ptr<IconButton> addPageButton;
        std::shared_ptr<IconButton> retakeButton;
        std::shared_ptr<IconButton> cropButton;
        std::shared_ptr<platform::LayoutConstraint> doneButtonHeight;
        std::shared_ptr<platform::LayoutConstraint> doneButtonWidth;
    };
    const Outlets& outlets() const { return outlets_; }
    CapturePreviewViewModel& viewModel() const { return *viewModel_; }
    // One per built page, in page order.
    const std::vector<std::shared_ptr<platform::ImageView>>& imageViews() const {
        return imageViews_;
    }
    const std::vector<std::shared_ptr<platform::ScrollView>>& scrollViews() const {
        return scrollViews_;
    }

    // --- Lifecycle ------------------------------------------------------------------------------
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidLayoutSubviews() override;

    // --- Actions (wired by the nib) --------------------------------------------------------------
    void changePageButtonPressed(platform::Button& sender);
    void pageChanged(platform::PageControl& sender);
    void goBack();
    void donePressed();
    void handleDoubleTapScrollView(platform::GestureRecognizer& recognizer);
    void textSizeChanged();

    // --- ScrollViewDelegate --------------------------------------------------------------------
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override;
    std::shared_ptr<platform::View> viewForZooming(platform::ScrollView& scrollView) override;
    void scrollViewDidEndZooming(platform::ScrollView& scrollView, platform::View* view,
                                 double scale) override;

    // --- IconButtonDelegate --------------------------------------------------------------------
    void iconButtonPressed(IconButton& button) override;

    // --- CropViewControllerDelegate ------------------------------------------------------------
    void cropViewControllerCroppedImage(std::shared_ptr<platform::Image> image,
                                        const std::vector<platform::Point>& corners) override;
    void cropViewControllerDetectedCornerPoints(
        const std::vector<platform::Point>& points) override;

    // The page a swipe that stopped at `contentOffsetX` lands on, for pages `pageWidth` wide: the
    // nearest page (half a page or more onwards counts as the next), never below 0. None for a
    // width that is not a positive number.
    static std::optional<std::size_t> pageForOffset(double contentOffsetX, double pageWidth);

protected:
    CapturePreviewViewController(std::shared_ptr<CapturedImageGroup> imageGroup,
                                 std::shared_ptr<CaptureConfiguration> config,
                                 std::shared_ptr<CaptureTheme> theme,
                                 CaptureDocumentType captureDocumentType,
                                 std::optional<std::size_t> startingIndex, bool isBlurry);

private:
    friend class CapturePreviewViewControllerNib;

    void applyTheme();
    void applyLocalization();
    void applyFeatures();
    void updateHeadline();
    void applyDoneButtonTheme();
    void buildPages();
    void updatePage(std::size_t to, bool scroll);
    void updatePageButtons();
    void addGestureHandlerToScrollView(const std::shared_ptr<platform::ScrollView>& scrollView);
    void applyAccessibility();
    void applyPageButtonAccessibility();
    void normalizeButtonTextSize();
    void crop();
    void showDestructiveAlert();
    void announcePage();
    platform::Size previewPixelSize(double zoom) const;
    void refinePage(std::size_t at);

    std::string text(std::string_view key) const;
    std::shared_ptr<platform::Bundle> textBundle() const;
    std::shared_ptr<CapturePreviewViewController> strongSelf();

    Outlets outlets_;
    std::shared_ptr<CapturePreviewViewModel> viewModel_;
    std::weak_ptr<CapturePreviewViewControllerDelegate> delegate_;
    std::shared_ptr<CaptureConfiguration> config_;
    std::size_t currentPage_ = 0;
    std::vector<std::shared_ptr<platform::ImageView>> imageViews_;
    std::vector<std::shared_ptr<platform::ScrollView>> scrollViews_;
    bool pagesBuilt_ = false;
    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
    platform::ObserverToken textSizeObserver_;
};

}  // namespace quorvel
