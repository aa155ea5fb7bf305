#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "CropTestSupport.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"
#include "Source/Crop/ViewControllers/CropViewController.h"

namespace croptest {

namespace ui = quorvel::platform;
using namespace std::chrono_literals;

// The screen below the crop screen (the preview screen's place).
class BelowScreen : public ui::ViewController {
public:
    static std::shared_ptr<BelowScreen> make() {
        return std::shared_ptr<BelowScreen>(new BelowScreen());
    }

private:
    BelowScreen() = default;
};

// A window with a navigation stack onto which a crop screen is pushed, on a manual clock.
class CropScreenTest : public ::testing::Test {
protected:
    CropScreenTest() {
        ui::MainRunLoop::discardPendingWork();
        ui::Accessibility::setVoiceOverRunningOverride(false);
        ui::Transaction::resetImplicit();
        ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
        navigation = ui::NavigationController::make(below);
        navigation->setNavigationBarHidden(true, false);
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
    }
    ~CropScreenTest() override {
        if (screen) {
            // Let a detection still under way answer before the screen goes.
            screen->viewModel()->workQueue()->sync([] {});
        }
        ui::MainRunLoop::runUntilIdle();
        window.reset();
        navigation.reset();
        screen.reset();
        ui::MainRunLoop::runUntilIdle();
        ui::Accessibility::setVoiceOverRunningOverride(std::nullopt);
        ui::MainRunLoop::discardPendingWork();
    }

    // Pushes a crop screen for `image`.
    void open(std::shared_ptr<ui::Image> image,
              std::optional<std::vector<ui::Point>> corners = std::nullopt,
              bool autoCaptured = true) {
        screen = quorvel::CropViewController::make(std::move(image), theme, std::move(corners),
                                                   autoCaptured);
        screen->setDelegate(delegate);
        navigation->pushViewController(screen, false);
        settle();
    }

    // Waits for the first placement of the handles (detection) to end.
    void waitForPlacement() {
        ASSERT_TRUE(ui::MainRunLoop::runUntil([&] { return !screen->isPlacingCorners(); }, 120s));
        settle();
    }

    void settle() {
        window->layoutIfNeeded();
        ui::MainRunLoop::runUntilIdle();
        clock.advance(1s);
        ui::MainRunLoop::runUntilIdle();
        window->layoutIfNeeded();
    }

    const quorvel::CropViewController::Outlets& outlets() const { return screen->outlets(); }
    ui::View& area() const { return *outlets().imageSuperview; }
    ui::View& touchLayer() const { return *outlets().magnifySuperview; }
    std::vector<std::shared_ptr<quorvel::CornerPoint>> handles() const {
        return {outlets().topLeftCornerPoint, outlets().topRightCornerPoint,
                outlets().bottomRightCornerPoint, outlets().bottomLeftCornerPoint};
    }
    std::vector<ui::Point> corners() const { return centers(handles()); }
    bool onTop() const { return navigation->topViewController() == screen; }

    ui::ScopedManualClock clock;
    std::shared_ptr<quorvel::CaptureTheme> theme = defaultTheme();
    std::shared_ptr<ScreenDelegateRecorder> delegate = std::make_shared<ScreenDelegateRecorder>();
    std::shared_ptr<BelowScreen> below = BelowScreen::make();
    std::shared_ptr<ui::NavigationController> navigation;
    std::shared_ptr<ui::Window> window = ui::Window::make();
    std::shared_ptr<quorvel::CropViewController> screen;
};

}  // namespace croptest
