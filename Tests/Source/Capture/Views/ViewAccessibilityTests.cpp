#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Views/ViewAccessibility.h"
#include "Support/TemporaryBundle.h"

namespace quorvel {
namespace {

using platform::View;
using Views = std::vector<std::shared_ptr<View>>;

TEST(ReadingOrder, KeepsTheGivenElementsInOrderAndLeavesOutAbsentOnes) {
    auto bar = View::make({{0, 0}, {390, 60}});
    auto back = platform::Button::make({}, {{0, 0}, {44, 44}});
    auto autoCapture = platform::Button::make({}, {{100, 0}, {44, 44}});
    auto flash = platform::Button::make({}, {{300, 0}, {44, 44}});
    // Added in another order than they are to be read.
    bar->addSubview(flash);
    bar->addSubview(autoCapture);
    bar->addSubview(back);

    ViewAccessibility::applyAccessibilityOrder(*bar, back, std::shared_ptr<View>(), flash);
    EXPECT_EQ(bar->accessibilityElements(), (Views{back, flash}));

    // What a screen reader walks in a window follows that order and skips the rest.
    auto window = platform::Window::make();
    window->addSubview(bar);
    EXPECT_EQ(platform::Accessibility::orderedElements(window), (Views{back, flash}));

    ViewAccessibility::applyAccessibilityOrder(*bar, std::shared_ptr<View>(),
                                               std::shared_ptr<platform::Button>());
    EXPECT_EQ(bar->accessibilityElements(), Views{});
    ViewAccessibility::applyAccessibilityOrder(*bar, Views{});
    EXPECT_EQ(bar->accessibilityElements(), Views{});
}

class MakeAccessible : public ::testing::Test {
protected:
    testsupport::TemporaryBundle host{"Host.bundle"};
    std::shared_ptr<View> view = View::make();

    std::shared_ptr<platform::Bundle> hostTexts(std::string_view entries) {
        host.write("Localizable.strings", entries);
        return host.bundle();
    }
};

TEST_F(MakeAccessible, TakesTheHostTextsAndFallsBackToTheFrameworkOnes) {
    const auto bundle = hostTexts("\"flash-on\" = \"Lamp on\";\n");
    ViewAccessibility::makeAccessible(*view, "flash-on", "change-camera-flash-mode", bundle);
    EXPECT_TRUE(view->isAccessibilityElement());
    EXPECT_EQ(view->accessibilityLabel(), "Lamp on");
    EXPECT_EQ(view->accessibilityHint(), "Turns the flashlight on or off.");

    ViewAccessibility::makeAccessible(*view, "no-such-label", "no-such-hint", bundle);
    EXPECT_EQ(view->accessibilityLabel(), "no-such-label");
    EXPECT_EQ(view->accessibilityHint(), "no-such-hint");
}

TEST_F(MakeAccessible, FormatsOnlyTheLabelWithTheTokens) {
    const auto bundle = hostTexts(
        "\"previous-page-button-title\" = \"%@ of %@ pages\";\n"
        "\"photo-picker-hint\" = \"Picks %@ photos\";\n");
    ViewAccessibility::makeAccessible(*view, "previous-page-button-title", "photo-picker-hint",
                                      bundle, {"2", "3"});
    EXPECT_EQ(view->accessibilityLabel(), "2 of 3 pages");
    EXPECT_EQ(view->accessibilityHint(), "Picks %@ photos");
}

TEST_F(MakeAccessible, AHostLabelThatDoesNotFitItsTokensGivesWayToTheFrameworkText) {
    const auto bundle = hostTexts("\"previous-page-button-title\" = \"%d pages, %s\";\n");
    platform::ScopedLogCapture quiet;
    ViewAccessibility::makeAccessible(*view, "previous-page-button-title", std::nullopt, bundle,
                                      {"3"});
    EXPECT_EQ(view->accessibilityLabel(), "Review pages, 3 taken");
}

TEST_F(MakeAccessible, ClearsTheHintOfAPreviousStateWhenTheNewOneHasNone) {
    // The auto-capture button: on has a hint, off has none.
    ViewAccessibility::makeAccessible(*view, "auto-capture-on", "auto-capture-button-hint",
                                      nullptr);
    ASSERT_FALSE(view->accessibilityHint().empty());
    ViewAccessibility::makeAccessible(*view, "auto-capture-off", std::nullopt, nullptr);
    EXPECT_EQ(view->accessibilityLabel(), "Automatic capture off");
    EXPECT_EQ(view->accessibilityHint(), "");
}

}  // namespace
}  // namespace quorvel
