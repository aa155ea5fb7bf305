// capture-demo: a small host application of the capture flow.
//
//   capture-demo [--photo FILE | --photos DIR | --device /dev/videoN] [--manual SECONDS]
//                [--out DIR] [--timeout SECONDS]
//
// It installs a camera (by default a simulated one filming a printed page on a desk), presents
// the capture flow (CaptureNavigationController) and receives the pages through its delegate.
// With a display the window opens and the user works it. Without one a scripted session runs:
// the automatic shot (or a manual one after --manual seconds), the preview, the crop screen (a
// corner dragged away and back, Done), a second page and Done, saving a screenshot of every
// screen passed. Either way each step is printed with its time, and every page lands in the
// output folder as page-N.jpg with its greyscale, sharpened view as page-N-filtered.jpg.

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "CaptureDemoScript.h"
#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Camera/V4L2CameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Log/Log.h"
#include "Platform/UI/ApplicationHost.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Platform/UI/WindowHost.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace {

using namespace quorvel;
namespace ui = quorvel::platform;
using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point started = SteadyClock::now();

void report(const std::string& what) {
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
    std::printf("[%7.3f s] %s\n", seconds, what.c_str());
    std::fflush(stdout);
}

struct Options {
    std::string photo;
    std::string photos;
    std::string device;
    std::optional<double> manualAfter;
    std::filesystem::path out = "out";
    double timeout = 60;
};

int usage(const std::string& problem = {}) {
    if (!problem.empty()) std::fprintf(stderr, "capture-demo: %s\n", problem.c_str());
    std::fprintf(stderr,
                 "usage: capture-demo [--photo FILE | --photos DIR | --device /dev/videoN]\n"
                 "                    [--manual SECONDS] [--out DIR] [--timeout SECONDS]\n");
    return 2;
}

// A number of seconds: finite, not negative, nothing after it.
std::optional<double> seconds(const char* text) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

// Parses the command line; a message and nullopt when it is not usable.
std::optional<Options> parse(int argc, char** argv, std::string& problem) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--photo" || arg == "--photos" || arg == "--device" ||
                                arg == "--manual" || arg == "--out" || arg == "--timeout";
        if (!takesValue) {
            problem = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            problem = arg + " needs a value";
            return std::nullopt;
        }
        const char* value = argv[++i];
        if (arg == "--photo") options.photo = value;
        if (arg == "--photos") options.photos = value;
        if (arg == "--device") options.device = value;
        if (arg == "--out") options.out = value;
        if (arg == "--manual" || arg == "--timeout") {
            auto number = seconds(value);
            if (!number) {
                problem = arg + " needs a number of seconds, not \"" + value + "\"";
                return std::nullopt;
            }
            if (arg == "--manual") options.manualAfter = number;
            if (arg == "--timeout") options.timeout = *number;
        }
    }
    const int sources = !options.photo.empty() + !options.photos.empty() + !options.device.empty();
    if (sources > 1) {
        problem = "choose one of --photo, --photos and --device";
        return std::nullopt;
    }
    if (options.out.empty()) {
        problem = "--out needs a folder";
        return std::nullopt;
    }
    return options;
}

// The output folder exists and takes files.
bool prepareOutput(const std::filesystem::path& out) {
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (error || !std::filesystem::is_directory(out)) {
        std::fprintf(stderr, "capture-demo: cannot make the folder %s\n", out.c_str());
        return false;
    }
    const auto probe = out / ".capture-demo-probe";
    {
        std::ofstream file(probe);
        if (!file) {
            std::fprintf(stderr, "capture-demo: cannot write into %s\n", out.c_str());
            return false;
        }
    }
    std::filesystem::remove(probe, error);
    return true;
}

bool writeJPEG(const ui::Image& image, const std::filesystem::path& path) {
    auto data = ui::ImageEncoding::jpegData(image, 0.9);
    if (!data) return false;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(data->data()),
               static_cast<std::streamsize>(data->size()));
    return static_cast<bool>(file);
}

bool installCamera(const Options& options) {
    if (!options.device.empty()) {
        auto camera = ui::V4L2CameraDevice::open(options.device);
        if (!camera) {
            std::fprintf(stderr, "capture-demo: cannot open %s\n", options.device.c_str());
            return false;
        }
        ui::CaptureDevice::installDevice(camera);
        report("camera " + options.device);
        return true;
    }
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    if (!options.photo.empty()) {
        camera = ui::SimulatedCameraDevice::fromPhoto(options.photo);
    } else if (!options.photos.empty()) {
        camera = ui::SimulatedCameraDevice::fromPhotos(options.photos);
    } else {
        camera = ui::SimulatedCameraDevice::make();
    }
    if (!camera) {
        std::fprintf(stderr, "capture-demo: cannot read the photo(s)\n");
        return false;
    }
    ui::CaptureDevice::installSimulatedDevice(camera);
    // The person running the demo has said yes to the camera by running it.
    ui::CameraAuthorization::setAnswer(true);
    report(options.photo.empty() && options.photos.empty() ? "simulated camera: a page on a desk"
                                                           : "simulated camera: still photo(s)");
    return true;
}

// The host application's own screen, from which the capture flow is presented.
class HostScreen : public ui::ViewController {
public:
    static std::shared_ptr<HostScreen> make() {
        return std::shared_ptr<HostScreen>(new HostScreen());
    }
    void loadView() override {
        ui::ViewController::loadView();
        view()->setBackgroundColor(ui::Color::black());
    }

private:
    HostScreen() = default;
};

// Receives the pages and writes them out.
class Host : public CaptureNavigationControllerDelegate {
public:
    explicit Host(std::filesystem::path out) : out_(std::move(out)) {}

    void captureNavigationController(
        CaptureNavigationController&,
        const std::vector<std::shared_ptr<ui::Image>>& pages) override {
        handedBack = true;
        report("the host received " + std::to_string(pages.size()) + " page(s)");
        written = true;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const auto number = std::to_string(i + 1);
            const auto page = out_ / ("page-" + number + ".jpg");
            const auto filteredPath = out_ / ("page-" + number + "-filtered.jpg");
            auto filtered = ImageOperations::applyFilters(*pages[i]);
            const bool ok =
                writeJPEG(*pages[i], page) && filtered && writeJPEG(*filtered, filteredPath);
            written = written && ok;
            report(ok ? "wrote " + page.string() + " (" +
                            std::to_string(static_cast<int>(pages[i]->size().width)) + " x " +
                            std::to_string(static_cast<int>(pages[i]->size().height)) + ") and " +
                            filteredPath.string()
                      : "could not write page " + number);
        }
        pageCount = pages.size();
        ui::MainRunLoop::stop();
    }

    bool handedBack = false;
    bool written = false;
    std::size_t pageCount = 0;

private:
    std::filesystem::path out_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string problem;
    const auto parsed = parse(argc, argv, problem);
    if (!parsed) return usage(problem);
    const Options& options = *parsed;
    if (!prepareOutput(options.out)) return 1;
    if (!installCamera(options)) return 1;

    if (!ui::ApplicationHost::start()) {
        std::fprintf(stderr, "capture-demo: no user interface can run here\n");
        return 1;
    }
    const bool scripted = ui::ApplicationHost::isOffscreen();

    auto host = std::make_shared<Host>(options.out);
    auto navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
    navigation->setCaptureDelegate(host);
    auto window = ui::Window::make();
    auto hostScreen = HostScreen::make();
    window->setRootViewController(hostScreen);
    auto windowHost = ui::WindowHost::make(window);
    if (!windowHost) {
        std::fprintf(stderr, "capture-demo: cannot show a window\n");
        return 1;
    }
    window->makeKeyAndVisible();
    windowHost->show();
    hostScreen->present(navigation, false);
    report(scripted ? "no display: a scripted session" : "window open: work the camera screen");

    bool ok = false;
    if (scripted) {
        const auto timeout = std::chrono::duration_cast<ui::Duration>(
            std::chrono::duration<double>(options.timeout));
        capturedemo::ScriptOptions scriptOptions;
        scriptOptions.manualAfter = options.manualAfter;
        scriptOptions.screenshotDirectory = options.out;
        capturedemo::CaptureDemoScript script(
            window, navigation, scriptOptions,
            [timeout](const std::function<bool()>& event, const std::string&) {
                return ui::MainRunLoop::runUntil(event, timeout);
            },
            report);
        ok = script.run([&] { return host->handedBack; }) && host->written;
    } else {
        windowHost->setCloseHandler([] { ui::MainRunLoop::stop(); });
        std::shared_ptr<ui::Timer> manualShot;
        if (options.manualAfter) {
            auto screen = navigation->viewController();
            screen->loadViewIfNeeded();
            if (screen->viewModel()->captureType == CaptureType::automatic) {
                ui::UIDriver::tap(*screen->outlets.autoCaptureButton);
            }
            report("a manual photo in " + std::to_string(*options.manualAfter) + " s");
            manualShot = ui::Timer::scheduled(std::chrono::duration<double>(*options.manualAfter),
                                              false, [screen](ui::Timer&) {
                                                  report("tap \"Take photo\"");
                                                  ui::UIDriver::tap(*screen->outlets.captureButton);
                                              });
        }
        ui::MainRunLoop::run();
        ok = host->handedBack && host->written;
        if (!host->handedBack) report("window closed");
    }

    if (auto model = navigation->viewController()->viewModel()) model->stopCaptureSession();
    windowHost.reset();
    window.reset();
    hostScreen.reset();
    navigation.reset();
    ui::MainRunLoop::runUntilIdle();
    ui::MainRunLoop::discardPendingWork();
    ui::ApplicationHost::shutDown();
    if (ok && host->pageCount > 0) {
        std::printf("Pages written to %s\n", std::filesystem::absolute(options.out).c_str());
        return 0;
    }
    return 1;
}
