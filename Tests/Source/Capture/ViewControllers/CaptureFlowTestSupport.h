#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Foundation/Device.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Application.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Engine/FlashManager.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Capture/Views/DetectionLayer.h"
#include "Source/Components/Toast/Toast.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace quorvel::testsupport {

using namespace std::chrono_literals;
namespace ui = quorvel::platform;

// One filmed scene for the whole program: drawing its page takes a moment.
inline std::shared_ptr<ui::SimulatedScene> flowScene() {
    static const auto scene = ui::SimulatedScene::make();
    return scene;
}

// The host's result receiver: records every hand-back.
class RecordingHost : public CaptureNavigationControllerDelegate {
public:
    void captureNavigationController(
        CaptureNavigationController&,
        const std::vector<std::shared_ptr<ui::Image>>& didCapture) override {
        ++calls;
        pages = didCapture;
        onMainThread = ui::DispatchQueue::isMainThread();
    }
    int calls = 0;
    bool onMainThread = false;
    std::vector<std::shared_ptr<ui::Image>> pages;
};

// The host application's own screen, which presents the capture flow.
class HostScreen : public ui::ViewController {
public:
    static std::shared_ptr<HostScreen> make() {
        return std::shared_ptr<HostScreen>(new HostScreen());
    }

private:
    HostScreen() = default;
};

// A window with a host screen presenting a CaptureNavigationController over a simulated camera
// (frames only when a test emits them), on a manual clock with camera access granted and no
// screen reader. Helpers drive the flow through the window's input path and wait for the events
// themselves, never for a number of turns or a time.
class CaptureFlowTest : public ::testing::Test {
protected:
    CaptureFlowTest() {
        ui::MainRunLoop::discardPendingWork();
        ui::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = ui::SimulatedCameraDevice::make(flowScene());
        camera->setFrameRate(0);
        camera->setPhotoSize(1600, 1200);
        ui::CaptureDevice::installSimulatedDevice(camera);
        ui::CameraAuthorization::reset();
        ui::CameraAuthorization::set(ui::AuthorizationStatus::authorized);
        ui::Device::setOrientation(ui::DeviceOrientation::portrait);
        ui::Accessibility::setVoiceOverRunningOverride(false);
        ui::Accessibility::clearPosted();
        ui::Application::shared().reset();
        ui::Transaction::resetImplicit();
        ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
    }

    ~CaptureFlowTest() override {
        if (navigation && navigation->viewController()->viewModel()) {
            navigation->viewController()->viewModel()->stopCaptureSession();
        }
        ui::MainRunLoop::runUntilIdle();
        window.reset();
        hostScreen.reset();
        navigation.reset();
        ui::MainRunLoop::runUntilIdle();
        ui::CaptureDevice::installSimulatedDevice(nullptr);
        ui::CameraAuthorization::reset();
        ui::Accessibility::setVoiceOverRunningOverride(std::nullopt);
        ui::MainRunLoop::discardPendingWork();
        FlashManager::instance().setDelegate({});
        ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
    }

    // Builds the flow and presents it; waits until the camera runs when `waitForCamera`.
    void open(std::shared_ptr<CaptureFeatures> features = CaptureFeatures::getInstance(),
              bool waitForCamera = true) {
        configuration =
            std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{}, features);
        navigation = CaptureNavigationController::make(configuration);
        navigation->setCaptureDelegate(host);
        window = ui::Window::make();
        hostScreen = HostScreen::make();
        window->setRootViewController(hostScreen);
        window->makeKeyAndVisible();
        hostScreen->present(navigation, false);
        window->layoutIfNeeded();
        if (waitForCamera) waitForRunningCamera();
    }

    CaptureViewController& screen() const { return *navigation->viewController(); }
    CaptureViewModel& model() const { return *screen().viewModel(); }
    CaptureViewController::Outlets& outlets() const { return screen().outlets; }

    // Drives the main run loop until `predicate` holds. The limit only guards against a hang.
    static bool drive(const std::function<bool()>& predicate) {
        return ui::MainRunLoop::runUntil(predicate, 90s);
    }
    static void turn() { ui::MainRunLoop::runUntilIdle(); }
    // The same while the clock moves on in small steps, for events that wait for time to pass
    // (the camera's photo latency, delays for the screen reader).
    bool driveClock(const std::function<bool()>& predicate, ui::Duration step = 20ms) {
        return drive([&] {
            if (predicate()) return true;
            clock.advance(step);
            return false;
        });
    }
    void advance(double seconds) {
        clock.advance(std::chrono::duration<double>(seconds));
        turn();
        if (window) window->layoutIfNeeded();
    }

    void waitForRunningCamera() {
        ASSERT_TRUE(drive([&] {
            return screen().viewModel() && model().captureSession() &&
                   model().captureSession()->isRunning();
        })) << "the camera never started";
        turn();
    }

    // One camera frame through the engine and the screen's counting; returns once the screen
    // has handled the detection result.
    void frame() {
        ASSERT_EQ(camera->emitFrames(1), 1) << "no camera running";
        bool started = false;
        ASSERT_TRUE(drive([&] {
            if (model().isDetectingRectangles) started = true;
            return started && !model().isDetectingRectangles;
        })) << "the frame's detection never ended";
    }

    bool outlineDrawn() {
        const auto& path = screen().detectionLayer()->path();
        return path && path->bounds().size.height > 0;
    }

    std::shared_ptr<ui::ViewController> top() const { return navigation->topViewController(); }
    std::shared_ptr<CapturePreviewViewController> preview() const {
        return std::dynamic_pointer_cast<CapturePreviewViewController>(top());
    }

    // Waits until the requested photo is handed to the camera, lets the camera deliver it and
    // waits for the preview screen.
    void deliverPhotoToPreview() {
        waitForPhotoRequest();
        ASSERT_TRUE(driveClock([&] { return preview() != nullptr; })) << "no preview screen";
        window->layoutIfNeeded();
        turn();
    }

    // Waits until the camera has been asked for the next photo.
    void waitForPhotoRequest() {
        ++photosRequested;
        ASSERT_TRUE(drive([&] { return camera->photoRequestCount() >= photosRequested; }))
            << "the photo was never requested";
    }

    // Frames of the steady page until the screen draws its outline. How many that takes is the
    // counting's business (a first frame that changes the preview's shape restarts it); the
    // bound only guards against a page that is never found.
    void waitForSteadyOutline() {
        for (int i = 0; i < 30 && !outlineDrawn(); ++i) frame();
        ASSERT_TRUE(outlineDrawn()) << "no steady outline";
    }

    // A steady page held past the grace period: the automatic shot, up to the preview screen.
    void takeAutomaticShot() {
        ASSERT_EQ(model().captureType, CaptureType::automatic);
        waitForSteadyOutline();
        advance(3.5);
        ASSERT_GE(model().rectangleLockedTime, 1);
        frame();
        deliverPhotoToPreview();
    }

    // The capture button, tapped through the window.
    void tapCapture() { ASSERT_TRUE(ui::UIDriver::tap(*outlets().captureButton)); }

    // The view on screen whose accessibility label is `label`, or null.
    std::shared_ptr<ui::View> element(const std::string& label) const {
        for (const auto& view : ui::Accessibility::orderedElements(window)) {
            if (view->accessibilityLabel() == label) return view;
        }
        return nullptr;
    }
    // Taps the element labelled `label` through the window.
    void tapElement(const std::string& label) {
        window->layoutIfNeeded();
        auto view = element(label);
        ASSERT_NE(view, nullptr) << "nothing on screen is labelled \"" << label << "\"";
        ASSERT_TRUE(ui::UIDriver::tap(*view)) << label;
        turn();
        window->layoutIfNeeded();
    }

    // Returns to the camera with the preview's add-page button and waits for the camera.
    void addPage() {
        tapElement("Add page");
        ASSERT_EQ(top(), navigation->viewController());
        waitForRunningCamera();
    }

    bool messageLogged(const std::string& message) const {
        for (const auto& m : log.messages()) {
            if (m == message) return true;
        }
        return false;
    }

    int photosRequested = 0;
    ui::ScopedLogCapture log;
    ui::ScopedManualClock clock;
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    std::shared_ptr<RecordingHost> host = std::make_shared<RecordingHost>();
    std::shared_ptr<CaptureConfiguration> configuration;
    std::shared_ptr<CaptureNavigationController> navigation;
    std::shared_ptr<HostScreen> hostScreen;
    std::shared_ptr<ui::Window> window;
};

}  // namespace quorvel::testsupport
