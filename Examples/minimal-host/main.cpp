// minimal-host: the least a host does with the installed library to get pages from the user.
//
//   minimal-host [EXPECTED_RESOURCE_BUNDLE]
//
// It chooses the simulated camera, starts the user interface, shows a window holding a screen of
// its own, presents the capture flow from that screen and receives the pages through its
// delegate. With a display the user works the flow; without one (or with QT_QPA_PLATFORM set to
// offscreen) the host works it as a user would: "Take photo" once the camera runs, then "Done"
// on the preview. It prints what came back and exits with 1 when no page did, or when the
// library's resource bundle is not the expected one.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureFeatures.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Source/Navigation/CaptureNavigationController.h"

using namespace quorvel;
using namespace std::chrono_literals;

namespace {

// The host's own screen, the one the capture flow is presented from. A view controller is made
// by its subclass (the constructor is protected), always as a shared pointer.
class HostScreen : public platform::ViewController {
public:
    static std::shared_ptr<HostScreen> make() {
        return std::shared_ptr<HostScreen>(new HostScreen());
    }

private:
    HostScreen() = default;
};

// Receives the pages once the flow has been dismissed.
class PageReceiver : public CaptureNavigationControllerDelegate {
public:
    void captureNavigationController(
        CaptureNavigationController&,
        const std::vector<std::shared_ptr<platform::Image>>& received) override {
        pages = received;
        finished = true;
        platform::MainRunLoop::stop();
    }

    std::vector<std::shared_ptr<platform::Image>> pages;
    bool finished = false;
};

// Without a display: waits for the element a user would see with that label and taps it.
bool tapWhenShown(const std::shared_ptr<platform::Window>& window, const std::string& label) {
    std::shared_ptr<platform::View> element;
    const bool shown = platform::MainRunLoop::runUntil(
        [&] {
            window->layoutIfNeeded();
            for (const auto& view : platform::Accessibility::orderedElements(window)) {
                if (view->accessibilityLabel() == label) element = view;
            }
            return element != nullptr;
        },
        60s);
    std::printf("tap \"%s\": %s\n", label.c_str(), shown ? "shown" : "never shown");
    return shown && platform::UIDriver::tap(*element);
}

}  // namespace

int main(int argc, char** argv) {
    // No camera is looked for: the simulated one films a printed page on a desk.
    platform::CaptureDevice::setHardwareDiscoveryEnabled(false);
    platform::CaptureDevice::installSimulatedDevice(platform::SimulatedCameraDevice::make());

    // Off-screen when there is no display.
    if (!platform::ApplicationHost::start()) {
        std::fprintf(stderr, "minimal-host: no user interface can run here\n");
        return 1;
    }

    auto features = CaptureFeatures::getInstance();
    features->setEnableLongCapture(false);
    features->setDefaultToAutoCapture(false);  // photos on "Take photo" only
    auto flow = CaptureNavigationController::make(
        std::make_shared<CaptureConfiguration>(nullptr, features));
    auto receiver = std::make_shared<PageReceiver>();
    flow->setCaptureDelegate(receiver);  // held weakly

    auto window = platform::Window::make();
    auto screen = HostScreen::make();
    window->setRootViewController(screen);
    window->makeKeyAndVisible();
    auto windowHost = platform::WindowHost::make(window);
    windowHost->setCloseHandler([] { platform::MainRunLoop::stop(); });
    windowHost->show();
    screen->present(flow, true);

    if (platform::ApplicationHost::isOffscreen()) {
        const auto cameraRuns = [&] {
            const auto& model = flow->viewController()->viewModel();
            return model && model->captureSession() && model->captureSession()->isRunning();
        };
        const bool worked = platform::MainRunLoop::runUntil(cameraRuns, 60s) &&
                            tapWhenShown(window, "Take photo") && tapWhenShown(window, "Done");
        platform::MainRunLoop::runUntil([&] { return receiver->finished; }, 60s);
        if (!worked) std::fprintf(stderr, "minimal-host: the flow could not be worked\n");
    } else {
        platform::MainRunLoop::run();  // until the pages arrive or the window is closed
    }

    std::printf("pages: %zu\n", receiver->pages.size());
    for (const auto& page : receiver->pages) {
        std::printf("page: %.0f x %.0f\n", page->size().width, page->size().height);
    }
    const auto resources = ResourceBundle::resources()->bundlePath();
    std::printf("resource bundle: %s\n", resources.c_str());
    std::error_code error;
    const bool expected = argc < 2 || std::filesystem::equivalent(resources, argv[1], error);
    if (!expected) std::fprintf(stderr, "expected the resource bundle %s\n", argv[1]);
    const bool gotPages = !receiver->pages.empty();

    // The window and the flow go before the user interface does.
    if (const auto& model = flow->viewController()->viewModel()) model->stopCaptureSession();
    windowHost.reset();
    window.reset();
    screen.reset();
    flow.reset();
    platform::MainRunLoop::runUntilIdle();
    platform::ApplicationHost::shutDown();
    return gotPages && expected ? 0 : 1;
}
