#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Window.h"
#include "Source/Components/Toast/Toast.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using platform::MainRunLoop;

class ToastTest : public ::testing::Test {
protected:
    platform::ScopedManualClock clock;
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> container = platform::View::make({{0, 100}, {390, 200}});
    std::shared_ptr<CaptureTheme> theme;

    void SetUp() override {
        MainRunLoop::discardPendingWork();
        platform::ScopedLogCapture quiet;
        theme = std::make_shared<CaptureTheme>(std::shared_ptr<platform::Bundle>());
        window->addSubview(container);
    }
    void TearDown() override {
        Toast::dismissCurrentToast();
        MainRunLoop::runUntilIdle();
        MainRunLoop::discardPendingWork();
    }

    // Moves the clock on and runs what became due, as the main loop would.
    void after(std::chrono::milliseconds step) {
        clock.advance(step);
        MainRunLoop::runUntilIdle();
    }
    bool inContainer(const std::shared_ptr<Toast>& toast) const {
        return toast->superview() == container;
    }
};

TEST_F(ToastTest, SitsCentredNearTheTopAsARoundedBannerAroundItsMessage) {
    const auto toast = Toast::show("Long receipt: section 1 of 2", container, *theme);
    const double textWidth = toast->titleLabel()->intrinsicContentSize().width;
    ASSERT_GT(textWidth, 0);
    const auto frame = toast->frame();
    EXPECT_DOUBLE_EQ(frame.size.width, textWidth + 2 * 24);
    EXPECT_EQ(frame.size.height, 48);
    EXPECT_DOUBLE_EQ(frame.origin.x + frame.size.width / 2, 195);
    EXPECT_EQ(frame.origin.y, 14);
    EXPECT_EQ(toast->titleLabel()->frame(), (platform::Rect{{24, 0}, {textWidth, 48}}));
    EXPECT_EQ(toast->layer()->cornerRadius(), 24);
    EXPECT_TRUE(toast->clipsToBounds());
    EXPECT_EQ(toast->backgroundColor(), theme->resolvedColor(&CaptureTheme::toastBackgroundColor));
    EXPECT_EQ(toast->titleLabel()->textColor(),
              theme->resolvedColor(&CaptureTheme::toastTitleColor));
    EXPECT_EQ(toast->titleLabel()->effectiveFont(), theme->fonts()->subhead());
}

TEST_F(ToastTest, FadesInFromPointTwoIsVisibleFromPointFiveFadesAtTwoPointFiveAndIsGoneAt2Point8) {
    const auto toast = Toast::show("Hello", container, *theme);
    EXPECT_EQ(Toast::currentToast(), toast);
    EXPECT_TRUE(inContainer(toast));
    EXPECT_EQ(toast->presentationAlpha(), 0);

    after(200ms);
    EXPECT_EQ(toast->presentationAlpha(), 0);
    after(150ms);
    EXPECT_GT(toast->presentationAlpha(), 0.1);
    EXPECT_LT(toast->presentationAlpha(), 0.9);
    after(150ms);  // 0.5 s
    EXPECT_EQ(toast->presentationAlpha(), 1);

    after(1990ms);  // 2.49 s
    EXPECT_EQ(toast->presentationAlpha(), 1);
    EXPECT_EQ(toast->alpha(), 1);
    after(10ms);  // 2.5 s: the fade-out starts
    EXPECT_EQ(toast->alpha(), 0);
    EXPECT_EQ(toast->presentationAlpha(), 1);
    after(150ms);
    EXPECT_GT(toast->presentationAlpha(), 0.1);
    EXPECT_LT(toast->presentationAlpha(), 0.9);
    EXPECT_TRUE(inContainer(toast));
    after(140ms);  // 2.79 s
    EXPECT_TRUE(inContainer(toast));
    after(10ms);  // 2.8 s
    EXPECT_FALSE(inContainer(toast));
    EXPECT_TRUE(container->subviews().empty());
}

TEST_F(ToastTest, ASecondToastHalfASecondLaterReplacesTheFirstAtOnce) {
    const auto first = Toast::show("First", container, *theme);
    after(500ms);
    ASSERT_EQ(first->presentationAlpha(), 1);

    const auto second = Toast::show("Second", container, *theme);
    EXPECT_EQ(first->presentationAlpha(), 0) << "no fade for the one replaced";
    EXPECT_EQ(Toast::currentToast(), second);
    MainRunLoop::runUntilIdle();
    EXPECT_FALSE(inContainer(first));
    EXPECT_EQ(container->subviews(), std::vector<std::shared_ptr<platform::View>>{second});

    // The first toast's timer would have fired at 2.5 s; the second fades only at 3.0 s.
    after(500ms);   // 1.0 s: the second has faded in
    after(1500ms);  // 2.5 s
    EXPECT_TRUE(inContainer(second));
    EXPECT_EQ(second->alpha(), 1);
    EXPECT_FALSE(inContainer(first));
    after(500ms);  // 3.0 s
    EXPECT_EQ(second->alpha(), 0);
    after(300ms);  // 3.3 s
    EXPECT_TRUE(container->subviews().empty());
}

TEST_F(ToastTest, AToastReplacedBeforeItHasFadedInLeavesNoTimerBehind) {
    const auto first = Toast::show("First", container, *theme);
    after(300ms);
    const auto second = Toast::show("Second", container, *theme);
    after(200ms);  // 0.5 s: the first one's fade-in would have ended now
    EXPECT_FALSE(inContainer(first));
    EXPECT_TRUE(first->isDismissed());
    // The second is visible from 0.8 s and starts fading at 2.8 s; at 2.5 s nothing of the
    // first one's may touch it or bring the first back.
    after(300ms);   // 0.8 s
    after(1700ms);  // 2.5 s
    EXPECT_EQ(second->alpha(), 1);
    EXPECT_EQ(container->subviews(), std::vector<std::shared_ptr<platform::View>>{second});
    after(300ms);  // 2.8 s
    EXPECT_EQ(second->alpha(), 0);
    after(300ms);  // 3.1 s
    EXPECT_TRUE(container->subviews().empty());
}

TEST_F(ToastTest, AToastTakenAwayWithItsScreenIsReleasedAndItsTimerDoesNothing) {
    std::weak_ptr<Toast> weak = Toast::show("Hello", container, *theme);
    after(500ms);  // its timer is now waiting
    container->removeFromSuperview();
    container.reset();
    EXPECT_TRUE(weak.expired()) << "nothing but its superview holds a toast";
    EXPECT_EQ(Toast::currentToast(), nullptr);
    after(3000ms);  // past the timer and the fade-out
}

TEST_F(ToastTest, FadingOutAToastThatIsAlreadyGoneDoesNothing) {
    const auto toast = Toast::show("Hello", container, *theme);
    after(500ms);
    toast->fadeOut(false);
    MainRunLoop::runUntilIdle();
    ASSERT_FALSE(inContainer(toast));
    // Put back by someone else: a stale fade-out or timer must not take it away again.
    container->addSubview(toast);
    toast->fadeOut(true);
    after(3000ms);
    EXPECT_TRUE(inContainer(toast));
}

}  // namespace
}  // namespace quorvel
