#include <gtest/gtest.h>

#include <memory>

#include "Platform/Graphics/Font.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/UIDriver.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/Views/IconButton.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {
namespace {

using platform::Font;
using platform::LayoutAttribute;

class Presses : public IconButtonDelegate {
public:
    void iconButtonPressed(IconButton& button) override {
        ++count;
        last = &button;
    }
    int count = 0;
    IconButton* last = nullptr;
};

class IconButtonTest : public ::testing::Test {
protected:
    std::shared_ptr<IconButton> button = IconButton::make({{0, 0}, {80, 60}});

    void SetUp() override { button->layoutIfNeeded(); }

    // Gives the icon view another height (the nib's is 30).
    void setIconHeight(double height) {
        for (const auto& constraint :
             button->iconView()->constraintsAffecting(LayoutAttribute::height)) {
            constraint->setConstant(height);
        }
        button->setNeedsLayout();
        button->layoutIfNeeded();
    }
};

TEST_F(IconButtonTest, IsBuiltFromItsNibAsOneAccessibleButton) {
    const auto content = button->contentView();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->superview(), button);
    EXPECT_EQ(content->frame(), button->bounds());
    EXPECT_EQ(button->iconView()->superview(), content);
    EXPECT_EQ(button->textLabel()->superview(), content);
    EXPECT_EQ(button->iconView()->frame().size, (platform::Size{30, 30}));
    // The icon sits above the caption.
    EXPECT_LT(button->iconView()->frame().origin.y, button->textLabel()->frame().origin.y);
    EXPECT_TRUE(button->isAccessibilityElement());
    EXPECT_TRUE(
        platform::contains(button->accessibilityTraits(), platform::AccessibilityTraits::button));
    button->setFrame({{0, 0}, {120, 70}});
    button->layoutIfNeeded();
    EXPECT_EQ(content->frame(), button->bounds());
}

TEST_F(IconButtonTest, ShowsTheCaptionUpperCasedButReadsItAsGiven) {
    const auto image =
        ImageLookup::fetchImageFromBundle(*ResourceBundle::resources(), "capture-crop");
    auto delegate = std::make_shared<Presses>();
    button->update(image, "crop", delegate, nullptr);
    EXPECT_EQ(button->iconView()->image(), image);
    EXPECT_EQ(button->textLabel()->text(), "CROP");
    EXPECT_EQ(button->accessibilityLabel(), "crop");
    EXPECT_EQ(button->delegate(), delegate);

    button->update(nullptr, std::nullopt, delegate, nullptr);
    EXPECT_EQ(button->textLabel()->text(), "");
    EXPECT_EQ(button->accessibilityLabel(), "");
}

TEST_F(IconButtonTest, KeepsTheCaptionBetweenHalfAndFourFifthsOfTheIconHeight) {
    // A 30-point icon allows 15 to 24 points.
    button->applyForLabel(Font::systemFont(12));
    EXPECT_EQ(button->textLabel()->effectiveFont().pointSize(), 15);
    EXPECT_EQ(button->labelHeight()->constant(), 18);
    EXPECT_EQ(button->textLabel()->frame().size.height, 18);

    button->applyForLabel(Font::systemFont(30));
    EXPECT_EQ(button->textLabel()->effectiveFont().pointSize(), 24);
    EXPECT_EQ(button->labelHeight()->constant(), 27);

    button->applyForLabel(Font::systemFont(20, platform::FontWeight::semibold));
    EXPECT_EQ(button->textLabel()->effectiveFont(),
              Font::systemFont(20, platform::FontWeight::semibold));
    EXPECT_EQ(button->labelHeight()->constant(), 23);

    setIconHeight(40);
    button->applyForLabel(Font::systemFont(12));
    EXPECT_EQ(button->textLabel()->effectiveFont().pointSize(), 20);
}

TEST_F(IconButtonTest, AsksForASmallerCaptionInProportionToHowSqueezedItIs) {
    button->update(nullptr, "add page", std::weak_ptr<IconButtonDelegate>(), nullptr);
    button->applyForLabel(Font::systemFont(20));
    const double natural = button->textLabel()->intrinsicContentSize().width;
    ASSERT_GT(natural, 0);
    const auto layOutAtWidth = [&](double width) {
        button->setFrame({{0, 0}, {width, 60}});
        button->layoutIfNeeded();
        ASSERT_DOUBLE_EQ(button->textLabel()->frame().size.width, width);
    };

    // Room for 80 % of its width: 80 % of its size.
    layOutAtWidth(natural * 0.8 + 0.01);
    EXPECT_EQ(button->getScaledFontSize(), 16);
    // 40 % asks for 0.6 of its size (12), which the 30-point icon raises to 15.
    layOutAtWidth(natural * 0.4);
    EXPECT_EQ(button->getScaledFontSize(), 15);
    // More room than it needs keeps its size, within the range.
    layOutAtWidth(natural * 2);
    EXPECT_EQ(button->getScaledFontSize(), 20);
    button->textLabel()->setFont(Font::systemFont(30));
    EXPECT_EQ(button->getScaledFontSize(), 24);
}

TEST_F(IconButtonTest, AppliesTheThemeCaptionStyleAndColours) {
    platform::ScopedLogCapture quiet;
    const CaptureTheme theme(std::shared_ptr<platform::Bundle>{});
    button->apply(theme);
    EXPECT_EQ(button->contentView()->backgroundColor(),
              theme.resolvedColor(&CaptureTheme::captureBackgroundColor));
    EXPECT_EQ(button->textLabel()->textColor(),
              theme.resolvedColor(&CaptureTheme::captureIconButtonTextColor));
    const double caption = theme.fonts()->captionOne().pointSize();
    EXPECT_EQ(button->textLabel()->effectiveFont().pointSize(), std::clamp(caption, 15.0, 24.0));
}

TEST(IconButtonDeathTest, StopsWhenItsNibDoesNotConnectItsViews) {
    EXPECT_DEATH(
        {
            platform::NibRegistry::registerViewBuilder(
                IconButton::nibName, [](std::shared_ptr<void>) { return platform::View::make(); });
            IconButton::make();
        },
        "The IconButton nib did not connect the button's views");
}

class IconButtonPresses : public IconButtonTest {
protected:
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<Presses> delegate = std::make_shared<Presses>();

    void SetUp() override {
        button->setFrame({{100, 400}, {80, 60}});
        window->addSubview(button);
        window->layoutIfNeeded();
        button->update(nullptr, "retake", delegate, nullptr);
    }
};

TEST_F(IconButtonPresses, DimWhileHeldAndTellTheDelegateOnRelease) {
    const platform::Point centre{40, 30};
    ASSERT_TRUE(platform::UIDriver::press(*button, centre));
    EXPECT_EQ(button->contentView()->alpha(), 0.5);
    EXPECT_EQ(delegate->count, 0);
    ASSERT_TRUE(platform::UIDriver::release(*button, centre));
    EXPECT_EQ(button->contentView()->alpha(), 1.0);
    EXPECT_EQ(delegate->count, 1);
    EXPECT_EQ(delegate->last, button.get());

    // Dragged away and let go outside: undimmed, no press.
    ASSERT_TRUE(platform::UIDriver::press(*button, centre));
    ASSERT_TRUE(platform::UIDriver::moveTo(*button, {40, -300}));
    ASSERT_TRUE(platform::UIDriver::release(*button, {40, -300}));
    EXPECT_EQ(button->contentView()->alpha(), 1.0);
    EXPECT_EQ(delegate->count, 1);
}

TEST_F(IconButtonPresses, DoNothingOnceTheDelegateIsGone) {
    delegate.reset();
    EXPECT_TRUE(platform::UIDriver::tap(*button));
    EXPECT_EQ(button->contentView()->alpha(), 1.0);
}

}  // namespace
}  // namespace quorvel
