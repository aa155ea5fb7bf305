#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <variant>

#include "CaptureDemoScript.h"
#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Capture/Views/DetectionLayer.h"
#include "Source/Navigation/CaptureNavigationController.h"
#include "Support/DocumentScene.h"
#include "Support/TemporaryBundle.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
namespace ui = quorvel::platform;

std::filesystem::path photoFolder() {
    const char* shared = std::getenv("QUORVEL_SHARED_DATA");
    return std::filesystem::path(shared ? shared : "../shared/data") / "photos";
}

// The marked page of a photograph: the photo (upright) straightened from its marked corners.
cv::Mat markedPage(const std::string& file) {
    std::ifstream stream(photoFolder() / "ground-truth.json");
    const auto truth = nlohmann::json::parse(stream);
    for (const auto& entry : truth["images"]) {
        if (entry["file"] != file) continue;
        const cv::Mat photo = cv::imread((photoFolder() / file).string(), cv::IMREAD_GRAYSCALE);
        std::vector<cv::Point2f> corners;
        for (const auto& c : entry["corners"])
            corners.emplace_back(c[0].get<float>(), c[1].get<float>());
        const float width = static_cast<float>(
            (cv::norm(corners[1] - corners[0]) + cv::norm(corners[2] - corners[3])) / 2);
        const float height = static_cast<float>(
            (cv::norm(corners[3] - corners[0]) + cv::norm(corners[2] - corners[1])) / 2);
        const std::vector<cv::Point2f> target{{0, 0}, {width, 0}, {width, height}, {0, height}};
        cv::Mat page;
        cv::warpPerspective(photo, page, cv::getPerspectiveTransform(corners, target),
                            cv::Size(static_cast<int>(width), static_cast<int>(height)));
        return page;
    }
    return {};
}

double normalizedCorrelation(const ui::Image& image, const cv::Mat& marked) {
    const auto& bitmap = *image.bitmap();
    cv::Mat bgra(bitmap.height(), bitmap.width(), CV_8UC4, const_cast<std::uint8_t*>(bitmap.data()),
                 bitmap.bytesPerRow());
    cv::Mat grey, a, b;
    cv::cvtColor(bgra, grey, cv::COLOR_BGRA2GRAY);
    // Compared at the scale of the page's layout (paragraphs, tables, margins): single lines of
    // text would be out of step for a page that curls, even when the outline is right.
    const cv::Size size(170, 220);
    cv::resize(grey, a, size, 0, 0, cv::INTER_AREA);
    cv::resize(marked, b, size, 0, 0, cv::INTER_AREA);
    cv::GaussianBlur(a, a, cv::Size(0, 0), 2);
    cv::GaussianBlur(b, b, cv::Size(0, 0), 2);
    a.convertTo(a, CV_32F);
    b.convertTo(b, CV_32F);
    cv::Mat result;
    cv::matchTemplate(a, b, result, cv::TM_CCOEFF_NORMED);
    return result.at<float>(0, 0);
}

class Host : public CaptureNavigationControllerDelegate {
public:
    void captureNavigationController(
        CaptureNavigationController&,
        const std::vector<std::shared_ptr<ui::Image>>& didCapture) override {
        pages = didCapture;
        handedBack = true;
    }
    bool handedBack = false;
    std::vector<std::shared_ptr<ui::Image>> pages;
};

class HostScreen : public ui::ViewController {
public:
    static std::shared_ptr<HostScreen> make() {
        return std::shared_ptr<HostScreen>(new HostScreen());
    }

private:
    HostScreen() = default;
};

// The demo's scripted session on a camera filming a still photo, on a manual clock: while it
// waits for an event the camera delivers frames and the clock moves on.
class ScriptedSession : public ::testing::Test {
protected:
    void TearDown() override {
        if (navigation && navigation->viewController()->viewModel()) {
            navigation->viewController()->viewModel()->stopCaptureSession();
        }
        ui::MainRunLoop::runUntilIdle();
        window.reset();
        navigation.reset();
        ui::CaptureDevice::installSimulatedDevice(nullptr);
        ui::CameraAuthorization::reset();
        ui::Accessibility::setVoiceOverRunningOverride(std::nullopt);
        ui::MainRunLoop::discardPendingWork();
    }

    // Presents the flow over a camera filming the photo at `path`, in a window.
    void present(const std::filesystem::path& path) {
        ui::MainRunLoop::discardPendingWork();
        ui::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = ui::SimulatedCameraDevice::fromPhoto(path);
        ASSERT_NE(camera, nullptr);
        camera->setFrameRate(0);
        ui::CaptureDevice::installSimulatedDevice(camera);
        ui::CameraAuthorization::set(ui::AuthorizationStatus::authorized);
        ui::Accessibility::setVoiceOverRunningOverride(false);

        host = std::make_shared<Host>();
        navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
        navigation->setCaptureDelegate(host);
        window = ui::Window::make();
        auto hostScreen = HostScreen::make();
        window->setRootViewController(hostScreen);
        window->makeKeyAndVisible();
        hostScreen->present(navigation, false);
    }

    bool waitFor(const std::function<bool()>& event) {
        return ui::MainRunLoop::runUntil(
            [&] {
                if (event()) return true;
                auto model = navigation->viewController()->viewModel();
                if (model && !model->isDetectingRectangles && model->captureSession() &&
                    model->captureSession()->isRunning()) {
                    camera->emitFrames(1);
                }
                clock.advance(20ms);
                return false;
            },
            120s);
    }

    // Runs the scripted session; `report` hears each step.
    bool runScript(capturedemo::ScriptOptions options,
                   const std::function<void(const std::string&)>& report) {
        capturedemo::CaptureDemoScript script(
            window, navigation, std::move(options),
            [&](const std::function<bool()>& event, const std::string&) { return waitFor(event); },
            report);
        return script.run([&] { return host->handedBack; });
    }

    ui::ScopedLogCapture log;
    ui::ScopedManualClock clock;
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    std::shared_ptr<Host> host;
    std::shared_ptr<CaptureNavigationController> navigation;
    std::shared_ptr<ui::Window> window;
};

class ScriptedSessionOnAPhoto : public ScriptedSession,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(ScriptedSessionOnAPhoto, EveryPageMatchesTheMarkedPage) {
    const std::string file = GetParam();
    if (!std::filesystem::exists(photoFolder() / file)) {
        GTEST_SKIP() << "no photograph " << (photoFolder() / file) << " here";
    }
    present(photoFolder() / file);

    // When the outline is reported found (and the camera screen's screenshot taken), it lies
    // where it was drawn, no longer growing towards it.
    std::vector<std::string> steps;
    int outlinesFound = 0;
    ASSERT_TRUE(runScript({}, [&](const std::string& step) {
        steps.push_back(step);
        if (step.find("page outline found") != 0) return;
        ++outlinesFound;
        const auto layer = navigation->viewController()->detectionLayer();
        const auto shown = layer->presentationValue("path");
        ASSERT_TRUE(layer->path() && shown);
        const auto drawn = layer->path()->bounds();
        const auto onScreen = std::get<ui::BezierPath>(*shown).bounds();
        EXPECT_GT(drawn.size.height, 100) << step;
        EXPECT_NEAR(onScreen.origin.x, drawn.origin.x, 1) << step;
        EXPECT_NEAR(onScreen.origin.y, drawn.origin.y, 1) << step;
        EXPECT_NEAR(onScreen.size.width, drawn.size.width, 1) << step;
        EXPECT_NEAR(onScreen.size.height, drawn.size.height, 1) << step;
    })) << ::testing::PrintToString(steps);
    EXPECT_EQ(outlinesFound, 2) << ::testing::PrintToString(steps);

    ASSERT_EQ(host->pages.size(), 2u);
    const auto marked = markedPage(file);
    ASSERT_FALSE(marked.empty());
    for (std::size_t i = 0; i < host->pages.size(); ++i) {
        const double correlation = normalizedCorrelation(*host->pages[i], marked);
        RecordProperty("correlation_page_" + std::to_string(i + 1), std::to_string(correlation));
        EXPECT_GE(correlation, 0.8) << file << " page " << i + 1;
    }
}

// The corners of a paper of `width` × `height` mm, `distance` mm from a camera filming
// `picture` pixels through a phone's lens (26 mm equivalent), tipped by `tilt` degrees about an
// axis in the paper's plane at `direction` degrees, its centre on the camera's axis.
std::array<cv::Point2d, 4> photographedPaper(double width, double height, double distance,
                                             double tilt, double direction, cv::Size picture) {
    const double radians = std::acos(-1.0) / 180;
    const auto turn = [](double angle) {
        return cv::Matx33d(std::cos(angle), -std::sin(angle), 0, std::sin(angle), std::cos(angle),
                           0, 0, 0, 1);
    };
    const double t = tilt * radians;
    const cv::Matx33d tip(1, 0, 0, 0, std::cos(t), -std::sin(t), 0, std::sin(t), std::cos(t));
    const cv::Matx33d pose = turn(direction * radians) * tip * turn(-direction * radians);
    const double focalLength = 26 / 43.27 * std::hypot(picture.width, picture.height);
    std::array<cv::Point2d, 4> seen;
    const cv::Vec3d sheet[] = {{-width / 2, -height / 2, 0},
                               {width / 2, -height / 2, 0},
                               {width / 2, height / 2, 0},
                               {-width / 2, height / 2, 0}};
    for (int i = 0; i < 4; ++i) {
        const cv::Vec3d p = pose * sheet[i] + cv::Vec3d(0, 0, distance);
        seen[i] = {picture.width / 2.0 + focalLength * p[0] / p[2],
                   picture.height / 2.0 + focalLength * p[1] / p[2]};
    }
    return seen;
}

TEST_F(ScriptedSession, CropStepKeepsASmallTiltedPageInThePapersShape) {
    // An A5 sheet seen from afar: small on the crop screen, where the corner dragged away is held
    // back before it has gone the whole way.
    const double a5 = 148.0 / 210.0;
    testing_vision::SceneOptions scene;
    scene.size = {1134, 1512};
    scene.corners = photographedPaper(148, 210, 600, 30, 60, scene.size);
    const testsupport::TemporaryBundle scratch("Photo");
    const auto photo = scratch.path() / "a5.png";
    ASSERT_TRUE(cv::imwrite(photo.string(), testing_vision::renderScene(scene).image));
    present(photo);

    capturedemo::ScriptOptions options;
    options.manualAfter = 1;
    std::vector<std::string> steps;
    ASSERT_TRUE(runScript(options, [&](const std::string& step) { steps.push_back(step); }))
        << ::testing::PrintToString(steps);
    ASSERT_EQ(host->pages.size(), 2u);
    const auto cropped = host->pages[0]->size();
    const double error = std::fabs(cropped.width / cropped.height / a5 - 1);
    RecordProperty("shape_error", std::to_string(error));
    EXPECT_LE(error, 0.02) << cropped.width << " x " << cropped.height;
}

INSTANTIATE_TEST_SUITE_P(Photographs, ScriptedSessionOnAPhoto,
                         ::testing::Values("desk.JPG", "test2.png", "notepad.JPG"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace quorvel
