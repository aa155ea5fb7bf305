#include "Source/Capture/ViewControllers/CaptureViewController.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Application.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Capture/ViewControllers/CaptureViewControllerControls.h"
#include "Source/Capture/ViewControllers/CaptureViewControllerNib.h"
#include "Source/Capture/Views/CaptureCircle.h"
#include "Source/Capture/Views/DetectionLayer.h"
#include "Source/Capture/Views/ViewAccessibility.h"
#include "Source/Components/Toast/Toast.h"
#include "Source/Configuration/ButtonStyling.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/LocalizedText.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Imaging/ImageUtility.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace quorvel {

using platform::AccessibilityNotification;
using platform::AccessibilityTraits;
using platform::Button;
using platform::ControlState;
using platform::DispatchQueue;
using Controls = CaptureViewControllerControls;

namespace {

std::string upperCased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

// The detection layer as the frame counter sees it.
class CaptureViewController::OutlineLayer : public CaptureViewControllerFrameCounter::Outline {
public:
    OutlineLayer(CaptureViewController& screen) : screen_(screen) {}

    bool isCollapsed() const override {
        const auto& path = screen_.detectionLayer()->path();
        return path && path->bounds().size.height == 0;
    }
    void collapse() override {
        auto layer = screen_.detectionLayer();
        layer->removeAllAnimations();
        const auto frame = screen_.require(screen_.outlets.previewView, "previewView")->frame();
        layer->setPath(platform::BezierPath::rect(
            {{frame.size.width * 0.5, frame.size.height * 0.5}, {0, 0}}));
    }
    void draw(const std::shared_ptr<platform::BezierPath>& path) override {
        auto layer = screen_.detectionLayer();
        layer->removeAllAnimations();
        layer->setPath(*path);
    }

private:
    CaptureViewController& screen_;
};

// --- Construction ---------------------------------------------------------------------------

CaptureViewController::CaptureViewController(std::shared_ptr<CaptureConfiguration> configuration)
    : QVViewController(nibName),
      captureLoadingCircle_(CaptureCircle::make()),
      providedConfig_(std::move(configuration)) {
    if (!providedConfig_) fatalError("CaptureViewController needs a configuration");
}

std::shared_ptr<CaptureViewController> CaptureViewController::make(
    std::shared_ptr<CaptureConfiguration> configuration) {
    CaptureViewControllerNib::registerNib();
    return std::shared_ptr<CaptureViewController>(
        new CaptureViewController(std::move(configuration)));
}

CaptureViewController::~CaptureViewController() {
    auto center = platform::NotificationCenter::defaultCenter();
    for (const auto& token : observers_) center->removeObserver(token);
    // The engine is released with the screen; its camera must not run on unseen.
    if (viewModel_) viewModel_->stopCaptureSession();
}

std::shared_ptr<CaptureViewController> CaptureViewController::self() {
    return std::static_pointer_cast<CaptureViewController>(shared_from_this());
}

std::weak_ptr<CaptureViewController> CaptureViewController::weakSelf() {
    // Also called from the camera's threads, where the screen may be on its way out: never throws.
    return std::static_pointer_cast<CaptureViewController>(weak_from_this().lock());
}

template <class T>
const std::shared_ptr<T>& CaptureViewController::require(const std::shared_ptr<T>& outlet,
                                                         const char* name) const {
    if (!outlet) fatalError(std::string("CaptureViewController: outlet not connected: ") + name);
    return outlet;
}

CaptureViewModel& CaptureViewController::model() const {
    if (!viewModel_) fatalError("CaptureViewController: no capture view model");
    return *viewModel_;
}

CaptureViewControllerFrameCounter CaptureViewController::frameCounter(
    CaptureViewControllerFrameCounter::Outline& outline) {
    auto& m = model();
    return CaptureViewControllerFrameCounter({m.rectangleLockedTime, m.rectangleDetectedForFrames,
                                              m.rectangleLostForFrames, m.currentRectangle},
                                             outline);
}

std::shared_ptr<DetectionLayer> CaptureViewController::detectionLayer() {
    if (!detectionLayer_) {
        detectionLayer_ = DetectionLayer::make();
        require(outlets.previewView, "previewView")->layer()->addSublayer(detectionLayer_);
    }
    return detectionLayer_;
}

// --- Configuration --------------------------------------------------------------------------

std::shared_ptr<CaptureConfiguration> CaptureViewController::config() const {
    return viewModel_ ? viewModel_->config() : providedConfig_;
}

void CaptureViewController::setConfig(std::shared_ptr<CaptureConfiguration> configuration) {
    if (!configuration) return;
    providedConfig_ = std::move(configuration);
    // Before the view loads, the view model is built from it then.
    if (!isViewLoaded() || !viewModel_) return;
    replaceViewModel(true);
    DispatchQueue::main()->async([weak = weakSelf()] {
        if (auto self = weak.lock()) self->applyTheme();
    });
    if (isShownUncovered() &&
        platform::CameraAuthorization::status() == platform::AuthorizationStatus::authorized) {
        startCaptureSession();
    }
}

void CaptureViewController::applyConfig(bool preserveState) {
    if (preserveState && !viewModel_) {
        fatalError("CaptureViewController: no view model to take the settings from");
    }
    if (viewModel_) viewModel_->stopCaptureSession();
    viewModel_ = preserveState ? CaptureViewModel::make(providedConfig_, weakSelf(), *viewModel_)
                               : CaptureViewModel::make(providedConfig_, weakSelf());
    DispatchQueue::main()->async([weak = weakSelf()] {
        if (auto self = weak.lock()) self->applyTheme();
    });
}

void CaptureViewController::replaceViewModel(bool carryState) {
    auto old = viewModel_;
    if (!old || !carryState) {
        applyConfig(false);
        return;
    }
    old->stopCaptureSession();
    auto fresh = CaptureViewModel::make(providedConfig_, weakSelf());
    // Everything the user built up so far goes over to the new engine.
    const auto& features = *providedConfig_->features();
    fresh->captureType = old->captureType == CaptureType::automatic && features.enableAutoCapture()
                             ? CaptureType::automatic
                             : CaptureType::manual;
    fresh->captureDocumentType = old->captureDocumentType;
    fresh->previousCaptureDocumentType = old->previousCaptureDocumentType;
    fresh->retakeIndex = old->retakeIndex;
    fresh->firstSectionConfigured = old->firstSectionConfigured;
    for (std::size_t i = 0; i < old->capturedImages()->count(); ++i) {
        fresh->capturedImages()->append((*old->capturedImages())[i]);
    }
    if (old->torchShouldBeOn() != fresh->torchShouldBeOn() && old->torchShouldBeOn()) {
        // The torch is lit already: the new engine's choice only has to follow it.
        fresh->toggleTorch();
    }
    viewModel_ = fresh;
    // Frames are analysed only while the document and capture types ask for it.
    if (Controls::isLong(fresh->captureDocumentType)) {
        const auto previous = fresh->previousCaptureDocumentType;
        fresh->captureDocumentTypeChanged(fresh->captureDocumentType);
        fresh->previousCaptureDocumentType = previous;
    } else {
        fresh->captureTypeChanged(fresh->captureType);
    }
    fresh->stopCaptureSession();
}

// --- Lifecycle ------------------------------------------------------------------------------

void CaptureViewController::viewDidLoad() {
    QVViewController::viewDidLoad();
    applyConfig(false);
    addAppStateListeners();
    if (!firstSectionImage_) setupSwipeDetectors();
    FlashManager::instance().setDelegate(weakSelf());
}

void CaptureViewController::addAppStateListeners() {
    auto center = platform::NotificationCenter::defaultCenter();
    const std::weak_ptr<const void> owner = self();
    auto weak = weakSelf();
    auto observe = [&](std::string_view name, void (CaptureViewController::*action)()) {
        observers_.push_back(center->addObserver(std::string(name), owner,
                                                 [weak, action](const platform::Notification&) {
                                                     if (auto self = weak.lock())
                                                         ((*self).*action)();
                                                 }));
    };
    observe(platform::Application::didEnterBackgroundNotification,
            &CaptureViewController::appWentToBackground);
    observe(platform::Application::willResignActiveNotification,
            &CaptureViewController::appWentToBackground);
    observe(platform::Application::willEnterForegroundNotification,
            &CaptureViewController::appCameToForeground);
    observe(platform::Application::didBecomeActiveNotification,
            &CaptureViewController::appCameToForeground);
    observe(platform::TextSizeSetting::didChangeNotification,
            &CaptureViewController::textSizeChanged);
}

void CaptureViewController::setupSwipeDetectors() {
    auto weak = weakSelf();
    leftSwipeDetector_ = platform::SwipeGestureRecognizer::make(
        platform::SwipeDirection::left, [weak](platform::GestureRecognizer&) {
            if (auto self = weak.lock()) self->swipedLeft();
        });
    rightSwipeDetector_ = platform::SwipeGestureRecognizer::make(
        platform::SwipeDirection::right, [weak](platform::GestureRecognizer&) {
            if (auto self = weak.lock()) self->swipedRight();
        });
    const auto& toastView = require(outlets.toastView, "toastView");
    toastView->addGestureRecognizer(leftSwipeDetector_);
    toastView->addGestureRecognizer(rightSwipeDetector_);
}

void CaptureViewController::viewDidLayoutSubviews() {
    QVViewController::viewDidLayoutSubviews();
    if (viewModel_ && !viewModel_->firstSectionConfigured) setupFirstSectionImage();
}

void CaptureViewController::viewWillAppear(bool animated) {
    QVViewController::viewWillAppear(animated);
    // The outline of the last shot is stale: gone before the screen shows, not shrinking away.
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    clearDetectionPath();
    platform::Transaction::commit();
    if (Controls::isLong(model().captureDocumentType)) {
        showLongCaptureToast();
    } else {
        applyCaptureTypeButtonsTheme();
    }
    updatePreviousPageIndicator();
    setAccessibilityOrder();
}

void CaptureViewController::viewDidAppear(bool animated) {
    QVViewController::viewDidAppear(animated);
    auto weak = weakSelf();
    if (platform::CameraAuthorization::status() == platform::AuthorizationStatus::authorized) {
        startCameraIfShown();
    } else {
        platform::CameraAuthorization::request([weak](bool granted) {
            DispatchQueue::main()->async([weak, granted] {
                auto self = weak.lock();
                if (!self) return;
                if (granted) {
                    self->startCameraIfShown();
                } else {
                    self->require(self->outlets.cameraAccessView, "cameraAccessView")
                        ->setHidden(false);
                    platform::Accessibility::post(
                        AccessibilityNotification::layoutChanged,
                        std::weak_ptr<platform::View>(self->outlets.cameraAccessLabel));
                }
            });
        });
    }
    clearDetectionPath();
    // Space or Enter takes a photo from the start.
    if (auto window = view()->window()) {
        auto focused = window->focusedView();
        if (!focused || focused->window() != window) window->setFocusedView(outlets.captureButton);
    }
}

void CaptureViewController::startCameraIfShown() {
    performDelayedIfVoiceover(0.2, [weak = weakSelf()] {
        auto self = weak.lock();
        // The screen may have left, or something may cover it, while the delay ran.
        if (!self || !self->isShownUncovered()) return;
        platform::Accessibility::post(AccessibilityNotification::layoutChanged,
                                      std::weak_ptr<platform::View>(self->outlets.previewView));
        self->startCaptureSession();
    });
}

void CaptureViewController::startCaptureSession() {
    captureLoadingCircle_->removeFromSuperlayer();
    capturePending_ = false;
    setTakesTouches(true);
    model().startCaptureSession();
}

void CaptureViewController::viewWillDisappear(bool animated) {
    QVViewController::viewWillDisappear(animated);
    model().stopCaptureSession();
}

bool CaptureViewController::isShownUncovered() const {
    auto root = viewIfLoaded();
    if (!root || !root->window() || !isVisible() || presentedViewController()) return false;
    if (auto navigation = navigationController()) {
        if (navigation->topViewController().get() != this) return false;
    }
    return platform::Application::shared().applicationState() !=
           platform::ApplicationState::background;
}

void CaptureViewController::appWentToBackground() {
    if (viewModel_) viewModel_->stopCaptureSession();
}

void CaptureViewController::appCameToForeground() {
    if (!isViewLoaded() || !view()->window() || !viewModel_) return;
    // Never without the user's permission: the camera-access panel stays until it is given.
    if (platform::CameraAuthorization::status() != platform::AuthorizationStatus::authorized) {
        return;
    }
    require(outlets.cameraAccessView, "cameraAccessView")->setHidden(true);
    startCaptureSession();
}

void CaptureViewController::textSizeChanged() {
    // Only the look changes: the engine, its camera and the pages stay.
    DispatchQueue::main()->async([weak = weakSelf()] {
        if (auto self = weak.lock()) self->applyTheme();
    });
}

// --- Theming --------------------------------------------------------------------------------

std::shared_ptr<platform::Image> CaptureViewController::themedImage(const std::string& name) const {
    return ImageLookup::fromTheme(name, model().theme().get(), ResourceBundle::resources());
}

const CaptureButtonThemes& CaptureViewController::buttonThemes() {
    const auto& theme = model().theme();
    if (!buttonThemes_ || buttonThemesTheme_.lock() != theme) {
        buttonThemes_ = std::make_unique<CaptureButtonThemes>(*theme);
        buttonThemesTheme_ = theme;
    }
    return *buttonThemes_;
}

std::string CaptureViewController::text(const std::string& key) const {
    return LocalizedText::lookup(key, model().theme()->bundle());
}

std::shared_ptr<platform::Bundle> CaptureViewController::accessibilityBundle() const {
    const auto& bundle = model().theme()->bundle();
    return bundle ? bundle : ResourceBundle::resources();
}

void CaptureViewController::makeButtonAccessible(Button& button, const std::string& labelKey,
                                                 const std::optional<std::string>& hintKey,
                                                 const std::vector<std::string>& tokens) {
    button.setAccessibilityTraits(button.accessibilityTraits() | AccessibilityTraits::button);
    std::optional<std::string_view> hint;
    if (hintKey) hint = *hintKey;
    ViewAccessibility::makeAccessible(button, labelKey, hint, accessibilityBundle(), tokens);
}

void CaptureViewController::applyTheme() {
    if (!viewModel_ || !isViewLoaded()) return;
    // Button themes carry fonts scaled for the text size of the moment: made afresh each pass.
    buttonThemes_.reset();
    const auto& theme = *model().theme();
    const auto background = theme.resolvedColor(&CaptureTheme::captureBackgroundColor);
    view()->setBackgroundColor(background);
    require(outlets.topBarView, "topBarView")->setBackgroundColor(background);
    applyAutoCaptureButtonTheme();
    applyBackButtonTheme();
    applyFlashButtonTheme();
    applyPreviewViewTheme();
    captureLoadingCircle_->setTheme(model().theme());
    if (!theme.detectionStrokeColor || !theme.detectionFillColor) {
        fatalError("CaptureViewController: the theme has no detection colours");
    }
    detectionLayer()->apply(theme);
    applyGalleryButtonTheme();
    applyCaptureButtonTheme();
    require(outlets.firstSectionTailImageView, "firstSectionTailImageView")
        ->setHidden(firstSectionImage_ == nullptr);
    applyPreviousPagesTheme();
    require(outlets.bottomBarView, "bottomBarView")->setBackgroundColor(background);
    applyCaptureTypeButtonsTheme();
    applyCameraAccessTheme();
}

void CaptureViewController::applyAutoCaptureButtonTheme() {
    auto& button = *require(outlets.autoCaptureButton, "autoCaptureButton");
    const auto& m = model();
    const auto state =
        Controls::autoCaptureButton(*m.config()->features(), m.captureType, m.captureDocumentType);
    button.setHidden(state.hidden);
    if (state.hidden) {
        button.setIsAccessibilityElement(false);
        return;
    }
    button.setEnabled(state.enabled);
    button.setImage(themedImage(state.image), ControlState::normal);
    if (state.theme == Controls::AutoCaptureTheme::autoCapture) {
        ButtonStyling::apply(button, buttonThemes().autoCapture());
    } else {
        ButtonStyling::apply(button, buttonThemes().autoCaptureDisabled());
    }
    button.setTitle(upperCased(text(state.titleKey)), ControlState::normal);
    makeButtonAccessible(button, state.labelKey, state.hintKey);
}

void CaptureViewController::applyBackButtonTheme() {
    auto& button = *require(outlets.backButton, "backButton");
    const bool back = firstSectionImage_ != nullptr;
    button.setImage(themedImage(Controls::backButtonImage(back)), ControlState::normal);
    // The button shows only an image: a screen reader still has to say what it does.
    std::string labelKey = "back";
    if (!back && text("close") != "close") labelKey = "close";
    makeButtonAccessible(button, labelKey, std::nullopt);
}

void CaptureViewController::applyFlashButtonTheme() {
    auto& button = *require(outlets.flashButton, "flashButton");
    auto device = platform::CaptureDevice::defaultDevice(platform::MediaType::video);
    const bool torchOn = device && device->torchMode() == platform::TorchMode::on;
    const auto state = Controls::flashButton(*model().config()->features(), torchOn);
    button.setHidden(state.hidden);
    if (state.hidden) {
        button.setIsAccessibilityElement(false);
        return;
    }
    button.setImage(themedImage(state.image), ControlState::normal);
    makeButtonAccessible(button, state.labelKey, state.hintKey);
}

void CaptureViewController::applyPreviewViewTheme() {
    auto& preview = *require(outlets.previewView, "previewView");
    auto& m = model();
    preview.setBackgroundColor(m.theme()->resolvedColor(&CaptureTheme::captureBackgroundColor));
    const auto hint = Controls::previewHintKey(m.captureDocumentType);
    std::optional<std::string_view> hintKey;
    if (hint) hintKey = *hint;
    preview.setAccessibilityTraits(AccessibilityTraits::image);
    ViewAccessibility::makeAccessible(preview, "camera-preview-label", hintKey, m.moduleBundle());
}

void CaptureViewController::applyGalleryButtonTheme() {
    auto& button = *require(outlets.galleryButton, "galleryButton");
    const auto& m = model();
    const bool hidden =
        Controls::galleryButtonHidden(*m.config()->features(), m.captureDocumentType);
    button.setHidden(hidden);
    if (hidden) {
        button.setIsAccessibilityElement(false);
        return;
    }
    button.setImage(themedImage("capture-gallery"), ControlState::normal);
    makeButtonAccessible(button, "photo-gallery", "photo-picker-hint");
}

void CaptureViewController::applyCaptureButtonTheme() {
    auto& button = *require(outlets.captureButton, "captureButton");
    button.setImage(themedImage("capture-button"), ControlState::normal);
    makeButtonAccessible(button, "capture-button-label", "capture-button-hint");
}

void CaptureViewController::applyPreviousPagesTheme() {
    auto& button = *require(outlets.previousPagesButton, "previousPagesButton");
    auto& countLabel = *require(outlets.previousPagesCountLabel, "previousPagesCountLabel");
    countLabel.setIsAccessibilityElement(false);
    const auto& m = model();
    const auto& pages = *m.capturedImages();
    const auto lastImage = pages.isEmpty() ? nullptr : pages.image(pages.count() - 1, false);
    const auto state =
        Controls::previousPages(m.captureDocumentType, pages.count(), lastImage != nullptr);
    if (state.hidden) {
        button.setHidden(true);
        button.setIsAccessibilityElement(false);
        countLabel.setHidden(true);
        return;
    }
    button.setHidden(false);
    if (button.imageView())
        button.imageView()->setContentMode(platform::ContentMode::scaleAspectFill);
    button.setImage(lastImage, ControlState::normal);
    makeButtonAccessible(button, "previous-page-button-title", std::nullopt, {state.countText});
    const auto& theme = *m.theme();
    countLabel.setHidden(false);
    countLabel.setBackgroundColor(
        theme.resolvedColor(&CaptureTheme::capturePageCountBackgroundColor));
    countLabel.setTextColor(theme.resolvedColor(&CaptureTheme::capturePageCountTextColor));
    countLabel.setFont(theme.fonts()->captionOne());
    countLabel.setText(state.countText);
}

void CaptureViewController::updatePreviousPageIndicator() {
    auto& m = model();
    if (Controls::isLong(m.captureDocumentType) && !firstSectionImage_) {
        m.capturedImages()->removeAll();
    }
    applyPreviousPagesTheme();
}

void CaptureViewController::applyCaptureTypeButtonsTheme() {
    auto& normal = *require(outlets.normalCaptureButton, "normalCaptureButton");
    auto& longButton = *require(outlets.longCaptureButton, "longCaptureButton");
    const auto& m = model();
    const auto strip =
        Controls::modeStrip(*m.config()->features(), m.captureDocumentType,
                            m.capturedImages()->count(), firstSectionImage_ != nullptr);
    if (strip.hidden) {
        normal.setHidden(true);
        longButton.setHidden(true);
        normal.setIsAccessibilityElement(false);
        longButton.setIsAccessibilityElement(false);
        return;
    }
    const auto& themes = buttonThemes();
    selectModeButton(strip.longSelected ? outlets.longCaptureButton : outlets.normalCaptureButton,
                     false);
    if (strip.longSelected) {
        ButtonStyling::apply(normal, themes.captureType());
        ButtonStyling::apply(longButton, themes.captureDocumentTypeSelected());
    } else {
        ButtonStyling::apply(normal, themes.captureDocumentTypeSelected());
        ButtonStyling::apply(longButton, themes.captureType());
    }
    makeButtonAccessible(normal, strip.normalLabelKey, "normal-capture-button-hint");
    makeButtonAccessible(longButton, strip.longLabelKey, "long-capture-button-hint");

    auto measure = platform::Label::make();
    measure->setText(text("normal-capture-button-title"));
    measure->setFont(themes.captureDocumentTypeSelected().font);
    const auto titleKey = Controls::longTitleKey(longButton.bounds().size.width,
                                                 measure->intrinsicContentSize().width);
    normal.setTitle(text("normal-capture-button-title"), ControlState::normal);
    longButton.setTitle(text(titleKey), ControlState::normal);
    normal.setHidden(false);
    longButton.setHidden(false);
}

void CaptureViewController::applyCameraAccessTheme() {
    auto& label = *require(outlets.cameraAccessLabel, "cameraAccessLabel");
    auto& button = *require(outlets.cameraAccessButton, "cameraAccessButton");
    const auto& m = model();
    const auto& theme = *m.theme();
    label.setTextColor(theme.resolvedColor(&CaptureTheme::capturePermissionMessageColor));
    label.setFont(theme.fonts()->titleThree());
    label.setText(text("camera-permission-message"));
    require(outlets.cameraAccessButtonWidthConstraint, "cameraAccessButtonWidthConstraint")
        ->setConstant(theme.capturePermissionButtonWidth);
    require(outlets.cameraAccessButtonHeightConstraint, "cameraAccessButtonHeightConstraint")
        ->setConstant(theme.capturePermissionButtonHeight);
    ButtonStyling::apply(button, buttonThemes().captureAccess());
    button.setTitle(text("camera-permission-button-title"), ControlState::normal);
}

void CaptureViewController::setAccessibilityOrder() {
    ViewAccessibility::applyAccessibilityOrder(*require(outlets.topBarView, "topBarView"),
                                               outlets.backButton, outlets.autoCaptureButton,
                                               outlets.flashButton);
}

void CaptureViewController::torchStateChanged() {
    DispatchQueue::main()->async([weak = weakSelf()] {
        auto self = weak.lock();
        if (self && self->viewModel_) self->applyFlashButtonTheme();
    });
}

// --- Controls -------------------------------------------------------------------------------

bool CaptureViewController::isCaptureBusy() const {
    return capturePending_ || dismissing_;
}

void CaptureViewController::setTakesTouches(bool takes) {
    if (auto root = viewIfLoaded()) root->setUserInteractionEnabled(takes);
}

void CaptureViewController::capture() {
    if (isCaptureBusy()) return;
    auto& m = model();
    if (!m.captureSession()) {
        // Nothing can be taken: the engine says why.
        m.captureImageManually();
        return;
    }
    capturePending_ = true;
    setTakesTouches(false);
    m.captureImageManually();
}

void CaptureViewController::flashToggled() {
    if (isCaptureBusy()) return;
    auto& m = model();
    if (!m.config()->features()->enableFlash()) return;
    m.toggleTorch();
}

void CaptureViewController::autocaptureToggled() {
    if (isCaptureBusy()) return;
    auto& m = model();
    if (m.captureType == CaptureType::automatic) {
        m.captureTypeChanged(CaptureType::manual);
        clearDetectionPath();
    } else {
        m.captureTypeChanged(CaptureType::automatic);
    }
    applyAutoCaptureButtonTheme();
}

void CaptureViewController::imageGalleryButtonPressed() {
    if (isCaptureBusy()) return;
    showImageGallery();
}

void CaptureViewController::previousPageIndicatorPressed() {
    if (isCaptureBusy()) return;
    auto& m = model();
    auto preview = CapturePreviewViewController::make(m.capturedImages(), m.config(), m.theme(),
                                                      m.captureDocumentType, m.retakeIndex, false);
    preview->setDelegate(weakSelf());
    if (auto navigation = navigationController()) navigation->pushViewController(preview, false);
    m.retakeIndex.reset();
}

void CaptureViewController::selectModeButton(const std::shared_ptr<Button>& button, bool animated) {
    const auto& container = require(outlets.captureDocumentTypeView, "captureDocumentTypeView");
    if (outlets.horizontalCenterConstraint) outlets.horizontalCenterConstraint->deactivate();
    outlets.horizontalCenterConstraint = platform::LayoutConstraint::make(
        button, platform::LayoutAttribute::centerX, platform::LayoutRelation::equal, container,
        platform::LayoutAttribute::centerX);
    auto constraint = outlets.horizontalCenterConstraint;
    auto root = view();
    platform::View::animate(animated ? 0.3 : 0.0, 0.0, {}, [constraint, root] {
        constraint->activate();
        root->layoutIfNeeded();
    });
}

void CaptureViewController::normalReceiptCapturePressed(Button& sender) {
    if (isCaptureBusy()) return;
    auto& m = model();
    if (m.captureDocumentType == CaptureDocumentType::normal) return;
    m.captureDocumentTypeChanged(CaptureDocumentType::normal);
    selectModeButton(std::static_pointer_cast<Button>(sender.shared_from_this()), true);
    applyCaptureTypeButtonsTheme();
    applyAutoCaptureButtonTheme();
    applyGalleryButtonTheme();
    applyPreviewViewTheme();
}

void CaptureViewController::longReceiptCapturePressed(Button& sender) {
    if (isCaptureBusy()) return;
    auto& m = model();
    if (Controls::isLong(m.captureDocumentType)) return;
    m.captureDocumentTypeChanged(firstSectionImage_ ? CaptureDocumentType::longSecond
                                                    : CaptureDocumentType::longFirst);
    showLongCaptureToast();
    selectModeButton(std::static_pointer_cast<Button>(sender.shared_from_this()), true);
    applyCaptureTypeButtonsTheme();
    applyAutoCaptureButtonTheme();
    applyGalleryButtonTheme();
    applyPreviewViewTheme();
    clearDetectionPath();
}

void CaptureViewController::swipedLeft() {
    const auto& button = require(outlets.longCaptureButton, "longCaptureButton");
    if (!button->isHidden()) longReceiptCapturePressed(*button);
}

void CaptureViewController::swipedRight() {
    const auto& button = require(outlets.normalCaptureButton, "normalCaptureButton");
    if (!button->isHidden() && model().captureDocumentType != CaptureDocumentType::normal) {
        normalReceiptCapturePressed(*button);
    }
}

void CaptureViewController::showLongCaptureToast() {
    auto& m = model();
    if (!m.config()->features()->enableFeedbackToast()) return;
    const int section = firstSectionImage_ ? 2 : 1;
    const auto message =
        LocalizedText::format("long-capture-toast", m.theme()->bundle(), {section, 2});
    if (auto current = Toast::currentToast()) current->fadeOut(false);
    const auto& toastView = require(outlets.toastView, "toastView");
    auto toast = Toast::make(message, *m.theme());
    toastView->addSubview(toast);
    toast->constrain(toastView, std::nullopt);
    toastView->layoutIfNeeded();
    toast->fadeIn();
    performDelayedIfVoiceover(0.2, [message] {
        platform::Accessibility::post(AccessibilityNotification::announcement, message);
    });
}

void CaptureViewController::cameraAccessButtonPressed() {
    auto& application = platform::Application::shared();
    const std::string url(platform::Application::openSettingsURLString);
    if (application.canOpenURL(url)) application.openURL(url);
}

void CaptureViewController::goBack() {
    if (isCaptureBusy()) return;
    model().stopCaptureSession();
    if (!firstSectionImage_) {
        dismissAndNotifyDelegate({});
        return;
    }
    revertToFirstSection();
    navigateToPreview(false, false);
}

// --- Detection feedback ---------------------------------------------------------------------

void CaptureViewController::didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                                             std::shared_ptr<platform::BezierPath> with,
                                             platform::Point) {
    auto& m = model();
    OutlineLayer outline(*this);
    frameCounter(outline).didFindRectangle(feature, with, m.captureType, m.captureDocumentType);
    m.isDetectingRectangles = false;
}

void CaptureViewController::didLoseRectangle() {
    rectLost();
    model().isDetectingRectangles = false;
}

void CaptureViewController::rectLost() {
    OutlineLayer outline(*this);
    frameCounter(outline).rectLost();
}

void CaptureViewController::clearDetectionPath() {
    OutlineLayer outline(*this);
    frameCounter(outline).clearDetectionPath();
}

void CaptureViewController::displayCaptureLoadingCircle(platform::Point at) {
    // An automatic shot has just been asked for: from now on the screen takes no touches, so
    // nothing can be asked for twice.
    capturePending_ = true;
    setTakesTouches(false);
    performDelayedIfVoiceover(0.2, [weak = weakSelf(), at] {
        auto self = weak.lock();
        if (!self || !self->viewModel_) return;
        auto announcement =
            LocalizedText::lookup("capture-capturing-announcement", self->model().moduleBundle());
        platform::Accessibility::post(AccessibilityNotification::announcement, announcement);
        self->captureLoadingCircle_->display(
            at, *self->require(self->outlets.previewView, "previewView")->layer());
    });
}

void CaptureViewController::didStartCapture() {
    DispatchQueue::main()->async([weak = weakSelf()] {
        if (auto self = weak.lock()) self->setTakesTouches(false);
    });
}

void CaptureViewController::didFailCapture() {
    DispatchQueue::main()->async([weak = weakSelf()] {
        auto self = weak.lock();
        if (!self) return;
        self->capturePending_ = false;
        self->captureLoadingCircle_->removeFromSuperlayer();
        self->setTakesTouches(true);
    });
}

void CaptureViewController::didCaptureImage(std::shared_ptr<platform::Image> image, bool isBlurry) {
    // Whether a screen reader runs is asked on the main queue.
    DispatchQueue::main()->async([weak = weakSelf(), image, isBlurry] {
        performDelayedIfVoiceover(0.2, [weak, image, isBlurry] {
            if (auto self = weak.lock()) self->displayCapturedImage(image, isBlurry, false);
        });
    });
}

// --- Capture results ------------------------------------------------------------------------

void CaptureViewController::displayCapturedImage(std::shared_ptr<platform::Image> image,
                                                 bool isBlurry, bool isFromLibrary) {
    auto& m = model();
    if (firstSectionImage_) image = ImageUtility::mergeImages({firstSectionImage_, image});
    const auto index = m.replaceAtIndex();
    if (!index) {
        const auto properties = m.imageBufferProperties();
        std::optional<CaptureType> captureType;
        if (properties) captureType = properties->captureType;
        auto page = CapturedImage::make(image, captureType);
        if (!page) {
            Logger::capture().error("Failed to display captured image: no image buffer properties");
            capturePending_ = false;
            setTakesTouches(true);
            return;
        }
        m.capturedImages()->append(page);
    } else {
        m.capturedImages()->replaceOriginalImage(image, *index);
    }
    navigateToPreview(isBlurry, isFromLibrary);
    m.retakeIndex.reset();
    m.stopCaptureSession();
    capturePending_ = false;
    captureLoadingCircle_->removeFromSuperlayer();
    setTakesTouches(true);
}

void CaptureViewController::navigateToPreview(bool isBlurry, bool isFromLibrary) {
    auto& m = model();
    auto preview = CapturePreviewViewController::make(
        m.capturedImages(), m.config(), m.theme(),
        isFromLibrary ? CaptureDocumentType::album : m.captureDocumentType, m.retakeIndex,
        isBlurry);
    preview->setDelegate(weakSelf());
    if (auto navigation = navigationController()) navigation->pushViewController(preview, false);
    if (isBlurry) {
        std::weak_ptr<CapturePreviewViewController> weakPreview = preview;
        performDelayedIfVoiceover(1.0, [weakPreview] {
            // Only while the preview is still on screen: a retake may have closed it meanwhile.
            auto shown = weakPreview.lock();
            if (shown && shown->viewIfLoaded() && shown->viewIfLoaded()->window()) {
                shown->showBlurAlert();
            }
        });
    }
}

void CaptureViewController::capturePreviewUpdated(
    const std::shared_ptr<CapturedImageGroup>& images) {
    auto& m = model();
    if (images && images != m.capturedImages()) {
        m.capturedImages()->removeAll();
        for (std::size_t i = 0; i < images->count(); ++i) m.capturedImages()->append((*images)[i]);
    }
    if (auto navigation = navigationController()) navigation->popToViewController(self(), false);
}

void CaptureViewController::capturePreviewRetakeImage(
    std::size_t at, const std::shared_ptr<CapturedImageGroup>& images) {
    auto& m = model();
    if (images && images != m.capturedImages()) {
        m.capturedImages()->removeAll();
        for (std::size_t i = 0; i < images->count(); ++i) m.capturedImages()->append((*images)[i]);
    }
    if (Controls::isLong(m.captureDocumentType)) {
        m.retakeIndex.reset();
    } else {
        m.retakeIndex = at;
    }
    if (m.captureDocumentType == CaptureDocumentType::longSecond) revertToFirstSection();
    if (auto navigation = navigationController()) navigation->popToViewController(self(), false);
}

void CaptureViewController::capturePreviewPhotosReady(
    const std::vector<std::shared_ptr<platform::Image>>& images) {
    auto& m = model();
    if (m.captureDocumentType == CaptureDocumentType::longFirst && !firstSectionImage_ &&
        !images.empty()) {
        m.captureDocumentTypeChanged(CaptureDocumentType::longSecond);
        firstSectionImage_ = images[0];
        m.firstSectionConfigured = false;
        DispatchQueue::main()->async([weak = weakSelf()] {
            auto self = weak.lock();
            if (!self) return;
            self->viewDidLayoutSubviews();
            self->applyBackButtonTheme();
            if (auto navigation = self->navigationController()) {
                navigation->popToViewController(self, false);
            }
        });
        return;
    }
    dismissAndNotifyDelegate(images);
}

void CaptureViewController::capturePreviewDiscardImages() {
    firstSectionImage_.reset();
    restoreFillingPreview();
    applyConfig(true);
    if (auto navigation = navigationController()) navigation->popToViewController(self(), false);
}

void CaptureViewController::setupFirstSectionImage() {
    auto& m = model();
    m.firstSectionConfigured = true;
    if (!firstSectionImage_) return;
    view()->layoutIfNeeded();
    const auto& stack = require(outlets.mainStackView, "mainStackView");
    const auto& preview = require(outlets.previewView, "previewView");
    const auto first = firstSectionImage_->size();
    const double height = Constants::firstSectionImageHeight;
    const double width = first.width / first.height * (stack->frame().size.height - height);
    if (width < stack->bounds().size.width) {
        preview->videoPreviewLayer()->setVideoGravity(platform::VideoGravity::resizeAspect);
        preview->setNeedsDisplay();
    }
    auto scaled = ImageOperations::scaledForWidth(*firstSectionImage_, {width, height});
    if (!scaled) {
        Logger::capture().error("Failed to scale first section of a long capture");
        return;
    }
    auto filtered = ImageOperations::applyFilters(*scaled);
    if (!filtered) {
        Logger::capture().error("Failed to apply filters to a first section of a long capture");
        return;
    }
    const auto pixels = filtered->size();
    auto strip = ImageOperations::crop(
        *filtered, {{0, pixels.height * filtered->scale() - height * filtered->scale()},
                    {pixels.width * filtered->scale(), height * filtered->scale()}});
    if (!strip) return;
    const auto& tail = require(outlets.firstSectionTailImageView, "firstSectionTailImageView");
    tail->setImage(strip);
    tail->setHidden(false);
    applyCaptureTypeButtonsTheme();
    longReceiptCapturePressed(*require(outlets.longCaptureButton, "longCaptureButton"));
}

void CaptureViewController::revertToFirstSection() {
    model().captureDocumentTypeChanged(CaptureDocumentType::longFirst);
    firstSectionImage_.reset();
    restoreFillingPreview();
    DispatchQueue::main()->async([weak = weakSelf()] {
        auto self = weak.lock();
        if (!self) return;
        self->require(self->outlets.firstSectionTailImageView, "firstSectionTailImageView")
            ->setHidden(true);
        self->view()->setNeedsLayout();
        self->view()->layoutIfNeeded();
    });
}

void CaptureViewController::restoreFillingPreview() {
    // The second section fits the whole picture beside the tail strip; without a first section
    // the picture fills the preview again.
    if (const auto& preview = outlets.previewView) {
        preview->videoPreviewLayer()->setVideoGravity(platform::VideoGravity::resizeAspectFill);
        preview->setNeedsDisplay();
    }
}

// --- Photo library --------------------------------------------------------------------------

void CaptureViewController::showImageGallery() {
    if (!platform::ImagePickerController::isSourceTypeAvailable(
            platform::ImagePickerSourceType::photoLibrary)) {
        return;
    }
    auto& m = model();
    m.stopCaptureSession();
    m.captureDocumentTypeChanged(CaptureDocumentType::album);
    auto picker = platform::ImagePickerController::make();
    picker->setDelegate(weakSelf());
    picker->setSourceType(platform::ImagePickerSourceType::photoLibrary);
    picker->presentationController()->setDelegate(weakSelf());
    picker->setModalPresentationStyle(platform::ModalPresentationStyle::fullScreen);
    present(picker, true);
}

void CaptureViewController::restoreDocumentTypeAfterPicker() {
    auto& m = model();
    if (m.captureDocumentType == CaptureDocumentType::album &&
        m.captureDocumentType != m.previousCaptureDocumentType) {
        m.captureDocumentTypeChanged(m.previousCaptureDocumentType);
    }
}

void CaptureViewController::imagePickerControllerDidFinishPickingMediaWithInfo(
    platform::ImagePickerController& picker, const platform::PickerInfo& info) {
    picker.dismiss(true);
    // Whatever was picked, the camera goes on in the mode the user had chosen.
    restoreDocumentTypeAfterPicker();
    const auto entry = info.find(platform::ImagePickerController::originalImageKey);
    if (entry == info.end()) return;
    const auto* picked = std::get_if<std::shared_ptr<platform::Image>>(&entry->second);
    if (!picked || !*picked) return;
    auto upright = ImageOperations::orientPhotoPortrait(*picked);
    if (!upright) return;
    model().setImageBufferProperties({CaptureType::manual, nullptr, std::nullopt});
    displayCapturedImage(upright, false, true);
}

void CaptureViewController::imagePickerControllerDidCancel(
    platform::ImagePickerController& picker) {
    picker.dismiss(true);
    restoreDocumentTypeAfterPicker();
    captureLoadingCircle_->removeFromSuperlayer();
    // The camera starts again once the screen has reappeared.
}

void CaptureViewController::presentationControllerWillDismiss(platform::PresentationController&) {
    restoreDocumentTypeAfterPicker();
    captureLoadingCircle_->removeFromSuperlayer();
}

// --- End of the flow ------------------------------------------------------------------------

void CaptureViewController::dismissAndNotifyDelegate(
    std::vector<std::shared_ptr<platform::Image>> images) {
    // Done or close pressed again before the dismissal: the host hears of the flow once.
    if (dismissing_) return;
    dismissing_ = true;
    DispatchQueue::main()->async([weak = weakSelf(), images = std::move(images)] {
        auto self = weak.lock();
        if (!self) return;
        auto navigation =
            std::dynamic_pointer_cast<CaptureNavigationController>(self->navigationController());
        if (!navigation) {
            fatalError(
                "Error: Navigation controller is not expected type CaptureNavigationController");
        }
        navigation->dismiss(true, [navigation, images] {
            Logger::capture().info("Dismiss and return %d image(s)",
                                   static_cast<int>(images.size()));
            if (auto delegate = navigation->captureDelegate()) {
                delegate->captureNavigationController(*navigation, images);
            } else {
                Logger::capture().error(
                    "The delegate is nil after module dismissal. The image(s) will be discarded");
            }
        });
    });
}

}  // namespace quorvel
