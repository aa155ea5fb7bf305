// capture-demo: a small host of the capture engine.
//
//   capture-demo [--photo FILE | --photos DIR | --device /dev/videoN] [--manual SECONDS]
//                [--out DIR] [--timeout SECONDS]
//
// Installs a camera (by default a simulated one filming a printed page on a desk), runs a
// capture view model on the main run loop in real time, lets the automatic capture happen (or
// takes a manual photo after the given number of seconds), prints every report with its time,
// and writes the page image and its filtered view into the output folder.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Camera/V4L2CameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Source/Capture/Engine/CaptureViewModel.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Imaging/ImageOperations.h"

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

const Clock::time_point started = Clock::now();

void report(const std::string& what) {
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("[%7.3f s] %s\n", seconds, what.c_str());
    std::fflush(stdout);
}

bool writeJPEG(const quorvel::platform::Image& image, const std::filesystem::path& path) {
    auto data = quorvel::platform::ImageEncoding::jpegData(image, 0.9);
    if (!data) return false;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(data->data()),
               static_cast<std::streamsize>(data->size()));
    return static_cast<bool>(file);
}

// The camera screen of this host: it shows nothing, keeps the detection going and saves the page.
class DemoScreen : public CaptureViewModelDelegate,
                   public std::enable_shared_from_this<DemoScreen> {
public:
    DemoScreen(std::filesystem::path out) : out_(std::move(out)) {}

    std::weak_ptr<CaptureViewModel> viewModel;
    bool finished = false;
    bool succeeded = false;

    std::shared_ptr<CameraPreviewView> previewView() const override { return previewView_; }

    void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                          std::shared_ptr<quorvel::platform::BezierPath>, quorvel::platform::Point) override {
        auto model = viewModel.lock();
        if (!model) return;
        if (feature) {
            if (!sawPage_) report("page outline found");
            sawPage_ = true;
        } else {
            // The lock time builds up only while a page is in view.
            model->rectangleLockedTime = 0;
            sawPage_ = false;
        }
        model->currentRectangle = feature;
        model->isDetectingRectangles = false;
    }
    void didLoseRectangle() override {
        if (auto model = viewModel.lock()) model->isDetectingRectangles = false;
    }
    void didStartCapture() override { report("photo requested"); }
    void didFailCapture() override {
        report("capture failed");
        quorvel::platform::DispatchQueue::main()->async(
            [self = shared_from_this()] { self->finished = true; });
    }
    void displayCaptureLoadingCircle(quorvel::platform::Point at) override {
        report("automatic capture at (" + std::to_string(int(at.x)) + ", " +
               std::to_string(int(at.y)) + ")");
    }
    void didCaptureImage(std::shared_ptr<quorvel::platform::Image> image, bool isBlurry) override {
        report(std::string("page image ") + std::to_string(int(image->size().width)) + " x " +
               std::to_string(int(image->size().height)) + (isBlurry ? ", blurry" : ", sharp"));
        quorvel::platform::DispatchQueue::main()->async(
            [self = shared_from_this(), image] { self->save(*image); });
    }

private:
    void save(const quorvel::platform::Image& image) {
        std::filesystem::create_directories(out_);
        const auto page = out_ / "page-1.jpg";
        const auto filteredPath = out_ / "page-1-filtered.jpg";
        auto filtered = ImageOperations::applyFilters(image);
        succeeded = writeJPEG(image, page) && filtered && writeJPEG(*filtered, filteredPath);
        report(succeeded ? "wrote " + page.string() + " and " + filteredPath.string()
                         : "could not write the page images");
        if (auto model = viewModel.lock()) model->stopCaptureSession();
        finished = true;
    }

    std::filesystem::path out_;
    std::shared_ptr<CameraPreviewView> previewView_ = CameraPreviewView::make({{0, 0}, {540, 960}});
    bool sawPage_ = false;
};

int usage() {
    std::fprintf(stderr,
                 "usage: capture-demo [--photo FILE | --photos DIR | --device /dev/videoN]\n"
                 "                    [--manual SECONDS] [--out DIR] [--timeout SECONDS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string photo, photos, device;
    std::filesystem::path out = "out";
    double manualAfter = -1, timeout = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = (arg == "--photo" || arg == "--photos" || arg == "--device" ||
                         arg == "--manual" || arg == "--out" || arg == "--timeout")
                            ? value()
                            : nullptr;
        if (!v) return usage();
        if (arg == "--photo") photo = v;
        if (arg == "--photos") photos = v;
        if (arg == "--device") device = v;
        if (arg == "--manual") manualAfter = std::atof(v);
        if (arg == "--out") out = v;
        if (arg == "--timeout") timeout = std::atof(v);
    }

    if (!device.empty()) {
        auto camera = quorvel::platform::V4L2CameraDevice::open(device);
        if (!camera) {
            std::fprintf(stderr, "capture-demo: cannot open %s\n", device.c_str());
            return 1;
        }
        quorvel::platform::CaptureDevice::installDevice(camera);
        report("camera " + device);
    } else {
        std::shared_ptr<quorvel::platform::SimulatedCameraDevice> camera;
        if (!photo.empty()) {
            camera = quorvel::platform::SimulatedCameraDevice::fromPhoto(photo);
        } else if (!photos.empty()) {
            camera = quorvel::platform::SimulatedCameraDevice::fromPhotos(photos);
        } else {
            camera = quorvel::platform::SimulatedCameraDevice::make();
        }
        if (!camera) {
            std::fprintf(stderr, "capture-demo: cannot read the photo(s)\n");
            return 1;
        }
        quorvel::platform::CaptureDevice::installSimulatedDevice(camera);
        report(photo.empty() && photos.empty() ? "simulated camera: a page on a desk"
                                               : "simulated camera: still photo(s)");
    }

    auto screen = std::make_shared<DemoScreen>(out);
    auto model = CaptureViewModel::make(CaptureConfiguration::getInstance(), screen);
    screen->viewModel = model;
    if (!model->captureSession()) {
        std::fprintf(stderr, "capture-demo: no camera\n");
        return 1;
    }
    if (manualAfter >= 0) {
        model->captureTypeChanged(CaptureType::manual);
        report("manual capture in " + std::to_string(manualAfter) + " s");
    } else {
        model->captureTypeChanged(CaptureType::automatic);
        report("automatic capture: hold steady for 3 s");
    }
    model->startCaptureSession();
    report("camera started");

    std::shared_ptr<quorvel::platform::Timer> manualTimer;
    if (manualAfter >= 0) {
        manualTimer = quorvel::platform::Timer::scheduled(
            std::chrono::duration<double>(manualAfter), false,
            [model](quorvel::platform::Timer&) { model->captureImageManually(); });
    }
    const bool done = quorvel::platform::MainRunLoop::runUntil(
        [&] { return screen->finished; }, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::duration<double>(timeout)));
    if (!done) report("timed out");
    model->stopCaptureSession();
    if (screen->succeeded) {
        std::printf("Pages written to %s\n", std::filesystem::absolute(out).c_str());
        return 0;
    }
    return 1;
}
