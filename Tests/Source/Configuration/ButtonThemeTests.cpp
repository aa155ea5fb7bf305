#include <gtest/gtest.h>

#include "Platform/Graphics/Screen.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Configuration/ButtonStyling.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Support/ThemeFixtures.h"

namespace quorvel {
namespace {

using quorvel::platform::Color;

class ButtonThemeTest : public ::testing::Test {
protected:
    ButtonThemeTest() : theme(std::make_shared<CaptureTheme>(host.bundle())) {}

    quorvel::platform::ScopedLogCapture quiet;
    testsupport::TemporaryBundle host;
    std::shared_ptr<CaptureTheme> theme;
};

TEST_F(ButtonThemeTest, ThemesTakeTheirColoursRadiiAndFonts) {
    CaptureButtonThemes themes{*theme};
    EXPECT_EQ(themes.primary().backgroundColor, theme->primaryBrandBackground2);
    EXPECT_EQ(themes.primary().titleColor, theme->uiSecondaryForeground);
    EXPECT_EQ(themes.primary().font, theme->fonts()->callout());
    EXPECT_EQ(themes.secondary().backgroundColor, Color::clear());
    EXPECT_EQ(themes.captureType().backgroundColor, Color::clear());
    EXPECT_EQ(themes.captureAccess().backgroundColor,
              theme->capturePermissionButtonBackgroundColor);
    EXPECT_EQ(themes.capturePreviewDone().titleColor, theme->capturePreviewDoneButtonTextColor);
    EXPECT_EQ(themes.cropCancel().font, theme->fonts()->headline());
    EXPECT_EQ(themes.autoCapture().font, theme->fonts()->captionOne());

    EXPECT_EQ(themes.primary().cornerRadius, 24);
    EXPECT_EQ(themes.secondary().cornerRadius, 0);
    EXPECT_EQ(themes.captureType().cornerRadius, 0);
    EXPECT_EQ(themes.cropDone().cornerRadius, 24);
    EXPECT_EQ(themes.captureAccess().cornerRadius, 24);
    EXPECT_EQ(themes.capturePreviewDone().cornerRadius, 24);
    EXPECT_EQ(themes.cropCancel().cornerRadius, 0);
    EXPECT_EQ(themes.autoCapture().cornerRadius, 0);
}

TEST_F(ButtonThemeTest, SubclassesChangeOneFieldOnly) {
    CaptureButtonThemes themes{*theme};
    const auto& on = themes.autoCapture();
    const auto& off = themes.autoCaptureDisabled();
    EXPECT_EQ(off.backgroundColor, on.backgroundColor);
    EXPECT_EQ(off.cornerRadius, on.cornerRadius);
    EXPECT_EQ(off.font, on.font);
    EXPECT_EQ(off.titleColor, theme->autoCaptureDisabledButtonTextColor);

    const auto& normal = themes.captureType();
    const auto& selected = themes.captureDocumentTypeSelected();
    EXPECT_EQ(selected.backgroundColor, normal.backgroundColor);
    EXPECT_EQ(selected.titleColor, normal.titleColor);
    EXPECT_EQ(selected.cornerRadius, normal.cornerRadius);
    EXPECT_EQ(selected.font, theme->fonts()->titleTwo());
}

TEST_F(ButtonThemeTest, BuiltThemesKeepWhatTheyCopied) {
    ButtonThemes themes{*theme};
    const Color before = themes.primary().backgroundColor;
    theme->primaryBrandBackground2 = Color{0.1, 0.2, 0.3, 1};
    EXPECT_EQ(themes.primary().backgroundColor, before);
}

TEST_F(ButtonThemeTest, ClearedColoursAreResolvedAgain) {
    const Color original = *theme->primaryBrandBackground2;
    theme->primaryBrandBackground2.reset();
    theme->cropDoneButtonBackgroundColor.reset();
    theme->toastBackgroundColor.reset();
    theme->uiSecondaryBackground.reset();
    CaptureButtonThemes themes{*theme};
    EXPECT_EQ(themes.primary().backgroundColor, original);
    EXPECT_EQ(themes.cropDone().backgroundColor, original);
    EXPECT_EQ(theme->resolvedColor(&CaptureTheme::toastBackgroundColor).alpha, 0.45);
}

TEST_F(ButtonThemeTest, DecodedThemeWithoutColoursOrFontsStillBuilds) {
    quorvel::platform::Decoder decoder{quorvel::platform::PropertyListValue{}};
    CaptureTheme decoded{decoder};
    CaptureButtonThemes themes{decoded};
    EXPECT_EQ(themes.primary().backgroundColor, theme->primaryBrandBackground2);
    EXPECT_EQ(themes.autoCapture().backgroundColor, theme->uiSecondaryBackground);
    EXPECT_EQ(themes.primary().font.pointSize(), 16);
}

TEST_F(ButtonThemeTest, ApplyStylesTheNormalState) {
    PrimaryButtonTheme primary{*theme};
    auto button = quorvel::platform::Button::make();
    ButtonStyling::apply(*button, primary);

    EXPECT_TRUE(button->clipsToBounds());
    auto background = button->backgroundImage(quorvel::platform::ControlState::normal);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->size(), (quorvel::platform::Size{1, 1}));
    EXPECT_EQ(background->bitmap()->width(),
              static_cast<int>(quorvel::platform::Screen::mainScale()));
    EXPECT_EQ(button->titleColor(quorvel::platform::ControlState::normal), primary.titleColor);
    EXPECT_EQ(button->layer()->cornerRadius(), 24);
    EXPECT_EQ(button->titleLabel()->font(), primary.font);
    EXPECT_TRUE(button->titleLabel()->adjustsFontSizeToFitWidth());
    EXPECT_EQ(button->titleLabel()->minimumScaleFactor(), 0.3);
    EXPECT_EQ(button->contentEdgeInsets(), (quorvel::platform::EdgeInsets{0, 8, 0, 8}));
    EXPECT_EQ(button->imageView()->contentMode(), quorvel::platform::ContentMode::scaleAspectFit);

    ButtonStyling::apply(*button, primary);
    EXPECT_EQ(button->layer()->cornerRadius(), 24);
    EXPECT_EQ(button->titleLabel()->minimumScaleFactor(), 0.3);
}

TEST_F(ButtonThemeTest, ApplyToAButtonWithoutLabelOrImageView) {
    SecondaryButtonTheme secondary{*theme};
    auto button = quorvel::platform::Button::make({.hasTitleLabel = false, .hasImageView = false});
    ButtonStyling::apply(*button, secondary);
    EXPECT_TRUE(button->clipsToBounds());
    auto background = button->backgroundImage(quorvel::platform::ControlState::normal);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->bitmap()->pixel(0, 0), Color::clear());
    EXPECT_EQ(button->contentEdgeInsets(), (quorvel::platform::EdgeInsets{0, 8, 0, 8}));
}

}  // namespace
}  // namespace quorvel
