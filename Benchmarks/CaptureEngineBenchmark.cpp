// The capture engine with the simulated camera: how long a 1080p frame takes from the camera to
// the outline the screen receives, and whether resident memory stays flat over a long run.

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Log/CapturingLogSink.h"
#include "Platform/Log/Log.h"
#include "ResidentMemory.h"
#include "Source/Capture/Engine/CaptureViewModel.h"

namespace {

using namespace quorvel;
using namespace std::chrono_literals;

class OutlineCounter : public CaptureViewModelDelegate {
public:
    std::weak_ptr<CaptureViewModel> viewModel;
    int outlines = 0;
    int found = 0;

    std::shared_ptr<CameraPreviewView> previewView() const override { return view_; }
    void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                          std::shared_ptr<quorvel::platform::BezierPath>,
                          quorvel::platform::Point) override {
        ++outlines;
        if (feature) ++found;
        if (auto model = viewModel.lock()) {
            model->rectangleLockedTime = 0;  // never shoot: only frames are measured
            model->isDetectingRectangles = false;
        }
    }
    void didLoseRectangle() override {}
    void didStartCapture() override {}
    void didFailCapture() override {}
    void didCaptureImage(std::shared_ptr<quorvel::platform::Image>, bool) override {}
    void displayCaptureLoadingCircle(quorvel::platform::Point) override {}

private:
    std::shared_ptr<CameraPreviewView> view_ = CameraPreviewView::make({{0, 0}, {540, 960}});
};

struct Engine {
    Engine() {
        quorvel::platform::Log::setSink(std::make_shared<quorvel::platform::CapturingLogSink>());
        quorvel::platform::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = quorvel::platform::SimulatedCameraDevice::make();
        camera->setFrameRate(0);
        quorvel::platform::CaptureDevice::installSimulatedDevice(camera);
        model = CaptureViewModel::make(CaptureConfiguration::getInstance(), screen);
        screen->viewModel = model;
        model->captureTypeChanged(CaptureType::automatic);
        model->startCaptureSession();
        quorvel::platform::MainRunLoop::runUntil(
            [&] { return model->captureSession()->isRunning(); }, 10s);
    }
    ~Engine() {
        model->stopCaptureSession();
        model.reset();
        quorvel::platform::MainRunLoop::runUntilIdle();
        quorvel::platform::CaptureDevice::installSimulatedDevice(nullptr);
    }
    // One frame from the camera to the screen's outline.
    void frame() {
        const int before = screen->outlines;
        camera->emitFrames(1);
        quorvel::platform::MainRunLoop::runUntil([&] { return screen->outlines > before; }, 10s);
    }

    std::shared_ptr<quorvel::platform::SimulatedCameraDevice> camera;
    std::shared_ptr<OutlineCounter> screen = std::make_shared<OutlineCounter>();
    std::shared_ptr<CaptureViewModel> model;
};

void BM_FrameToOutline(benchmark::State& state) {
    cv::setNumThreads(1);
    Engine engine;
    for (int i = 0; i < 10; ++i) engine.frame();
    for (auto _ : state) engine.frame();
    state.counters["found"] = static_cast<double>(engine.screen->found) / engine.screen->outlines;
}
BENCHMARK(BM_FrameToOutline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(300);

void BM_ResidentMemoryOverTenThousandFrames(benchmark::State& state) {
    cv::setNumThreads(1);
    for (auto _ : state) {
        Engine engine;
        benchmarks::recordResidentMemoryOverTenThousandFrames(state, [&] { engine.frame(); });
    }
}
BENCHMARK(BM_ResidentMemoryOverTenThousandFrames)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
