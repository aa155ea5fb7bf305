#include <gtest/gtest.h>

#include "Source/Capture/ViewControllers/CaptureViewControllerControls.h"

namespace quorvel {
namespace {

using Controls = CaptureViewControllerControls;
constexpr auto automatic = CaptureType::automatic;
constexpr auto manual = CaptureType::manual;
using Type = CaptureDocumentType;

std::shared_ptr<CaptureFeatures> features() {
    return CaptureFeatures::getInstance();
}

struct AutoCaptureRow {
    bool enableAutoCapture;
    CaptureType captureType;
    CaptureDocumentType documentType;
    bool hidden;
    bool enabled;
    Controls::AutoCaptureTheme theme;
    const char* image;
    const char* titleKey;
    const char* labelKey;
    const char* hintKey;  // nullptr: none
};

class AutoCaptureButtonTable : public ::testing::TestWithParam<AutoCaptureRow> {};

TEST_P(AutoCaptureButtonTable, ShowsTheRowsState) {
    const auto& row = GetParam();
    auto switches = features();
    switches->setEnableAutoCapture(row.enableAutoCapture);
    const auto button = Controls::autoCaptureButton(*switches, row.captureType, row.documentType);
    EXPECT_EQ(button.hidden, row.hidden);
    EXPECT_EQ(button.enabled, row.enabled);
    EXPECT_EQ(button.theme, row.theme);
    EXPECT_EQ(button.image, row.image);
    EXPECT_EQ(button.titleKey, row.titleKey);
    EXPECT_EQ(button.labelKey, row.labelKey);
    if (row.hintKey) {
        EXPECT_EQ(button.hintKey, std::optional<std::string>(row.hintKey));
    } else {
        EXPECT_EQ(button.hintKey, std::nullopt);
    }
}

constexpr auto on = Controls::AutoCaptureTheme::autoCapture;
constexpr auto off = Controls::AutoCaptureTheme::autoCaptureDisabled;

INSTANTIATE_TEST_SUITE_P(
    Rows, AutoCaptureButtonTable,
    ::testing::Values(
        AutoCaptureRow{true, automatic, Type::normal, false, true, on, "capture-auto-on",
                       "auto-capture-button-on", "auto-capture-on", "auto-capture-button-hint"},
        AutoCaptureRow{true, manual, Type::normal, false, true, off, "capture-auto-off",
                       "auto-capture-button-off", "auto-capture-off", nullptr},
        AutoCaptureRow{true, automatic, Type::album, false, true, on, "capture-auto-on",
                       "auto-capture-button-on", "auto-capture-on", "auto-capture-button-hint"},
        AutoCaptureRow{true, automatic, Type::longFirst, false, false, off, "capture-auto-off",
                       "auto-capture-button-disabled", "auto-capture-disabled", nullptr},
        AutoCaptureRow{true, manual, Type::longSecond, false, false, off, "capture-auto-off",
                       "auto-capture-button-disabled", "auto-capture-disabled", nullptr},
        AutoCaptureRow{false, manual, Type::normal, true, true, off, "capture-auto-off",
                       "auto-capture-button-off", "auto-capture-off", nullptr},
        AutoCaptureRow{false, manual, Type::longFirst, true, false, off, "capture-auto-off",
                       "auto-capture-button-disabled", "auto-capture-disabled", nullptr}));

TEST(CaptureControls, FlashButtonFollowsTheTorchAndItsSwitch) {
    auto switches = features();
    const auto lit = Controls::flashButton(*switches, true);
    EXPECT_FALSE(lit.hidden);
    EXPECT_EQ(lit.image, "capture-flash-on");
    EXPECT_EQ(lit.labelKey, "flash-on");
    EXPECT_EQ(lit.hintKey, "change-camera-flash-mode");
    const auto dark = Controls::flashButton(*switches, false);
    EXPECT_EQ(dark.image, "capture-flash-off");
    EXPECT_EQ(dark.labelKey, "flash-off");
    EXPECT_EQ(dark.hintKey, "change-camera-flash-mode");
    switches->setEnableFlash(false);
    EXPECT_TRUE(Controls::flashButton(*switches, true).hidden);
}

TEST(CaptureControls, BackButtonClosesUnlessAFirstSectionIsStored) {
    EXPECT_EQ(Controls::backButtonImage(false), "capture-close");
    EXPECT_EQ(Controls::backButtonImage(true), "capture-back");
}

TEST(CaptureControls, GalleryIsHiddenForLongDocumentsAndWhenSwitchedOff) {
    auto switches = features();
    EXPECT_FALSE(Controls::galleryButtonHidden(*switches, Type::normal));
    EXPECT_FALSE(Controls::galleryButtonHidden(*switches, Type::album));
    EXPECT_TRUE(Controls::galleryButtonHidden(*switches, Type::longFirst));
    EXPECT_TRUE(Controls::galleryButtonHidden(*switches, Type::longSecond));
    switches->setEnableImageGallery(false);
    EXPECT_TRUE(Controls::galleryButtonHidden(*switches, Type::normal));
}

TEST(CaptureControls, ModeStripHidesWithPagesWithoutLongCaptureAndInTheSecondSection) {
    auto switches = features();
    EXPECT_FALSE(Controls::modeStrip(*switches, Type::normal, 0, false).hidden);
    EXPECT_TRUE(Controls::modeStrip(*switches, Type::normal, 1, false).hidden);
    EXPECT_TRUE(Controls::modeStrip(*switches, Type::longSecond, 0, true).hidden);
    switches->setEnableLongCapture(false);
    EXPECT_TRUE(Controls::modeStrip(*switches, Type::normal, 0, false).hidden);
}

TEST(CaptureControls, ModeStripSelectsTheLongButtonForEitherSection) {
    auto switches = features();
    for (auto type : {Type::normal, Type::album}) {
        const auto strip = Controls::modeStrip(*switches, type, 0, false);
        EXPECT_FALSE(strip.longSelected);
        EXPECT_EQ(strip.normalLabelKey, "normal-capture-button-selected");
        EXPECT_EQ(strip.longLabelKey, "long-capture-button");
    }
    for (auto type : {Type::longFirst, Type::longSecond}) {
        const auto strip = Controls::modeStrip(*switches, type, 0, false);
        EXPECT_TRUE(strip.longSelected);
        EXPECT_EQ(strip.normalLabelKey, "normal-capture-button");
        EXPECT_EQ(strip.longLabelKey, "long-capture-button-selected");
    }
}

TEST(CaptureControls, LongButtonNarrowerThanTheNormalTitleGetsTheShortTitle) {
    EXPECT_EQ(Controls::longTitleKey(100, 100.5), "long-capture-button-short-title");
    EXPECT_EQ(Controls::longTitleKey(100, 100), "long-capture-button-title");
    EXPECT_EQ(Controls::longTitleKey(120, 80), "long-capture-button-title");
}

TEST(CaptureControls, ThumbnailShowsTheCountOutsideLongDocuments) {
    EXPECT_TRUE(Controls::previousPages(Type::normal, 0, false).hidden);
    const auto two = Controls::previousPages(Type::normal, 2, true);
    EXPECT_FALSE(two.hidden);
    EXPECT_EQ(two.countText, "2");
    EXPECT_FALSE(Controls::previousPages(Type::album, 1, true).hidden);
    EXPECT_TRUE(Controls::previousPages(Type::longSecond, 1, true).hidden);
    EXPECT_TRUE(Controls::previousPages(Type::normal, 1, false).hidden)
        << "no thumbnail without an image";
}

TEST(CaptureControls, PreviewHintOnlyForNormalDocuments) {
    EXPECT_EQ(Controls::previewHintKey(Type::normal),
              std::optional<std::string>("capture-detection-announcement"));
    EXPECT_EQ(Controls::previewHintKey(Type::longFirst), std::nullopt);
    EXPECT_EQ(Controls::previewHintKey(Type::album), std::nullopt);
}

}  // namespace
}  // namespace quorvel
