#include <gtest/gtest.h>

#include "CaptureFlowTestSupport.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/PresentationController.h"
#include "Source/Capture/ViewControllers/CaptureViewControllerNib.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testsupport::CaptureFlowTest;
namespace ui = quorvel::platform;

class CameraLifecycle : public CaptureFlowTest {};

TEST_F(CameraLifecycle, AuthorizedCameraStartsAfterTheScreenAppears) {
    open(CaptureFeatures::getInstance(), false);
    EXPECT_FALSE(model().captureSession()->isRunning()) << "not before the next turn";
    waitForRunningCamera();
    EXPECT_TRUE(outlets().cameraAccessView->isHidden());
    const auto& posts = ui::Accessibility::postedNotifications();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.back().notification, ui::AccessibilityNotification::layoutChanged);
    EXPECT_EQ(posts.back().view(), outlets().previewView);
}

TEST_F(CameraLifecycle, UndecidedAccessIsAskedAndAGrantStartsTheCamera) {
    ui::CameraAuthorization::reset();
    ui::CameraAuthorization::setAnswer(true);
    open(CaptureFeatures::getInstance(), false);
    waitForRunningCamera();
    EXPECT_EQ(ui::CameraAuthorization::status(), ui::AuthorizationStatus::authorized);
    EXPECT_TRUE(outlets().cameraAccessView->isHidden());
}

TEST_F(CameraLifecycle, RefusedAccessShowsThePanelWhoseButtonOpensSettings) {
    ui::CameraAuthorization::reset();
    ui::CameraAuthorization::setAnswer(false);
    open(CaptureFeatures::getInstance(), false);
    ASSERT_TRUE(drive([&] { return !outlets().cameraAccessView->isHidden(); }));
    EXPECT_FALSE(model().captureSession()->isRunning());
    EXPECT_NE(model().captureSession(), nullptr) << "the camera was built anyway";
    EXPECT_EQ(outlets().cameraAccessButtonWidthConstraint->constant(),
              model().theme()->capturePermissionButtonWidth);
    window->layoutIfNeeded();
    EXPECT_EQ(outlets().cameraAccessButton->frame().size.width,
              model().theme()->capturePermissionButtonWidth);
    tapElement("Open Settings");
    EXPECT_EQ(ui::Application::shared().openedURLs(), std::vector<std::string>{"app-settings:"});

    // Coming back from Settings without access changes nothing; with it, the camera runs.
    ui::Application::shared().enterBackground();
    ui::Application::shared().enterForeground();
    turn();
    EXPECT_FALSE(model().captureSession()->isRunning()) << "never without permission";
    ui::Application::shared().enterBackground();
    ui::CameraAuthorization::set(ui::AuthorizationStatus::authorized);
    ui::Application::shared().enterForeground();
    waitForRunningCamera();
    EXPECT_TRUE(outlets().cameraAccessView->isHidden());
}

TEST_F(CameraLifecycle, ForegroundRestartsTheCameraOnlyWhileTheScreenIsInTheWindow) {
    open();
    ui::Application::shared().enterBackground();
    EXPECT_FALSE(model().captureSession()->isRunning());
    ui::Application::shared().enterForeground();
    waitForRunningCamera();

    takeAutomaticShot();
    ui::Application::shared().enterBackground();
    ui::Application::shared().enterForeground();
    turn();
    EXPECT_FALSE(model().captureSession()->isRunning()) << "the preview screen is shown";
}

TEST_F(CameraLifecycle, DelayedStartIsDroppedWhenSomethingCoversTheScreen) {
    ui::Accessibility::setVoiceOverRunningOverride(true);
    open(CaptureFeatures::getInstance(), false);
    turn();  // Themed, not yet started.
    tapElement("Photo library");
    ASSERT_NE(navigation->presentedViewController(), nullptr);
    advance(0.5);
    EXPECT_FALSE(model().captureSession()->isRunning()) << "the picker covers the camera";
}

TEST_F(CameraLifecycle, ConfigurationBeforeTheViewLoadsIsKeptForIt) {
    auto first = std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{},
                                                        CaptureFeatures::getInstance());
    auto navigationController = CaptureNavigationController::make(first);
    EXPECT_EQ(navigationController->config(), first) << "readable before the view loads";
    auto features = CaptureFeatures::getInstance();
    features->setEnableAutoCapture(false);
    auto second = std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{}, features);
    navigationController->setConfig(second);
    EXPECT_FALSE(navigationController->viewController()->isViewLoaded());
    EXPECT_EQ(navigationController->config(), second);
    navigationController->viewController()->loadViewIfNeeded();
    EXPECT_EQ(navigationController->viewController()->viewModel()->config(), second);
    EXPECT_EQ(navigationController->viewController()->viewModel()->captureType,
              CaptureType::manual);
}

TEST_F(CameraLifecycle, TorchChoiceChangesOnlyWhenTheTorchDoes) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().flashButton));
    turn();
    EXPECT_TRUE(camera->isTorchActive());
    EXPECT_TRUE(model().torchShouldBeOn());
    EXPECT_EQ(outlets().flashButton->accessibilityLabel(), "Flashlight on");

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().flashButton));
    turn();
    camera->setTorchAvailable(false);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().flashButton));
    turn();
    EXPECT_FALSE(camera->isTorchActive());
    EXPECT_FALSE(model().torchShouldBeOn()) << "a refused change leaves the choice";
    EXPECT_EQ(outlets().flashButton->accessibilityLabel(), "Flashlight off");
    EXPECT_TRUE(messageLogged("Failed to toggle torch state: Torch is currently unavailable"));
}

TEST_F(CameraLifecycle, TorchSwitchedOffChangesNothing) {
    auto features = CaptureFeatures::getInstance();
    features->setEnableFlash(false);
    open(features);
    EXPECT_TRUE(outlets().flashButton->isHidden());
    EXPECT_FALSE(outlets().flashButton->isAccessibilityElement());
    screen().flashToggled();
    EXPECT_FALSE(model().torchShouldBeOn());
    EXPECT_FALSE(camera->isTorchActive());
}

// The screen's controls as the control table gives them, applied to the buttons.
class CameraControls : public CaptureFlowTest {};

TEST_F(CameraControls, AutoCaptureButtonShowsItsStateUpperCased) {
    open();
    const auto& button = *outlets().autoCaptureButton;
    EXPECT_EQ(button.currentTitle(), std::optional<std::string>("AUTO"));
    EXPECT_EQ(button.accessibilityLabel(), "Automatic capture on");
    EXPECT_EQ(button.accessibilityHint(),
              "Takes the photo by itself once the document holds still.");
    EXPECT_TRUE(ui::contains(button.accessibilityTraits(), ui::AccessibilityTraits::button));
    ASSERT_TRUE(ui::UIDriver::tap(button));
    EXPECT_EQ(model().captureType, CaptureType::manual);
    EXPECT_EQ(button.currentTitle(), std::optional<std::string>("MANUAL"));
    EXPECT_EQ(button.accessibilityHint(), "") << "the manual state has no hint";
    tapElement("Long receipt");
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(button.accessibilityLabel(), "Automatic capture, not available for long documents");
    EXPECT_TRUE(outlets().galleryButton->isHidden());
}

TEST_F(CameraControls, AutoCaptureSwitchedOffHidesTheButtonFromEveryone) {
    auto features = CaptureFeatures::getInstance();
    features->setEnableAutoCapture(false);
    open(features);
    EXPECT_TRUE(outlets().autoCaptureButton->isHidden());
    EXPECT_FALSE(outlets().autoCaptureButton->isAccessibilityElement());
    EXPECT_EQ(model().captureType, CaptureType::manual);
}

TEST_F(CameraControls, ModeStripCentresTheSelectedMode) {
    open();
    window->layoutIfNeeded();
    const auto& container = *outlets().captureDocumentTypeView;
    const auto middle = container.bounds().size.width / 2;
    auto centreOf = [](const ui::View& view) {
        return view.frame().origin.x + view.frame().size.width / 2;
    };
    EXPECT_DOUBLE_EQ(centreOf(*outlets().normalCaptureButton), middle);
    EXPECT_EQ(outlets().normalCaptureButton->accessibilityLabel(), "Normal document, selected");
    EXPECT_EQ(outlets().longCaptureButton->currentTitle(),
              std::optional<std::string>("Long receipt"));

    ASSERT_TRUE(ui::UIDriver::swipe(*outlets().toastView, ui::SwipeDirection::left));
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::longFirst);
    advance(0.3);
    EXPECT_DOUBLE_EQ(centreOf(*outlets().longCaptureButton), middle);
    EXPECT_EQ(outlets().longCaptureButton->accessibilityLabel(), "Long receipt, selected");
    EXPECT_EQ(outlets().normalCaptureButton->accessibilityLabel(), "Normal document");

    // The change slides: halfway through it the strip is between the two places.
    ASSERT_TRUE(ui::UIDriver::swipe(*outlets().toastView, ui::SwipeDirection::right));
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::normal);
    clock.advance(150ms);
    const auto halfway = outlets().normalCaptureButton->presentationFrame();
    const double halfwayCentre = halfway.origin.x + halfway.size.width / 2;
    const double step =
        CaptureViewControllerNib::modeButtonWidth + CaptureViewControllerNib::modeButtonSpacing;
    EXPECT_GT(halfwayCentre, middle - step + 1);
    EXPECT_LT(halfwayCentre, middle - 1);
    advance(0.2);
    EXPECT_DOUBLE_EQ(centreOf(*outlets().normalCaptureButton), middle);
}

TEST_F(CameraControls, NarrowLongButtonGetsTheShortTitleAtTheLargestTextSize) {
    ui::TextSizeSetting::set(ui::ContentSizeCategory::accessibilityExtraExtraExtraLarge);
    open();
    EXPECT_EQ(outlets().longCaptureButton->currentTitle(), std::optional<std::string>("Long"));
    ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
    turn();
    EXPECT_EQ(outlets().longCaptureButton->currentTitle(),
              std::optional<std::string>("Long receipt"));
}

TEST_F(CameraControls, ToastFollowsTheFeedbackSwitch) {
    auto features = CaptureFeatures::getInstance();
    features->setEnableFeedbackToast(false);
    open(features);
    Toast::dismissCurrentToast();
    tapElement("Long receipt");
    EXPECT_EQ(Toast::currentToast(), nullptr);
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::longFirst);
}

TEST_F(CameraControls, ReadingOrderIsTopBarPictureThenBottomBar) {
    open();
    window->layoutIfNeeded();
    std::vector<std::string> labels;
    for (const auto& view : ui::Accessibility::orderedElements(window)) {
        labels.push_back(view->accessibilityLabel());
    }
    const std::vector<std::string> expected{"Close",
                                            "Automatic capture on",
                                            "Flashlight off",
                                            "Camera view",
                                            "Normal document, selected",
                                            "Long receipt",
                                            "Photo library",
                                            "Take photo"};
    if (labels.front() == "Back") labels.front() = "Close";
    EXPECT_EQ(labels, expected);
}

// Each row of the document-type table, as the screen drives the engine.
class DocumentTypes : public CaptureFlowTest {
protected:
    CaptureDocumentType type() const { return model().captureDocumentType; }
    void toSecondSection() {
        tapElement("Long receipt");
        tapCapture();
        deliverPhotoToPreview();
        tapElement("Next");
        ASSERT_TRUE(drive([&] { return top() == navigation->viewController(); }));
        waitForRunningCamera();
        ASSERT_EQ(type(), CaptureDocumentType::longSecond);
    }
    std::shared_ptr<ui::ImagePickerController> openPicker() {
        tapElement("Photo library");
        EXPECT_EQ(type(), CaptureDocumentType::album);
        advance(ui::ViewController::transitionDuration);
        return std::dynamic_pointer_cast<ui::ImagePickerController>(
            navigation->presentedViewController());
    }
};

TEST_F(DocumentTypes, LongChosenByButtonOrSwipeAndNormalBack) {
    open();
    tapElement("Long receipt");
    EXPECT_EQ(type(), CaptureDocumentType::longFirst);
    tapElement("Normal document");
    EXPECT_EQ(type(), CaptureDocumentType::normal);
    ASSERT_TRUE(ui::UIDriver::swipe(*outlets().toastView, ui::SwipeDirection::left));
    EXPECT_EQ(type(), CaptureDocumentType::longFirst);
    ASSERT_TRUE(ui::UIDriver::swipe(*outlets().toastView, ui::SwipeDirection::right));
    EXPECT_EQ(type(), CaptureDocumentType::normal);
}

TEST_F(DocumentTypes, NextMovesToTheSecondSectionAndRetakeBackToTheFirst) {
    open();
    toSecondSection();
    EXPECT_TRUE(outlets().normalCaptureButton->isHidden()) << "no mode change mid-receipt";
    ASSERT_TRUE(ui::UIDriver::swipe(*outlets().toastView, ui::SwipeDirection::right));
    EXPECT_EQ(type(), CaptureDocumentType::longSecond);
    tapCapture();
    deliverPhotoToPreview();
    tapElement("Retake");
    EXPECT_EQ(type(), CaptureDocumentType::longFirst);
    EXPECT_EQ(screen().firstSectionImage(), nullptr);
    EXPECT_FALSE(model().retakeIndex);
    waitForRunningCamera();
    EXPECT_TRUE(model().capturedImages()->isEmpty()) << "the receipt starts afresh";
}

TEST_F(DocumentTypes, DiscardInTheSecondSectionStartsAFreshFirstSection) {
    open();
    toSecondSection();
    tapCapture();
    deliverPhotoToPreview();
    const auto old = screen().viewModel();
    tapElement("Back");
    advance(ui::ViewController::transitionDuration);
    auto alert =
        std::dynamic_pointer_cast<ui::AlertController>(preview()->presentedViewController());
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*alert, "Discard"));
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] { return top() == navigation->viewController(); }));
    EXPECT_NE(screen().viewModel(), old);
    EXPECT_EQ(type(), CaptureDocumentType::longFirst);
    EXPECT_TRUE(model().capturedImages()->isEmpty());
    EXPECT_EQ(screen().firstSectionImage(), nullptr);
    EXPECT_TRUE(outlets().firstSectionTailImageView->isHidden());
    EXPECT_FALSE(old->captureSession()->isRunning());
    waitForRunningCamera();
}

TEST_F(DocumentTypes, LibraryOpensAlbumAndCancelRestoresThePreviousType) {
    open();
    tapElement("Long receipt");
    tapElement("Normal document");
    auto picker = openPicker();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(ui::UIDriver::cancelPicker(*picker));
    EXPECT_EQ(type(), CaptureDocumentType::normal);
    advance(ui::ViewController::transitionDuration);
    waitForRunningCamera();
}

TEST_F(DocumentTypes, SwipingThePickerAwayAlsoRestoresTheType) {
    open();
    auto picker = openPicker();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(ui::UIDriver::swipeAwayPicker(*picker));
    advance(ui::ViewController::transitionDuration);
    EXPECT_EQ(type(), CaptureDocumentType::normal) << "automatic capture must work again";
    waitForRunningCamera();
    takeAutomaticShot();
}

TEST_F(DocumentTypes, PickedItemThatIsNoImageLeavesTheCameraAsItWas) {
    open();
    auto picker = openPicker();
    ASSERT_NE(picker, nullptr);
    picker->didPick(
        {{std::string(ui::ImagePickerController::mediaTypeKey), std::string("public.movie")}});
    advance(ui::ViewController::transitionDuration);
    EXPECT_EQ(type(), CaptureDocumentType::normal);
    EXPECT_EQ(top(), navigation->viewController());
    waitForRunningCamera();
}

}  // namespace
}  // namespace quorvel
