#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/UI/Accessibility.h"
#include "Source/Navigation/QVNavigationController.h"
#include "Source/Navigation/QVViewController.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using platform::Accessibility;
using platform::MainRunLoop;

class Screen : public QVViewController {
public:
    Screen() = default;
};

TEST(BaseScreens, ArePortraitOnlyAndNeverRotate) {
    const auto screen = std::make_shared<Screen>();
    const auto navigation = QVNavigationController::make(screen);
    for (const platform::ViewController* controller :
         {static_cast<const platform::ViewController*>(screen.get()),
          static_cast<const platform::ViewController*>(navigation.get())}) {
        EXPECT_FALSE(controller->shouldAutorotate());
        EXPECT_EQ(static_cast<std::uint32_t>(controller->supportedInterfaceOrientations()), 2u);
        EXPECT_EQ(static_cast<int>(controller->preferredInterfaceOrientationForPresentation()), 1);
    }
    EXPECT_EQ(navigation->viewControllers(),
              std::vector<std::shared_ptr<platform::ViewController>>{screen});
    EXPECT_TRUE(QVNavigationController::make()->viewControllers().empty());
}

class DelayedIfVoiceOver : public ::testing::Test {
protected:
    void SetUp() override { MainRunLoop::discardPendingWork(); }
    void TearDown() override {
        Accessibility::setVoiceOverRunningOverride(std::nullopt);
        MainRunLoop::discardPendingWork();
    }

    platform::ScopedManualClock clock;
    std::vector<int> ran;
};

TEST_F(DelayedIfVoiceOver, WithoutAScreenReaderRunsOnTheNextTurnWhateverTheDelay) {
    Accessibility::setVoiceOverRunningOverride(false);
    QVViewController::performDelayedIfVoiceover(1.0, [this] { ran.push_back(1); });
    QVViewController::performDelayedIfVoiceover(0.2, [this] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty()) << "never runs before returning";
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{1, 2})) << "in submission order, without the clock moving";
}

TEST_F(DelayedIfVoiceOver, WithAScreenReaderWaitsTheDelayOnTheClock) {
    Accessibility::setVoiceOverRunningOverride(true);
    QVViewController::performDelayedIfVoiceover(1.0, [this] { ran.push_back(1); });
    QVViewController::performDelayedIfVoiceover(0.2, [this] { ran.push_back(2); });
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(ran.empty());
    clock.advance(200ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{2}));
    clock.advance(799ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{2}));
    clock.advance(1ms);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(ran, (std::vector<int>{2, 1}));
}

TEST_F(DelayedIfVoiceOver, AskedFromAnotherThreadRunsOnTheMainThreadAtTheSameTimes) {
    std::atomic<bool> onMain = false;
    const auto askFromAnotherThread = [&] {
        std::thread([&] {
            QVViewController::performDelayedIfVoiceover(0.2,
                                                        [&] { onMain = MainRunLoop::isCurrent(); });
        }).join();
    };
    Accessibility::setVoiceOverRunningOverride(false);
    askFromAnotherThread();
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(onMain);

    onMain = false;
    Accessibility::setVoiceOverRunningOverride(true);
    askFromAnotherThread();
    clock.advance(199ms);
    MainRunLoop::runUntilIdle();
    EXPECT_FALSE(onMain);
    clock.advance(1ms);
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(onMain) << "the delay counts from the call, not from the hop";
}

}  // namespace
}  // namespace quorvel
