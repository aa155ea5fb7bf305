// capture-demo: a small host of the capture engine.
//
//   capture-demo [--photo FILE | --photos DIR | --device /dev/videoN] [--manual SECONDS]
//                [--out DIR] [--timeout SECONDS]
//
// Installs a camera (by default a simulated one filming a printed page on a desk), runs a
// capture view model on the main run loop in real time, lets the automatic capture happen (or
// takes a manual photo after the given number of seconds), prints every report with its time,
// and writes the page image and its filtered view into the output folder (made first).
//
// Exit status: 0 when the page images were written, 1 when anything failed (each failure says
// why), 2 for bad arguments.

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Camera/V4L2CameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Image.h"
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

// Empty when written, else why not.
std::string writeJPEG(const quorvel::platform::Image& image, const std::filesystem::path& path) {
    auto data = quorvel::platform::ImageEncoding::jpegData(image, 0.9);
    if (!data) return "cannot encode " + path.string();
    std::ofstream file(path, std::ios::binary);
    if (!file) return "cannot write " + path.string() + ": " + std::strerror(errno);
    file.write(reinterpret_cast<const char*>(data->data()),
               static_cast<std::streamsize>(data->size()));
    file.close();
    if (!file) return "cannot write " + path.string();
    return {};
}

// The camera screen of this host: it shows nothing, keeps the detection going and saves the page.
class DemoScreen : public CaptureViewModelDelegate,
                   public std::enable_shared_from_this<DemoScreen> {
public:
    DemoScreen(std::filesystem::path out) : out_(std::move(out)) {}

    std::weak_ptr<CaptureViewModel> viewModel;
    bool finished = false;
    bool succeeded = false;
    // What was reached, to say why nothing came of it.
    bool sawPage = false;
    bool photoRequested = false;

    std::shared_ptr<CameraPreviewView> previewView() const override { return previewView_; }

    void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                          std::shared_ptr<quorvel::platform::BezierPath>,
                          quorvel::platform::Point) override {
        auto model = viewModel.lock();
        if (!model) return;
        if (feature) {
            if (!sawPage_) report("page outline found");
            sawPage_ = true;
            sawPage = true;
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
    void didStartCapture() override {
        quorvel::platform::DispatchQueue::main()->async(
            [self = shared_from_this()] { self->photoRequested = true; });
        report("photo requested");
    }
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
        const auto page = out_ / "page-1.jpg";
        const auto filteredPath = out_ / "page-1-filtered.jpg";
        auto filtered = ImageOperations::applyFilters(image);
        std::string failure = writeJPEG(image, page);
        if (failure.empty()) {
            failure = filtered ? writeJPEG(*filtered, filteredPath) : "cannot filter the page";
        }
        succeeded = failure.empty();
        report(succeeded ? "wrote " + page.string() + " and " + filteredPath.string()
                         : "could not write the page images: " + failure);
        if (auto model = viewModel.lock()) model->stopCaptureSession();
        finished = true;
    }

    std::filesystem::path out_;
    std::shared_ptr<CameraPreviewView> previewView_ = CameraPreviewView::make({{0, 0}, {540, 960}});
    bool sawPage_ = false;
};

constexpr const char* kUsage =
    "usage: capture-demo [--photo FILE | --photos DIR | --device /dev/videoN]\n"
    "                    [--manual SECONDS] [--out DIR] [--timeout SECONDS]\n";

int usage(const std::string& complaint) {
    std::fprintf(stderr, "capture-demo: %s\n%s", complaint.c_str(), kUsage);
    return 2;
}

// A number of seconds: all of `text`, finite, not negative (above 0 when `positive`).
std::optional<double> seconds(const std::string& text, bool positive) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0 || !std::isfinite(value) ||
        value < 0 || (positive && value == 0)) {
        return std::nullopt;
    }
    return value;
}

std::string secondsText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Why `device` gives no camera, as well as it can be told.
std::string whyNoCamera(const std::string& device) {
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) return std::strerror(errno);
    if (!S_ISCHR(status.st_mode)) return "not a device";
    const int fd = ::open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    v4l2_capability capability{};
    const bool video = ::ioctl(fd, VIDIOC_QUERYCAP, &capability) == 0;
    ::close(fd);
    if (!video) return "not a video device";
    const auto caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps
                                                                       : capability.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE)) return "not a video capture device";
    return "the camera gave no picture (is it in use?)";
}

// Why the still photo at `path` cannot be filmed.
std::string whyNoPhoto(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::strerror(errno);
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
    return "not a picture";
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg != "--photo" && arg != "--photos" && arg != "--device" && arg != "--manual" &&
            arg != "--out" && arg != "--timeout") {
            return usage("unknown argument '" + arg + "'");
        }
        if (i + 1 >= argc) return usage(arg + " needs a value");
        if (!given.emplace(arg, argv[++i]).second) return usage(arg + " is given twice");
    }
    auto value = [&](const std::string& option) {
        const auto found = given.find(option);
        return found == given.end() ? std::string() : found->second;
    };
    const std::string photo = value("--photo"), photos = value("--photos"),
                      device = value("--device");
    if (given.count("--photo") + given.count("--photos") + given.count("--device") > 1) {
        return usage("give one of --photo, --photos and --device");
    }
    double manualAfter = -1, timeout = 30;
    if (given.count("--manual")) {
        const auto parsed = seconds(value("--manual"), false);
        if (!parsed) {
            return usage("--manual needs a number of seconds, not '" + value("--manual") + "'");
        }
        manualAfter = *parsed;
    }
    if (given.count("--timeout")) {
        const auto parsed = seconds(value("--timeout"), true);
        if (!parsed) {
            return usage("--timeout needs a number of seconds above 0, not '" + value("--timeout") +
                         "'");
        }
        timeout = *parsed;
    }
    if (manualAfter >= timeout) {
        return usage("--manual " + secondsText(manualAfter) + " comes at or after --timeout " +
                     secondsText(timeout));
    }
    const std::filesystem::path out = given.count("--out") ? value("--out") : "out";

    // The output folder is made before anything is captured.
    {
        std::error_code error;
        std::filesystem::create_directories(out, error);
        if (!error && !std::filesystem::is_directory(out, error)) {
            error = std::make_error_code(std::errc::not_a_directory);
        }
        if (error) {
            std::fprintf(stderr, "capture-demo: cannot make the output folder %s: %s\n",
                         out.c_str(), error.message().c_str());
            return 1;
        }
    }

    if (!device.empty()) {
        auto camera = quorvel::platform::V4L2CameraDevice::open(device);
        if (!camera) {
            std::fprintf(stderr, "capture-demo: cannot open %s: %s\n", device.c_str(),
                         whyNoCamera(device).c_str());
            return 1;
        }
        quorvel::platform::CaptureDevice::installDevice(camera);
        report("camera " + device);
    } else {
        std::shared_ptr<quorvel::platform::SimulatedCameraDevice> camera;
        if (!photo.empty()) {
            camera = quorvel::platform::SimulatedCameraDevice::fromPhoto(photo);
            if (!camera) {
                std::fprintf(stderr, "capture-demo: cannot read the photo %s: %s\n", photo.c_str(),
                             whyNoPhoto(photo).c_str());
                return 1;
            }
        } else if (!photos.empty()) {
            camera = quorvel::platform::SimulatedCameraDevice::fromPhotos(photos);
            if (!camera) {
                std::error_code error;
                std::fprintf(
                    stderr, "capture-demo: cannot read the photos in %s: %s\n", photos.c_str(),
                    std::filesystem::is_directory(photos, error) ? "no picture in it decodes"
                                                                 : "not a folder");
                return 1;
            }
        } else {
            camera = quorvel::platform::SimulatedCameraDevice::make();
            if (!camera) {
                std::fprintf(stderr, "capture-demo: cannot make the simulated camera\n");
                return 1;
            }
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
        report("manual capture in " + secondsText(manualAfter) + " s");
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
    if (!done) {
        std::string why;
        if (screen->photoRequested) {
            why = "the photo did not arrive";
        } else if (manualAfter >= 0) {
            why = "the manual photo was not taken";
        } else if (screen->sawPage) {
            why = "the page outline did not hold steady for 3 s";
        } else {
            why = "no page outline was found";
            if (!photo.empty()) {
                const auto picture = quorvel::platform::Image::contentsOfFile(photo);
                why += " in " + photo;
                if (picture) {
                    why += " (" + std::to_string(picture->bitmap()->width()) + " x " +
                           std::to_string(picture->bitmap()->height()) + " pixels)";
                }
            } else if (!photos.empty()) {
                why += " in the photos of " + photos;
            }
            why += "; --manual SECONDS takes a photo anyway";
        }
        report("timed out after " + secondsText(timeout) + " s: " + why);
    }
    model->stopCaptureSession();
    if (screen->succeeded) {
        std::printf("Pages written to %s\n", std::filesystem::absolute(out).c_str());
        return 0;
    }
    return 1;
}
