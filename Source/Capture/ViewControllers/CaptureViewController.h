#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UI/AdaptivePresentationControllerDelegate.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImagePickerControllerDelegate.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/StackView.h"
#include "Platform/UI/SwipeGestureRecognizer.h"
#include "Source/Capture/Engine/CaptureViewModel.h"
#include "Source/Capture/Engine/CaptureViewModelDelegate.h"
#include "Source/Capture/Engine/FlashManager.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewControllerDelegate.h"
#include "Source/Capture/ViewControllers/CaptureViewControllerFrameCounter.h"
#include "Source/Capture/Views/CameraPreviewView.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Navigation/CaptureNavigationControllerDelegate.h"
#include "Source/Navigation/QVViewController.h"

namespace quorvel {

class CaptureCircle;
class CapturePreviewViewController;
class DetectionLayer;

// The camera screen: the live picture with the detected outline, a top bar (close or back, the
// auto-capture switch, the torch), a bottom bar (photo library, capture button, the last page's
// thumbnail with the page count, the normal / long receipt mode strip), the first section's tail
// strip of a long receipt above the picture, and the camera-access panel when access is refused.
// It owns the capture engine (CaptureViewModel) and answers its reports, pushes the preview
// screen after every shot, and at the end dismisses its CaptureNavigationController and hands
// the pages to the host. It is only ever shown inside a CaptureNavigationController.
//
// The view comes from the nib "CaptureViewController" (built in code, see
// CaptureViewControllerNib), which connects the outlets and actions below.
//
// Main thread only; the engine's reports that arrive on other threads hop to the main queue
// holding the screen weakly.
class CaptureViewController : public QVViewController,
                              public CaptureViewModelDelegate,
                              public CapturePreviewViewControllerDelegate,
                              public FlashManagerDelegate,
                              public platform::ImagePickerControllerDelegate,
                              public platform::AdaptivePresentationControllerDelegate {
public:
    static constexpr const char* nibName = "CaptureViewController";

    struct Constants {
        // Height of the first section's tail strip.
        static constexpr double firstSectionImageHeight = 108.0;
    };

    // Views and constraints the nib connects. Each one an operation touches must be connected.
    struct Outlets {
        std::shared_ptr<platform::View> topBarView;
        std::shared_ptr<platform::Button> backButton;
        std::shared_ptr<platform::Button> autoCaptureButton;
        std::shared_ptr<platform::Button> flashButton;
        std::shared_ptr<platform::StackView> mainStackView;
        std::shared_ptr<CameraPreviewView> previewView;
        std::shared_ptr<platform::ImageView> firstSectionTailImageView;
        std::shared_ptr<platform::Button> captureButton;
        std::shared_ptr<platform::Button> galleryButton;
        std::shared_ptr<platform::Button> previousPagesButton;
        std::shared_ptr<platform::Label> previousPagesCountLabel;
        std::shared_ptr<platform::View> bottomBarView;
        std::shared_ptr<platform::View> captureDocumentTypeView;
        std::shared_ptr<platform::Button> normalCaptureButton;
        std::shared_ptr<platform::Button> longCaptureButton;
        // Centres the selected mode button on the strip's container.
        std::shared_ptr<platform::LayoutConstraint> horizontalCenterConstraint;
        std::shared_ptr<platform::View> cameraAccessView;
        std::shared_ptr<platform::Button> cameraAccessButton;
        std::shared_ptr<platform::Label> cameraAccessLabel;
        std::shared_ptr<platform::LayoutConstraint> cameraAccessButtonHeightConstraint;
        std::shared_ptr<platform::LayoutConstraint> cameraAccessButtonWidthConstraint;
        // Holds the long-capture toast and the two swipe recognizers.
        std::shared_ptr<platform::View> toastView;
    };

    static std::shared_ptr<CaptureViewController> make(
        std::shared_ptr<CaptureConfiguration> configuration);
    ~CaptureViewController() override;

    Outlets outlets;

    // The capture engine's configuration once the view has loaded, else the one given.
    std::shared_ptr<CaptureConfiguration> config() const;
    // Applies a new configuration: a new capture engine that keeps the pages, the capture and
    // document types, the long receipt's first section and the torch choice; the old engine is
    // stopped and the new one runs when the screen is on screen with camera access. Before the
    // view has loaded the configuration is only kept for it.
    void setConfig(std::shared_ptr<CaptureConfiguration> configuration);

    // The host's delegate, as the navigation controller hands it over. Held weakly.
    std::shared_ptr<CaptureNavigationControllerDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<CaptureNavigationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const std::shared_ptr<CaptureViewModel>& viewModel() const { return viewModel_; }
    const std::shared_ptr<platform::Image>& firstSectionImage() const { return firstSectionImage_; }
    // The outline layer over the preview (made on first use).
    std::shared_ptr<DetectionLayer> detectionLayer();
    const std::shared_ptr<CaptureCircle>& captureLoadingCircle() const {
        return captureLoadingCircle_;
    }
    const std::shared_ptr<platform::SwipeGestureRecognizer>& leftSwipeDetector() const {
        return leftSwipeDetector_;
    }
    const std::shared_ptr<platform::SwipeGestureRecognizer>& rightSwipeDetector() const {
        return rightSwipeDetector_;
    }

    // --- Actions (the nib's controls, recognizers and notifications) ----------------------------
    void goBack();
    void capture();
    void flashToggled();
    void autocaptureToggled();
    void imageGalleryButtonPressed();
    void previousPageIndicatorPressed();
    void normalReceiptCapturePressed(platform::Button& sender);
    void longReceiptCapturePressed(platform::Button& sender);
    void cameraAccessButtonPressed();
    void textSizeChanged();
    void appWentToBackground();
    void appCameToForeground();
    void swipedLeft();
    void swipedRight();

    // --- Lifecycle ------------------------------------------------------------------------------
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    // --- CaptureViewModelDelegate ---------------------------------------------------------------
    void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                          std::shared_ptr<platform::BezierPath> with,
                          platform::Point center) override;
    void didLoseRectangle() override;
    void didStartCapture() override;
    void didFailCapture() override;
    void didCaptureImage(std::shared_ptr<platform::Image> image, bool isBlurry) override;
    void displayCaptureLoadingCircle(platform::Point at) override;
    std::shared_ptr<CameraPreviewView> previewView() const override { return outlets.previewView; }

    // --- CapturePreviewViewControllerDelegate ---------------------------------------------------
    void capturePreviewUpdated(const std::shared_ptr<CapturedImageGroup>& images) override;
    void capturePreviewRetakeImage(std::size_t at,
                                   const std::shared_ptr<CapturedImageGroup>& images) override;
    void capturePreviewPhotosReady(
        const std::vector<std::shared_ptr<platform::Image>>& images) override;
    void capturePreviewDiscardImages() override;

    // --- FlashManagerDelegate
    // ---------------------------------------------------------------------
    void torchStateChanged() override;

    // --- Photo library
    // ----------------------------------------------------------------------------
    void imagePickerControllerDidFinishPickingMediaWithInfo(
        platform::ImagePickerController& picker, const platform::PickerInfo& info) override;
    void imagePickerControllerDidCancel(platform::ImagePickerController& picker) override;
    void presentationControllerWillDismiss(platform::PresentationController& controller) override;

    // --- Operations other screens and tests use
    // --------------------------------------------------- Rebuilds the capture engine from the
    // provided configuration (keeping the capture type, the document type and the torch choice when
    // `preserveState`) and themes the screen again on the next turn. The engine it replaces is
    // stopped.
    void applyConfig(bool preserveState);
    void selectModeButton(const std::shared_ptr<platform::Button>& button, bool animated);
    void showLongCaptureToast();
    void clearDetectionPath();
    void showImageGallery();

    // Whether the screen is on screen with nothing presented or pushed over it.
    bool isShownUncovered() const;

private:
    explicit CaptureViewController(std::shared_ptr<CaptureConfiguration> configuration);
    class OutlineLayer;

    std::shared_ptr<CaptureViewController> self();
    std::weak_ptr<CaptureViewController> weakSelf();
    template <class T>
    const std::shared_ptr<T>& require(const std::shared_ptr<T>& outlet, const char* name) const;
    CaptureViewModel& model() const;
    CaptureViewControllerFrameCounter frameCounter(CaptureViewControllerFrameCounter::Outline&);

    // Theming.
    void applyTheme();
    void applyAutoCaptureButtonTheme();
    void applyBackButtonTheme();
    void applyFlashButtonTheme();
    void applyPreviewViewTheme();
    void applyGalleryButtonTheme();
    void applyCaptureButtonTheme();
    void applyPreviousPagesTheme();
    void applyCaptureTypeButtonsTheme();
    void applyCameraAccessTheme();
    void updatePreviousPageIndicator();
    void setAccessibilityOrder();
    // The button themes of the current theme and text size.
    const CaptureButtonThemes& buttonThemes();
    std::shared_ptr<platform::Image> themedImage(const std::string& name) const;
    std::string text(const std::string& key) const;
    std::shared_ptr<platform::Bundle> accessibilityBundle() const;
    void makeButtonAccessible(platform::Button& button, const std::string& labelKey,
                              const std::optional<std::string>& hintKey,
                              const std::vector<std::string>& tokens = {});

    // Lifecycle helpers.
    void addAppStateListeners();
    void setupSwipeDetectors();
    void startCameraIfShown();
    void startCaptureSession();
    void setTakesTouches(bool takes);
    bool isCaptureBusy() const;
    void replaceViewModel(bool carryState);

    // Results.
    void rectLost();
    void displayCapturedImage(std::shared_ptr<platform::Image> image, bool isBlurry,
                              bool isFromLibrary);
    void navigateToPreview(bool isBlurry, bool isFromLibrary);
    void setupFirstSectionImage();
    void revertToFirstSection();
    void restoreFillingPreview();
    void restoreDocumentTypeAfterPicker();
    void dismissAndNotifyDelegate(std::vector<std::shared_ptr<platform::Image>> images);

    std::weak_ptr<CaptureNavigationControllerDelegate> delegate_;
    std::shared_ptr<CaptureViewModel> viewModel_;
    std::shared_ptr<platform::SwipeGestureRecognizer> leftSwipeDetector_;
    std::shared_ptr<platform::SwipeGestureRecognizer> rightSwipeDetector_;
    std::shared_ptr<CaptureCircle> captureLoadingCircle_;
    std::shared_ptr<platform::Image> firstSectionImage_;
    std::shared_ptr<CaptureConfiguration> providedConfig_;
    std::shared_ptr<DetectionLayer> detectionLayer_;

    std::unique_ptr<CaptureButtonThemes> buttonThemes_;
    std::weak_ptr<const CaptureTheme> buttonThemesTheme_;
    std::vector<platform::ObserverToken> observers_;
    // A shot was asked for and has not come back yet (as a page or a failure): further capture
    // requests and the screen's other controls are ignored meanwhile.
    bool capturePending_ = false;
    // The flow is ending: the navigation controller is being dismissed.
    bool dismissing_ = false;
};

}  // namespace quorvel
