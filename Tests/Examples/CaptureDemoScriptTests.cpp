#include <gtest/gtest.h>

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

// The demo's scripted session on a camera filming a real photograph, on a manual clock: while it
// waits for an event the camera delivers frames and the clock moves on.
class ScriptedSessionOnAPhoto : public ::testing::TestWithParam<const char*> {
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

    ui::ScopedLogCapture log;
    ui::ScopedManualClock clock;
    std::shared_ptr<ui::SimulatedCameraDevice> camera;
    std::shared_ptr<CaptureNavigationController> navigation;
    std::shared_ptr<ui::Window> window;
};

TEST_P(ScriptedSessionOnAPhoto, EveryPageMatchesTheMarkedPage) {
    const std::string file = GetParam();
    if (!std::filesystem::exists(photoFolder() / file)) {
        GTEST_SKIP() << "no photograph " << (photoFolder() / file) << " here";
    }
    ui::MainRunLoop::discardPendingWork();
    ui::CaptureDevice::setHardwareDiscoveryEnabled(false);
    camera = ui::SimulatedCameraDevice::fromPhoto(photoFolder() / file);
    ASSERT_NE(camera, nullptr);
    camera->setFrameRate(0);
    ui::CaptureDevice::installSimulatedDevice(camera);
    ui::CameraAuthorization::set(ui::AuthorizationStatus::authorized);
    ui::Accessibility::setVoiceOverRunningOverride(false);

    auto host = std::make_shared<Host>();
    navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
    navigation->setCaptureDelegate(host);
    window = ui::Window::make();
    auto hostScreen = HostScreen::make();
    window->setRootViewController(hostScreen);
    window->makeKeyAndVisible();
    hostScreen->present(navigation, false);

    // When the outline is reported found (and the camera screen's screenshot taken), it lies
    // where it was drawn, no longer growing towards it.
    std::vector<std::string> steps;
    int outlinesFound = 0;
    capturedemo::CaptureDemoScript script(
        window, navigation, {},
        [&](const std::function<bool()>& event, const std::string&) { return waitFor(event); },
        [&](const std::string& step) {
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
        });
    ASSERT_TRUE(script.run([&] { return host->handedBack; })) << ::testing::PrintToString(steps);
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

INSTANTIATE_TEST_SUITE_P(Photographs, ScriptedSessionOnAPhoto,
                         ::testing::Values("desk.JPG", "test2.png", "notepad.JPG"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace quorvel
