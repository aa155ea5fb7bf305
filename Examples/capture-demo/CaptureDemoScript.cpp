#include "CaptureDemoScript.h"

#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <variant>

#include "OutputFile.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/UIDriver.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Capture/Views/DetectionLayer.h"
#include "Source/Crop/Components/CornerPoint.h"
#include "Source/Crop/ViewControllers/CropViewController.h"

namespace capturedemo {

using namespace quorvel;
namespace ui = quorvel::platform;

bool writePNG(const ui::Image& image, const std::filesystem::path& path, std::string* why) {
    const auto& bitmap = image.bitmap();
    std::string failure = "no picture";
    if (bitmap) {
        cv::Mat bgra(bitmap->height(), bitmap->width(), CV_8UC4,
                     const_cast<std::uint8_t*>(bitmap->data()), bitmap->bytesPerRow());
        cv::Mat bgr;
        cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
        std::vector<std::uint8_t> png;
        try {
            failure = cv::imencode(".png", bgr, png) ? writeWhole(path, png) : "cannot encode";
        } catch (const cv::Exception&) {
            failure = "cannot encode";
        }
    }
    if (why) *why = failure;
    return failure.empty();
}

namespace {

// Whether the outline is on screen where it was last drawn (within a point), no longer moving
// towards it: a drawn outline animates from where it was, first out of the preview's centre.
bool outlineSettled(const ui::ShapeLayer& outline) {
    const auto& target = outline.path();
    const auto shown = outline.presentationValue("path");
    const auto* shownPath = shown ? std::get_if<ui::BezierPath>(&*shown) : nullptr;
    if (!target || !shownPath || target->bounds().size.height <= 0) return false;
    const ui::Rect a = target->bounds();
    const ui::Rect b = shownPath->bounds();
    constexpr double kTolerance = 1.0;
    return std::abs(a.origin.x - b.origin.x) <= kTolerance &&
           std::abs(a.origin.y - b.origin.y) <= kTolerance &&
           std::abs(a.size.width - b.size.width) <= kTolerance &&
           std::abs(a.size.height - b.size.height) <= kTolerance;
}

}  // namespace

CaptureDemoScript::CaptureDemoScript(std::shared_ptr<ui::Window> window,
                                     std::shared_ptr<CaptureNavigationController> navigation,
                                     ScriptOptions options, WaitForEvent waitFor, Report report)
    : window_(std::move(window)),
      navigation_(std::move(navigation)),
      options_(std::move(options)),
      waitFor_(std::move(waitFor)),
      report_(std::move(report)) {}

std::shared_ptr<ui::ViewController> CaptureDemoScript::top() const {
    return navigation_->topViewController();
}

bool CaptureDemoScript::wait(const std::function<bool()>& event, const std::string& what) {
    if (waitFor_(event, what)) return true;
    report_("gave up waiting for " + what);
    return false;
}

std::shared_ptr<ui::View> CaptureDemoScript::element(const std::string& label) const {
    window_->layoutIfNeeded();
    for (const auto& view : ui::Accessibility::orderedElements(window_)) {
        if (view->accessibilityLabel() == label) return view;
    }
    return nullptr;
}

bool CaptureDemoScript::tapView(const std::shared_ptr<ui::View>& view, const std::string& what) {
    window_->layoutIfNeeded();
    if (!view || !ui::UIDriver::tap(*view)) {
        report_("could not tap " + what);
        return false;
    }
    return true;
}

bool CaptureDemoScript::tap(const std::string& label) {
    std::shared_ptr<ui::View> view;
    if (!wait([&] { return (view = element(label)) != nullptr; }, "\"" + label + "\" on screen")) {
        return false;
    }
    report_("tap \"" + label + "\"");
    return tapView(view, "\"" + label + "\"");
}

void CaptureDemoScript::screenshot(const std::string& name) {
    if (options_.screenshotDirectory.empty()) return;
    window_->layoutIfNeeded();
    auto image = window_->snapshot();
    const int number = screenshots_ + 1;
    const std::string prefix = (number < 10 ? "0" : "") + std::to_string(number) + "-";
    const auto path = options_.screenshotDirectory / (prefix + name + ".png");
    std::string why = "no picture";
    if (image && writePNG(*image, path, &why)) {
        ++screenshots_;
        report_("screenshot " + path.string());
    } else {
        report_("could not write the screenshot " + path.string() + ": " + why);
    }
}

bool CaptureDemoScript::cameraReady() {
    auto screen = navigation_->viewController();
    return wait(
        [&] {
            const auto& model = screen->viewModel();
            return top() == screen && model && model->captureSession() &&
                   model->captureSession()->isRunning();
        },
        "the camera to run");
}

bool CaptureDemoScript::takePage(int number) {
    auto screen = navigation_->viewController();
    if (!cameraReady()) return false;
    report_("camera running for page " + std::to_string(number));
    const auto pagesBefore = screen->viewModel()->capturedImages()->count();
    const bool retake = screen->viewModel()->retakeIndex.has_value();
    auto arrived = [&] {
        auto preview = std::dynamic_pointer_cast<CapturePreviewViewController>(top());
        return preview && (retake || screen->viewModel()->capturedImages()->count() > pagesBefore);
    };
    if (options_.manualAfter) {
        if (screen->viewModel()->captureType == CaptureType::automatic &&
            !tapView(screen->outlets.autoCaptureButton, "the auto-capture switch")) {
            return false;
        }
        const auto due =
            ui::Clock::now() + std::chrono::duration_cast<ui::Duration>(
                                   std::chrono::duration<double>(*options_.manualAfter));
        if (!wait([&] { return ui::Clock::now() >= due; }, "the manual shot's time")) return false;
        screenshot("camera-page-" + std::to_string(number));
        report_("tap \"Take photo\"");
        if (!tapView(screen->outlets.captureButton, "the capture button")) return false;
    } else {
        if (screen->viewModel()->captureType != CaptureType::automatic &&
            !tapView(screen->outlets.autoCaptureButton, "the auto-capture switch")) {
            return false;
        }
        // The outline grows out of the preview's centre when it appears: the camera screen is
        // shown once it has reached the page.
        if (!wait([&] { return outlineSettled(*screen->detectionLayer()) || arrived(); },
                  "the page outline")) {
            return false;
        }
        report_("page outline found; holding still for the automatic shot");
        if (!arrived()) screenshot("camera-page-" + std::to_string(number));
    }
    if (!wait(arrived, "the preview of page " + std::to_string(number))) return false;
    report_("preview of page " + std::to_string(number));
    screenshot("preview-page-" + std::to_string(number));
    return true;
}

bool CaptureDemoScript::crop() {
    if (!tap("Crop")) return false;
    std::shared_ptr<CropViewController> cropScreen;
    if (!wait(
            [&] {
                cropScreen = std::dynamic_pointer_cast<CropViewController>(top());
                return cropScreen && !cropScreen->isPlacingCorners() &&
                       cropScreen->outlets().doneButton &&
                       cropScreen->outlets().doneButton->isEnabled();
            },
            "the crop screen's corners")) {
        return false;
    }
    window_->layoutIfNeeded();
    screenshot("crop");
    const auto corner = cropScreen->outlets().topLeftCornerPoint;
    const auto centre =
        ui::Point{corner->bounds().size.width / 2, corner->bounds().size.height / 2};
    const auto started = corner->center();
    report_("drag the top-left corner away");
    if (!ui::UIDriver::pan(*corner, centre, {centre.x + 60, centre.y + 80}, 12)) {
        report_("could not drag the corner");
        return false;
    }
    window_->layoutIfNeeded();
    screenshot("crop-corner-moved");
    report_("drag it back");
    // The handle sits where it was dropped, which is short of where the finger went when the
    // screen held it back (a small page): drag it from its own centre to where it started.
    const auto moved = corner->center();
    const auto back = ui::Point{centre.x + started.x - moved.x, centre.y + started.y - moved.y};
    if (!ui::UIDriver::pan(*corner, centre, back, 12)) {
        report_("could not drag the corner back");
        return false;
    }
    window_->layoutIfNeeded();
    if (!tap("Done")) return false;
    if (!wait(
            [&] {
                return std::dynamic_pointer_cast<CapturePreviewViewController>(top()) != nullptr;
            },
            "the preview after the crop")) {
        return false;
    }
    report_("cropped page back in the preview");
    screenshot("preview-cropped");
    return true;
}

bool CaptureDemoScript::run(const std::function<bool()>& handedBack) {
    report_("camera screen shown");
    if (!takePage(1)) return false;
    if (!crop()) return false;
    if (!tap("Add page")) return false;
    if (!takePage(2)) return false;
    if (!tap("Done")) return false;
    // The host says what became of the pages: this step only waits for them to reach it.
    return wait(handedBack, "the pages to reach the host");
}

}  // namespace capturedemo
