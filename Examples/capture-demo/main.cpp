// capture-demo: a small host application of the capture flow.
//
//   capture-demo [--photo FILE | --photos DIR | --device /dev/videoN] [--manual SECONDS]
//                [--out DIR] [--timeout SECONDS]
//
// It installs a camera (by default a simulated one filming a printed page on a desk), presents
// the capture flow (CaptureNavigationController) and receives the pages through its delegate.
// With a display the window opens and the user works it. Without one a scripted session runs:
// the automatic shot (or a manual one after --manual seconds), the preview, the crop screen (a
// corner dragged away and back to where it was, Done), a second page and Done, saving a
// screenshot of every screen passed. Either way each step is printed with its time, and every
// page lands in the output folder (made, and tried for writing, first) as page-N.jpg with its
// greyscale, sharpened view as page-N-filtered.jpg. Each file is written whole or not at all; a
// write that fails says why. A photo of --photos that no longer decodes when its turn comes ends
// the session at once, named with the reason; the pages taken before it are written. Every name
// printed has its control characters escaped.
//
// Exit status: 0 when the pages were written, 1 when anything failed (each failure says why), 2
// for bad arguments.

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <variant>

#include "CaptureDemoScript.h"
#include "OutputFile.h"
#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Camera/V4L2CameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/PictureFile.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Log/Log.h"
#include "Platform/Log/PrintableText.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace {

using namespace quorvel;
namespace ui = quorvel::platform;
using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point started = SteadyClock::now();

// The lines the demo prints name files and arguments as they were given, with their control
// characters escaped: no name breaks its line or passes for a line of its own.

void report(const std::string& what) {
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
    std::printf("[%7.3f s] %s\n", seconds, ui::printableText(what).c_str());
    std::fflush(stdout);
}

void complain(const std::string& what) {
    std::fprintf(stderr, "capture-demo: %s\n", ui::printableText(what).c_str());
}

struct Options {
    std::string photo;
    std::string photos;
    std::string device;
    std::optional<double> manualAfter;
    std::filesystem::path out = "out";
    // The scripted session's time limit, in seconds.
    double timeout = 60;
};

// The longest --timeout: a day is more than any session needs, and far below what the clock's
// nanoseconds hold (292 years).
constexpr double kLongestTimeout = 86400;

// No file the demo writes has a longer name: its pages (page-12-filtered.jpg) and the scripted
// session's screenshots (08-crop-corner-moved.png) stay below it.
constexpr std::size_t kLongestFileName = 32;

constexpr const char* kUsage =
    "usage: capture-demo [--photo FILE | --photos DIR | --device /dev/videoN]\n"
    "                    [--manual SECONDS] [--out DIR] [--timeout SECONDS]\n";

int usage(const std::string& complaint) {
    complain(complaint);
    std::fputs(kUsage, stderr);
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

// The options, or the exit status when the program ends here (2 for bad arguments, after saying
// why; 0 for --help).
std::variant<Options, int> parse(int argc, char** argv) {
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
        // An option right after it is no value of its own (a path that starts with "--" can be
        // given as ./--name).
        if (i + 1 >= argc || std::strncmp(argv[i + 1], "--", 2) == 0) {
            return usage(arg + " needs a value");
        }
        if (!given.emplace(arg, argv[++i]).second) return usage(arg + " is given twice");
    }
    auto value = [&](const std::string& option) {
        const auto found = given.find(option);
        return found == given.end() ? std::string() : found->second;
    };
    Options options;
    options.photo = value("--photo");
    options.photos = value("--photos");
    options.device = value("--device");
    if (given.count("--photo") + given.count("--photos") + given.count("--device") > 1) {
        return usage("give one of --photo, --photos and --device");
    }
    if (given.count("--manual")) {
        options.manualAfter = seconds(value("--manual"), false);
        if (!options.manualAfter) {
            return usage("--manual needs a number of seconds, not '" + value("--manual") + "'");
        }
    }
    if (given.count("--timeout")) {
        const auto parsed = seconds(value("--timeout"), true);
        if (!parsed) {
            return usage("--timeout needs a number of seconds above 0, not '" + value("--timeout") +
                         "'");
        }
        if (*parsed > kLongestTimeout) {
            return usage("--timeout can be at most " + secondsText(kLongestTimeout) +
                         " seconds (a day), not '" + value("--timeout") + "'");
        }
        options.timeout = *parsed;
    }
    if (options.manualAfter && *options.manualAfter >= options.timeout) {
        return usage("--manual " + secondsText(*options.manualAfter) +
                     " comes at or after --timeout " + secondsText(options.timeout));
    }
    if (given.count("--out")) options.out = value("--out");
    return options;
}

// The output folder is made before anything is captured; false after saying why not.
bool prepareOutput(const std::filesystem::path& out) {
    std::error_code error;
    std::filesystem::create_directories(out, error);
    if (!error && !std::filesystem::is_directory(out, error)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    if (error) {
        complain("cannot make the output folder " + out.string() + ": " + error.message());
        return false;
    }
    if (const auto why = capturedemo::whyNotWritable(out, kLongestFileName); !why.empty()) {
        complain("cannot write in the output folder " + out.string() + ": " + why);
        return false;
    }
    return true;
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

// The photo `camera` films now and why it shows nothing, if it does not; an empty path for a
// camera that films no photos.
ui::SimulatedCameraDevice::FilmedPhoto photoFilmedBy(
    const std::shared_ptr<ui::CaptureDevice>& camera) {
    const auto* simulated = dynamic_cast<const ui::SimulatedCameraDevice*>(camera.get());
    return simulated ? simulated->filmedPhoto() : ui::SimulatedCameraDevice::FilmedPhoto{};
}

// The photo `camera` films now, with its size or why it shows nothing; empty for a camera that
// films no photos.
std::string filmedPhoto(const std::shared_ptr<ui::CaptureDevice>& camera) {
    const auto filmed = photoFilmedBy(camera);
    if (filmed.path.empty()) return {};
    std::string why = filmed.problem;
    if (why.empty()) {
        if (const auto size = ui::PictureFile::examine(filmed.path, why)) {
            why = std::to_string(static_cast<int>(size->width)) + " x " +
                  std::to_string(static_cast<int>(size->height)) + " pixels";
        }
    }
    return filmed.path.string() + " (" + why + ")";
}

// Why the scripted session stopped at the step it was waiting for, naming the photo filmed.
std::string whyTimedOut(const std::string& waitingFor,
                        const std::shared_ptr<ui::CaptureDevice>& camera) {
    const std::string photo = filmedPhoto(camera);
    if (waitingFor != "the page outline") {
        return waitingFor + " did not happen" + (photo.empty() ? "" : " while filming " + photo);
    }
    return "no page outline was found" + (photo.empty() ? "" : " in " + photo) +
           "; --manual SECONDS takes a photo anyway";
}

// Writes `image` as a JPEG, whole or not at all; why not, or empty when written.
std::string writeJPEG(const ui::Image& image, const std::filesystem::path& path) {
    const auto data = ui::ImageEncoding::jpegData(image, 0.9);
    if (!data) return "cannot encode";
    return capturedemo::writeWhole(path, *data);
}

// The camera installed for the session; nullptr after saying why there is none.
std::shared_ptr<ui::CaptureDevice> installCamera(const Options& options) {
    if (!options.device.empty()) {
        auto camera = ui::V4L2CameraDevice::open(options.device);
        if (!camera) {
            complain("cannot open " + options.device + ": " + whyNoCamera(options.device));
            return nullptr;
        }
        ui::CaptureDevice::installDevice(camera);
        report("camera " + options.device);
        return camera;
    }
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    if (!options.photo.empty()) {
        std::string why;
        camera = ui::SimulatedCameraDevice::fromPhoto(options.photo, &why);
        if (!camera) {
            complain("cannot read the photo " + options.photo + ": " + why);
            return nullptr;
        }
    } else if (!options.photos.empty()) {
        camera = ui::SimulatedCameraDevice::fromPhotos(
            options.photos, [](const std::filesystem::path& file, const std::string& why) {
                complain("skipped " + file.string() + ": " + why);
            });
        if (!camera) {
            std::error_code error;
            complain("cannot read the photos in " + options.photos + ": " +
                     (std::filesystem::is_directory(options.photos, error) ? "no picture in it"
                                                                           : "not a folder"));
            return nullptr;
        }
    } else {
        camera = ui::SimulatedCameraDevice::make();
        if (!camera) {
            complain("cannot make the simulated camera");
            return nullptr;
        }
    }
    ui::CaptureDevice::installSimulatedDevice(camera);
    // The person running the demo has said yes to the camera by running it.
    ui::CameraAuthorization::setAnswer(true);
    report(options.photo.empty() && options.photos.empty() ? "simulated camera: a page on a desk"
                                                           : "simulated camera: still photo(s)");
    return camera;
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
        write(pages);
        ui::MainRunLoop::stop();
    }

    // Writes each page with its filtered view; `written` tells whether all were.
    void write(const std::vector<std::shared_ptr<ui::Image>>& pages) {
        written = true;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const auto number = std::to_string(i + 1);
            const auto page = out_ / ("page-" + number + ".jpg");
            const auto filteredPath = out_ / ("page-" + number + "-filtered.jpg");
            auto filtered = ImageOperations::applyFilters(*pages[i]);
            std::string why = writeJPEG(*pages[i], page);
            if (why.empty()) {
                why = filtered ? writeJPEG(*filtered, filteredPath) : "no filtered view";
                if (!why.empty()) why = filteredPath.string() + ": " + why;
            } else {
                why = page.string() + ": " + why;
            }
            const bool ok = why.empty();
            // A page is on disk with its filtered view or not at all (nor one from an earlier
            // run).
            if (!ok) {
                ::unlink(page.c_str());
                ::unlink(filteredPath.c_str());
            }
            written = written && ok;
            report(ok ? "wrote " + page.string() + " (" +
                            std::to_string(static_cast<int>(pages[i]->size().width)) + " x " +
                            std::to_string(static_cast<int>(pages[i]->size().height)) + ") and " +
                            filteredPath.string()
                      : "could not write page " + number + ": " + why);
        }
        pageCount = pages.size();
    }

    bool handedBack = false;
    bool written = false;
    std::size_t pageCount = 0;

private:
    std::filesystem::path out_;
};

}  // namespace

int main(int argc, char** argv) {
    // A write beyond the file-size limit fails with "File too large" instead of ending the
    // program: the half-written file is removed and the failure is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    const auto parsed = parse(argc, argv);
    if (const auto* status = std::get_if<int>(&parsed)) return *status;
    const Options& options = std::get<Options>(parsed);
    if (!prepareOutput(options.out)) return 1;
    auto camera = installCamera(options);
    if (!camera) return 1;

    if (!ui::ApplicationHost::start()) {
        complain("no user interface can run here");
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
        complain("cannot show a window");
        return 1;
    }
    window->makeKeyAndVisible();
    windowHost->show();
    hostScreen->present(navigation, false);
    report(scripted ? "no display: a scripted session" : "window open: work the camera screen");

    // A photo of the folder that cannot be decoded when its turn comes (cut short, replaced or
    // removed since the start) ends the session at once: nothing it waits for can come of it.
    ui::SimulatedCameraDevice::FilmedPhoto unfilmed;
    const auto cannotFilm = [&] {
        unfilmed = photoFilmedBy(camera);
        return !unfilmed.problem.empty();
    };
    bool ok = false;
    if (scripted) {
        // The time limit is for the whole session.
        const auto deadline =
            SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                     std::chrono::duration<double>(options.timeout));
        std::string waitingFor;
        capturedemo::ScriptOptions scriptOptions;
        scriptOptions.manualAfter = options.manualAfter;
        scriptOptions.screenshotDirectory = options.out;
        capturedemo::CaptureDemoScript script(
            window, navigation, scriptOptions,
            [&](const std::function<bool()>& event, const std::string& what) {
                waitingFor = what;
                const auto over = [&] { return event() || cannotFilm(); };
                const auto left = deadline - SteadyClock::now();
                if (!over() && left > SteadyClock::duration::zero()) {
                    ui::MainRunLoop::runUntil(over, std::chrono::duration_cast<ui::Duration>(left));
                }
                return !cannotFilm() && event();
            },
            report);
        ok = script.run([&] { return host->handedBack; }) && host->written;
        if (!host->handedBack && !cannotFilm() && SteadyClock::now() >= deadline) {
            report("timed out after " + secondsText(options.timeout) +
                   " s: " + whyTimedOut(waitingFor, camera));
        }
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
        const auto photoWatch =
            ui::Timer::scheduled(std::chrono::milliseconds(30), true, [&](ui::Timer&) {
                if (cannotFilm()) ui::MainRunLoop::stop();
            });
        ui::MainRunLoop::run();
        photoWatch->invalidate();
        ok = host->handedBack && host->written;
        if (!host->handedBack && !cannotFilm()) report("window closed");
    }
    if (!host->handedBack && cannotFilm()) {
        report("cannot film " + unfilmed.path.string() + ": " + unfilmed.problem);
        // The pages taken before it are written all the same.
        const auto& model = navigation->viewController()->viewModel();
        const auto pages = model ? model->capturedImages() : nullptr;
        if (pages && !pages->isEmpty()) {
            report("writing the " + std::to_string(pages->count()) + " page(s) taken before");
            host->write(pages->allImages());
        }
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
        std::printf("Pages written to %s\n",
                    ui::printableText(std::filesystem::absolute(options.out).string()).c_str());
        return 0;
    }
    return 1;
}
