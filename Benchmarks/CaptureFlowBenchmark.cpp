// The capture flow as a host shows it, with the simulated camera and the real detector, painted
// off-screen: a 1080p frame from its arrival at the capture output to its outline painted on the
// camera screen (the camera's own rendering of the frame apart), a repaint of the camera screen
// without a new frame, resident memory over 10,000 frames with the camera screen shown, and an
// automatic shot of a 12 MP photo from the trigger to the preview screen painted.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <vector>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SensorFrame.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Log/CapturingLogSink.h"
#include "Platform/Log/Log.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "ResidentMemory.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace {

using namespace quorvel;
using namespace std::chrono_literals;
namespace ui = quorvel::platform;
using SteadyClock = std::chrono::steady_clock;

class HostScreen : public ui::ViewController {
public:
    static std::shared_ptr<HostScreen> make() {
        return std::shared_ptr<HostScreen>(new HostScreen());
    }

private:
    HostScreen() = default;
};

double milliseconds(SteadyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Iterations of the per-frame benchmarks: `fallback`, or QUORVEL_FRAME_ITERATIONS when set (a
// few frames are enough under callgrind, which counts the instructions of every thread).
int frameIterations(int fallback) {
    const char* value = std::getenv("QUORVEL_FRAME_ITERATIONS");
    const int asked = value ? std::atoi(value) : 0;
    return asked > 0 ? asked : fallback;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The flow presented in a window painted off-screen, on a manual clock that only the automatic
// shot moves on (so the grace period never passes by itself).
// The camera films the generated scene unless another camera is given.
struct Flow {
    explicit Flow(std::shared_ptr<ui::SimulatedCameraDevice> filming = nullptr) {
        ui::ApplicationHost::start(ui::ApplicationHost::Display::offscreen);
        ui::Log::setSink(std::make_shared<ui::CapturingLogSink>());
        ui::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = filming ? std::move(filming) : ui::SimulatedCameraDevice::make();
        camera->setFrameRate(0);
        camera->setPhotoSize(4032, 3024);
        camera->setPhotoLatency(ui::Duration::zero());
        ui::CaptureDevice::installSimulatedDevice(camera);
        ui::CameraAuthorization::set(ui::AuthorizationStatus::authorized);
        ui::Accessibility::setVoiceOverRunningOverride(false);
        navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
        window = ui::Window::make();
        hostScreen = HostScreen::make();
        window->setRootViewController(hostScreen);
        windowHost = ui::WindowHost::make(window);
        window->makeKeyAndVisible();
        windowHost->show();
        hostScreen->present(navigation, false);
        waitForCamera();
    }
    Flow(const Flow&) = delete;
    Flow& operator=(const Flow&) = delete;
    ~Flow() {
        if (auto model = screen().viewModel()) model->stopCaptureSession();
        ui::MainRunLoop::runUntilIdle();
        windowHost.reset();
        window.reset();
        hostScreen.reset();
        navigation.reset();
        ui::MainRunLoop::runUntilIdle();
        ui::CaptureDevice::installSimulatedDevice(nullptr);
        ui::MainRunLoop::discardPendingWork();
        // The application goes with its windows, not at exit after them.
        ui::ApplicationHost::shutDown();
    }

    CaptureViewController& screen() const { return *navigation->viewController(); }

    void waitForCamera() {
        ui::MainRunLoop::runUntil(
            [&] {
                auto model = screen().viewModel();
                return navigation->topViewController() == navigation->viewController() && model &&
                       model->captureSession()->isRunning();
            },
            60s);
        ui::MainRunLoop::runUntilIdle();
    }

    // One frame from the camera to the screen's handling of its outline.
    void frame() { handled(camera->emitFrames(1) > 0); }

    // The same for a frame the camera has already read and made into pixels.
    void frame(const std::shared_ptr<ui::SensorFrame>& sensorFrame) {
        handled(camera->emitFrame(sensorFrame));
    }

    // Runs the main queue until the screen has handled the detection of the frame just
    // delivered.
    void handled(bool delivered) {
        if (!delivered) return;
        bool started = false;
        ui::MainRunLoop::runUntil(
            [&] {
                const bool detecting = screen().viewModel()->isDetectingRectangles;
                if (detecting) started = true;
                return started && !detecting;
            },
            60s);
    }

    // Paints the window as the desktop would show it now.
    void paint() {
        window->layoutIfNeeded();
        windowHost->repaintIfNeeded();
    }

    ui::ScopedManualClock clock;
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    std::shared_ptr<CaptureNavigationController> navigation;
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<HostScreen> hostScreen;
    std::shared_ptr<ui::WindowHost> windowHost;
};

// A photograph of a page from the shared data, filmed by the still-photo camera (a V4L2 camera's
// frames take the same path: a ready picture turned into the frame's buffer).
const char* const stillPhoto = "../shared/data/synthetic/scene-a-036.jpg";

// From a frame's arrival at the capture output to its outline painted: the hop to the main
// queue, detection on the vision queue, the screen's counting, and the window painted with the
// frame and its outline. The simulated camera's own making of the frame's pixels (rendering the
// scene, or turning a still photo and adding sensor noise, as a real camera's sensor and driver
// would) comes before the arrival and is reported apart as camera_render_median_ms.
// Argument 0: the generated scene; 1: a still photo (skipped when the shared data is absent;
// run from the repository's root or set QUORVEL_STILL_PHOTO).
void BM_FrameToOutlineOnScreen(benchmark::State& state) {
    cv::setNumThreads(1);
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    if (state.range(0) == 1) {
        const char* path = std::getenv("QUORVEL_STILL_PHOTO");
        camera = ui::SimulatedCameraDevice::fromPhoto(path ? path : stillPhoto);
        if (!camera) {
            state.SkipWithError("the still photo is missing (../shared/data)");
            for (auto _ : state) {
            }
            return;
        }
    }
    Flow flow(camera);
    for (int i = 0; i < 10; ++i) {
        flow.frame();
        flow.paint();
    }
    std::vector<double> totals, renders, detections, paints;
    for (auto _ : state) {
        state.PauseTiming();
        const auto read = SteadyClock::now();
        auto sensorFrame = flow.camera->readFrame();
        sensorFrame->pixelBuffer(ui::VideoOrientation::portrait);
        renders.push_back(milliseconds(SteadyClock::now() - read));
        state.ResumeTiming();

        const auto arrived = SteadyClock::now();
        flow.frame(sensorFrame);
        const auto detected = SteadyClock::now();
        flow.paint();
        const auto painted = SteadyClock::now();
        detections.push_back(milliseconds(detected - arrived));
        paints.push_back(milliseconds(painted - detected));
        totals.push_back(milliseconds(painted - arrived));
    }
    state.counters["median_ms"] = median(totals);
    state.counters["detection_median_ms"] = median(detections);
    state.counters["paint_median_ms"] = median(paints);
    state.counters["camera_render_median_ms"] = median(renders);
}
BENCHMARK(BM_FrameToOutlineOnScreen)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(frameIterations(300));

// A repaint of the camera screen with no new frame, as the capture ring's animation asks for
// dozens of times during a shot: the frame on screen is painted again as it is.
void BM_CameraScreenRepaintWithoutANewFrame(benchmark::State& state) {
    cv::setNumThreads(1);
    Flow flow;
    for (int i = 0; i < 10; ++i) {
        flow.frame();
        flow.paint();
    }
    std::vector<double> repaints;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        ui::DisplayInvalidation::invalidate();
        flow.paint();
        repaints.push_back(milliseconds(SteadyClock::now() - start));
    }
    state.counters["median_ms"] = median(repaints);
}
BENCHMARK(BM_CameraScreenRepaintWithoutANewFrame)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(frameIterations(100));

void BM_ResidentMemoryOverTenThousandFramesOnScreen(benchmark::State& state) {
    cv::setNumThreads(1);
    for (auto _ : state) {
        Flow flow;
        benchmarks::recordResidentMemoryOverTenThousandFrames(state, [&] {
            flow.frame();
            flow.paint();
        });
    }
}
BENCHMARK(BM_ResidentMemoryOverTenThousandFramesOnScreen)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_AutomaticTriggerToPreviewOnScreen(benchmark::State& state) {
    cv::setNumThreads(1);
    Flow flow;
    std::vector<double> times, toRequest, toPage, toPreview;
    for (auto _ : state) {
        // A steady outline held past the grace period.
        auto model = flow.screen().viewModel();
        for (int i = 0; i < 4; ++i) flow.frame();
        flow.clock.advance(3500ms);
        ui::MainRunLoop::runUntilIdle();
        // The trigger: the frame whose outline fires the shot blocks the screen's touches.
        flow.camera->emitFrames(1);
        auto root = flow.screen().view();
        ui::MainRunLoop::runUntil([&] { return !root->isUserInteractionEnabled(); }, 60s);
        const auto triggered = SteadyClock::now();
        auto pages = model->capturedImages();
        const auto before = pages->isEmpty() ? nullptr : (*pages)[0]->originalImage();
        // The camera has taken the request (the simulated camera renders and encodes the photo
        // first).
        ui::MainRunLoop::runUntil([&] { return model->isCapturingImage(); }, 60s);
        const auto requested = SteadyClock::now();
        // The page reaches the screen, which stores it and pushes the preview at once.
        ui::MainRunLoop::runUntil(
            [&] { return !pages->isEmpty() && (*pages)[0]->originalImage() != before; }, 60s);
        const auto pageArrived = SteadyClock::now();
        ui::MainRunLoop::runUntil(
            [&] {
                return std::dynamic_pointer_cast<CapturePreviewViewController>(
                           flow.navigation->topViewController()) != nullptr;
            },
            60s);
        flow.paint();
        const auto shown = SteadyClock::now();
        const double elapsed = std::chrono::duration<double>(shown - triggered).count();
        state.SetIterationTime(elapsed);
        times.push_back(elapsed * 1000);
        toRequest.push_back(milliseconds(requested - triggered));
        toPage.push_back(milliseconds(pageArrived - triggered));
        toPreview.push_back(milliseconds(shown - pageArrived));

        // Back to the camera for the next shot (not timed).
        auto preview = std::dynamic_pointer_cast<CapturePreviewViewController>(
            flow.navigation->topViewController());
        if (preview) preview->delegate()->capturePreviewRetakeImage(0, model->capturedImages());
        flow.waitForCamera();
    }
    state.counters["median_ms"] = median(times);
    state.counters["request_handed_to_camera_median_ms"] = median(toRequest);
    state.counters["trigger_to_page_median_ms"] = median(toPage);
    state.counters["page_to_preview_painted_median_ms"] = median(toPreview);
    state.counters["photo_MP"] = 4032.0 * 3024.0 / 1e6;
}
BENCHMARK(BM_AutomaticTriggerToPreviewOnScreen)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(12);

}  // namespace
