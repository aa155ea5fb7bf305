#include <gtest/gtest.h>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace quorvel {
namespace {

namespace ui = quorvel::platform;

class Receiver : public CaptureNavigationControllerDelegate {
public:
    void captureNavigationController(CaptureNavigationController&,
                                     const std::vector<std::shared_ptr<ui::Image>>&) override {}
};

TEST(CaptureNavigationController, HoldsOnlyTheCameraScreenWithTheBarHidden) {
    auto navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
    ASSERT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_EQ(navigation->viewControllers()[0], navigation->viewController());
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    EXPECT_EQ(navigation->view()->backgroundColor(), ui::Color::black());
    EXPECT_FALSE(navigation->shouldAutorotate());
    EXPECT_EQ(navigation->supportedInterfaceOrientations(), ui::InterfaceOrientationMask::portrait);
    EXPECT_EQ(static_cast<int>(navigation->supportedInterfaceOrientations()), 2);
    EXPECT_EQ(static_cast<int>(navigation->preferredInterfaceOrientationForPresentation()), 1);
}

TEST(CaptureNavigationController, WithoutAConfigurationEverySwitchIsAtItsDefault) {
    auto navigation = CaptureNavigationController::make();
    const auto& config = navigation->config();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->bundle(), nullptr);
    const auto& features = *config->features();
    EXPECT_TRUE(features.enableFeedbackToast() && features.enableBlurDetection() &&
                features.enableAutoCapture() && features.enableImageGallery() &&
                features.enableAddPage() && features.enableLongCapture() && features.enableCrop() &&
                features.enableFlash() && features.defaultToAutoCapture());
}

TEST(CaptureNavigationController, ConfigurationReadsBackWhatWasSet) {
    auto navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
    navigation->viewController()->loadViewIfNeeded();
    auto replacement = CaptureConfiguration::getInstance();
    navigation->setConfig(replacement);
    EXPECT_EQ(navigation->config(), replacement);
    EXPECT_EQ(navigation->viewController()->viewModel()->config(), replacement);
    navigation->viewController()->viewModel()->stopCaptureSession();
    ui::MainRunLoop::runUntilIdle();
}

TEST(CaptureNavigationController, DelegateIsHeldWeaklyAndHandedToTheCameraScreen) {
    auto navigation = CaptureNavigationController::make(CaptureConfiguration::getInstance());
    auto receiver = std::make_shared<Receiver>();
    navigation->setCaptureDelegate(receiver);
    EXPECT_EQ(navigation->captureDelegate(), receiver);
    EXPECT_EQ(navigation->viewController()->delegate(), receiver);
    receiver.reset();
    EXPECT_EQ(navigation->captureDelegate(), nullptr);
    EXPECT_EQ(navigation->viewController()->delegate(), nullptr);
}

using CaptureNavigationControllerDeathTest = ::testing::Test;

TEST_F(CaptureNavigationControllerDeathTest, CameraScreenInAnotherNavigationStackStopsAtTheEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto screen = CaptureViewController::make(CaptureConfiguration::getInstance());
            auto stack = ui::NavigationController::make(screen);
            auto window = ui::Window::make();
            window->setRootViewController(stack);
            window->makeKeyAndVisible();
            screen->goBack();
            ui::MainRunLoop::runUntilIdle();
        },
        "Error: Navigation controller is not expected type CaptureNavigationController");
}

}  // namespace
}  // namespace quorvel
