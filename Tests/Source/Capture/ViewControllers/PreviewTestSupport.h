#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Engine/CapturedImage.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewModel.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureFeatures.h"
#include "Source/Configuration/CaptureTheme.h"

namespace previewtest {

namespace ui = quorvel::platform;
using namespace std::chrono_literals;

// A page picture: a light sheet with a dark band whose position tells the pages apart.
inline std::shared_ptr<ui::Image> pagePicture(int index, int width = 300, int height = 400) {
    auto bitmap = ui::Bitmap::make(width, height);
    auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    const int bandTop = (index * 70) % (height - 60) + 20;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool band = y >= bandTop && y < bandTop + 40 && x > 20 && x < width - 20;
            const std::uint8_t level = band ? 40 : 230;
            pixels[y * width + x] = ui::Bitmap::premultipliedARGB(ui::Color::fromRGBA8(
                level, static_cast<std::uint8_t>(level - 10 * (index % 3)), level));
        }
    }
    return ui::Image::make(bitmap);
}

// Records what the preview screen tells the camera screen.
class PreviewRecorder : public quorvel::CapturePreviewViewControllerDelegate {
public:
    void capturePreviewUpdated(const std::shared_ptr<quorvel::CapturedImageGroup>&) override {
        ++updated;
    }
    void capturePreviewRetakeImage(std::size_t at,
                                   const std::shared_ptr<quorvel::CapturedImageGroup>&) override {
        retakes.push_back(at);
    }
    void capturePreviewPhotosReady(const std::vector<std::shared_ptr<ui::Image>>& images) override {
        ready.push_back(images);
    }
    void capturePreviewDiscardImages() override { ++discarded; }

    int updated = 0;
    std::vector<std::size_t> retakes;
    std::vector<std::vector<std::shared_ptr<ui::Image>>> ready;
    int discarded = 0;
};

// A window showing a navigation stack whose top is a preview screen over a page group, on a
// manual clock with no screen reader.
class PreviewScreenTest : public ::testing::Test {
protected:
    PreviewScreenTest() {
        ui::MainRunLoop::discardPendingWork();
        ui::Accessibility::setVoiceOverRunningOverride(false);
        ui::Accessibility::clearPosted();
        ui::Transaction::resetImplicit();
        ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
    }
    ~PreviewScreenTest() override {
        ui::MainRunLoop::runUntilIdle();
        window.reset();
        navigation.reset();
        preview.reset();
        ui::MainRunLoop::runUntilIdle();
        ui::Accessibility::setVoiceOverRunningOverride(std::nullopt);
        ui::MainRunLoop::discardPendingWork();
    }

    void addPages(int count, quorvel::CaptureType type = quorvel::CaptureType::manual) {
        for (int i = 0; i < count; ++i) {
            group->append(std::make_shared<quorvel::CapturedImage>(
                pagePicture(static_cast<int>(group->count())), type));
        }
    }

    // Builds the preview and shows it; `prepare` may adjust it before its view loads.
    void open(quorvel::CaptureDocumentType type = quorvel::CaptureDocumentType::normal,
              std::optional<std::size_t> startingIndex = std::nullopt,
              const std::function<void(quorvel::CapturePreviewViewController&)>& prepare = {}) {
        configuration = std::make_shared<quorvel::CaptureConfiguration>(
            std::shared_ptr<ui::Bundle>{}, features);
        preview = quorvel::CapturePreviewViewController::make(group, configuration, theme, type,
                                                              startingIndex, false);
        preview->setDelegate(recorder);
        if (prepare) {
            prepare(*preview);
        }
        navigation = ui::NavigationController::make(preview);
        navigation->setNavigationBarHidden(true, false);
        window = ui::Window::make();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        settle();
    }

    // Lets the main queue, layout and running animations finish.
    void settle() {
        window->layoutIfNeeded();
        ui::MainRunLoop::runUntilIdle();
        clock.advance(1s);
        ui::MainRunLoop::runUntilIdle();
        window->layoutIfNeeded();
    }

    const quorvel::CapturePreviewViewController::Outlets& outlets() const {
        return preview->outlets();
    }
    std::string headline() const { return outlets().titleLabel->text(); }
    double pageWidth() const { return outlets().capturedImageScrollView->frame().width(); }

    ui::ScopedManualClock clock;
    std::shared_ptr<quorvel::CapturedImageGroup> group =
        std::make_shared<quorvel::CapturedImageGroup>();
    std::shared_ptr<quorvel::CaptureFeatures> features = quorvel::CaptureFeatures::getInstance();
    std::shared_ptr<quorvel::CaptureTheme> theme =
        std::make_shared<quorvel::CaptureTheme>(std::shared_ptr<ui::Bundle>{});
    std::shared_ptr<quorvel::CaptureConfiguration> configuration;
    std::shared_ptr<PreviewRecorder> recorder = std::make_shared<PreviewRecorder>();
    std::shared_ptr<quorvel::CapturePreviewViewController> preview;
    std::shared_ptr<ui::NavigationController> navigation;
    std::shared_ptr<ui::Window> window;
};

}  // namespace previewtest
