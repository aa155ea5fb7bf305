// Pictures of the capture screens' building blocks, written to the screenshot directory for
// people to look at: the ten button themes, icon buttons, a toast fading in, and the detection
// outline with the capture ring over a camera picture.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Views/CameraPreviewView.h"
#include "Source/Capture/Views/CaptureCircle.h"
#include "Source/Capture/Views/DetectionLayer.h"
#include "Source/Capture/Views/IconButton.h"
#include "Source/Components/Toast/Toast.h"
#include "Source/Configuration/ButtonStyling.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/LocalizedText.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Support/DocumentScene.h"
#include "Support/UITestEnvironment.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using platform::Color;
using platform::Rect;
using platform::View;

class ViewScreenshots : public ::testing::Test {
protected:
    platform::ScopedManualClock clock;
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<CaptureTheme> theme;

    void SetUp() override {
        platform::MainRunLoop::discardPendingWork();
        platform::ScopedLogCapture quiet;
        theme = std::make_shared<CaptureTheme>(std::shared_ptr<platform::Bundle>());
    }
    void TearDown() override {
        Toast::dismissCurrentToast();
        platform::MainRunLoop::runUntilIdle();
        platform::MainRunLoop::discardPendingWork();
    }

    Color background() const { return theme->resolvedColor(&CaptureTheme::captureBackgroundColor); }

    // Puts `view` in the window, lays it out and writes its picture.
    void save(const std::shared_ptr<View>& view, const std::string& name) {
        if (!view->window()) window->addSubview(view);
        window->layoutIfNeeded();
        const auto shot = view->snapshot();
        ASSERT_NE(shot, nullptr) << "no painter installed";
        EXPECT_FALSE(testsupport::saveScreenshot(*shot, name).empty());
    }

    static std::shared_ptr<platform::Label> caption(const std::string& text, const Rect& frame,
                                                    const Color& color) {
        auto label = platform::Label::make(frame);
        label->setText(text);
        label->setFont(platform::Font::systemFont(11, platform::FontWeight::medium));
        label->setTextColor(color);
        label->setAdjustsFontSizeToFitWidth(true);
        label->setMinimumScaleFactor(0.7);
        return label;
    }

    static std::shared_ptr<platform::Image> icon(const char* name) {
        return ImageLookup::fetchImageFromBundle(*ResourceBundle::resources(), name);
    }
    static std::string text(const char* key) { return LocalizedText::lookup(key, nullptr); }
};

TEST_F(ViewScreenshots, TheTenButtonThemes) {
    const CaptureButtonThemes themes(*theme);
    struct Row {
        const char* name;
        const ButtonTheme& style;
        std::string title;
    };
    const std::vector<Row> rows{
        {"primary", themes.primary(), text("image-preview-done-button-title")},
        {"secondary", themes.secondary(), text("discard-image-alert-cancel")},
        {"autoCapture", themes.autoCapture(),
         LocalizedText::uppercased(text("auto-capture-button-on"))},
        {"autoCaptureDisabled", themes.autoCaptureDisabled(),
         LocalizedText::uppercased(text("auto-capture-button-off"))},
        {"captureType", themes.captureType(), text("long-capture-button-title")},
        {"captureDocumentTypeSelected", themes.captureDocumentTypeSelected(),
         text("normal-capture-button-title")},
        {"captureAccess", themes.captureAccess(), text("camera-permission-button-title")},
        {"capturePreviewDone", themes.capturePreviewDone(),
         text("image-preview-done-button-title")},
        {"cropCancel", themes.cropCancel(), text("crop-button-cancel")},
        {"cropDone", themes.cropDone(), text("crop-button-done")},
    };
    // On the camera screens' dark background, which every one of them is made for (the clear
    // ones show only their titles).
    constexpr double rowHeight = 56;
    auto panel = View::make({{0, 0}, {390, rowHeight * static_cast<double>(rows.size()) + 12}});
    panel->setBackgroundColor(background());
    const Color grey{0.62, 0.62, 0.66, 1};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const double y = 12 + rowHeight * static_cast<double>(i);
        panel->addSubview(caption(rows[i].name, {{12, y}, {170, 44}}, grey));
        auto button = platform::Button::make({}, {{190, y}, {188, 44}});
        ButtonStyling::apply(*button, rows[i].style);
        button->setTitle(rows[i].title, platform::ControlState::normal);
        panel->addSubview(button);
    }
    save(panel, "screens-button-themes");
}

TEST_F(ViewScreenshots, IconButtonsNormalPressedAndWithALongCaption) {
    auto bar = View::make({{0, 0}, {390, 92}});
    bar->setBackgroundColor(background());
    const auto labels = std::vector<std::pair<const char*, std::string>>{
        {"capture-add-page", text("button-add-page")},
        {"capture-retake", text("retake")},
        {"capture-crop", "Crop & straighten"},
    };
    std::vector<std::shared_ptr<IconButton>> buttons;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        auto button = IconButton::make({{20 + 125.0 * static_cast<double>(i), 10}, {100, 72}});
        bar->addSubview(button);
        button->update(icon(labels[i].first), labels[i].second, std::weak_ptr<IconButtonDelegate>(),
                       theme.get());
        buttons.push_back(button);
    }
    window->addSubview(bar);
    window->layoutIfNeeded();
    // One caption size for the bar, as the preview screen does it; the long caption then
    // shrinks to fit its button as it is drawn.
    double smallest = 1000;
    for (const auto& button : buttons) smallest = std::min(smallest, button->getScaledFontSize());
    for (const auto& button : buttons) {
        button->applyForLabel(button->textLabel()->effectiveFont().withSize(smallest));
    }
    // The middle one held down.
    ASSERT_TRUE(platform::UIDriver::press(*buttons[1], {50, 36}));
    EXPECT_EQ(buttons[1]->contentView()->alpha(), 0.5);
    save(bar, "screens-icon-buttons");
}

TEST_F(ViewScreenshots, AToastHalfwayThroughItsFadeIn) {
    auto screen = View::make({{0, 0}, {390, 120}});
    screen->setBackgroundColor(Color{0.25, 0.32, 0.4, 1});
    const auto message = LocalizedText::format("long-capture-toast", nullptr, {1, 2});
    const auto toast = Toast::show(message, screen, *theme);
    window->addSubview(screen);
    clock.advance(350ms);
    EXPECT_GT(toast->presentationAlpha(), 0.2);
    EXPECT_LT(toast->presentationAlpha(), 0.8);
    save(screen, "screens-toast-mid-fade");
    clock.advance(150ms);
    platform::MainRunLoop::runUntilIdle();
    save(screen, "screens-toast-visible");
}

TEST_F(ViewScreenshots, TheOutlineAndTheCaptureRingOverTheCameraPicture) {
    testing_vision::SceneOptions options;
    options.size = {720, 960};
    options.corners = {cv::Point2d(140, 190), cv::Point2d(580, 150), cv::Point2d(620, 790),
                       cv::Point2d(110, 760)};
    const auto scene = testing_vision::renderScene(options);
    auto frame = platform::PixelBuffer::make(scene.image.cols, scene.image.rows,
                                             platform::PixelFormat::bgra32);
    frame->lockBaseAddress();
    cv::Mat pixels = frame->asMat();
    cv::cvtColor(scene.image, pixels, cv::COLOR_BGR2BGRA);
    frame->unlockBaseAddress();

    const auto preview = CameraPreviewView::make({{0, 0}, {390, 600}});
    preview->setBackgroundColor(background());
    const auto layer = preview->videoPreviewLayer();
    layer->enqueue(frame);

    // The page's corners in the view's points, as the aspect-filled picture shows them.
    const Rect picture = platform::VideoPreviewLayer::pictureRect(
        {720, 960}, preview->bounds(), platform::VideoGravity::resizeAspectFill);
    const auto toView = [&](const cv::Point2d& p) {
        return platform::Point{picture.origin.x + p.x * picture.size.width / 720,
                               picture.origin.y + p.y * picture.size.height / 960};
    };
    platform::BezierPath outline;
    outline.moveTo(toView(scene.corners[0]));
    for (int i = 1; i < 4; ++i) outline.addLineTo(toView(scene.corners[i]));
    outline.close();

    const auto detection = DetectionLayer::make();
    detection->apply(*theme);
    layer->addSublayer(detection);
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    detection->setPath(outline);
    platform::Transaction::commit();

    const auto ring = CaptureCircle::make();
    ring->apply(*theme);
    const Rect box = outline.bounds();
    ring->display({box.origin.x + box.size.width / 2, box.origin.y + box.size.height / 2}, *layer);
    clock.advance(500ms);  // five eighths of the ring drawn
    save(preview, "screens-camera-preview-overlays");
}

}  // namespace
}  // namespace quorvel
