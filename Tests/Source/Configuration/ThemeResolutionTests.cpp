#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Support/BlockingReads.h"
#include "Support/ThemeFixtures.h"

namespace quorvel {
namespace {

using quorvel::platform::Color;
using testsupport::categorized;
using testsupport::TemporaryBundle;

const std::string baseMissing =
    "quorvelthemes: QuorvelConfiguration.plist was not found. If this is unexpected, verify a "
    "provided bundle";
const std::string baseUndecoded =
    "quorvelthemes: QuorvelConfiguration.plist was not found, or it doesn't contain required "
    "theme properties";
const std::string fontsMissing =
    "quorvelthemes: QuorvelConfiguration.plist was not found, or contains no font definitions. "
    "Default fonts will be used";
const std::string captureMissing =
    "capture: QuorvelConfiguration.plist was not found, or doesn't contain a CaptureTheme "
    "definition. Default theme will be used.";

Color resourceColor(const char* name) {
    auto color = quorvel::platform::AssetCatalog::color(name, ResourceBundle::resources());
    EXPECT_TRUE(color) << name;
    return color.value_or(Color{});
}

const Color hostRed{1, 0, 0, 1};
const Color hostGreen{0, 1, 0, 0.5};

class ThemeResolution : public ::testing::Test {
protected:
    quorvel::platform::ScopedLogCapture log;
};

TEST_F(ThemeResolution, NoBundleTakesEveryBaseColourFromTheResourceBundle) {
    DefaultTheme theme{std::shared_ptr<quorvel::platform::Bundle>{}};
    for (const auto& [field, name] : DefaultTheme::colorFields()) {
        EXPECT_EQ(theme.*field, resourceColor(name)) << name;
    }
    EXPECT_EQ(theme.bundle(), nullptr);
    EXPECT_FALSE(theme.plistData());
    EXPECT_EQ(theme.primaryButtonCornerRadius(), 24);
    EXPECT_EQ(theme.primaryButtonHeight(), 48);
    EXPECT_EQ(theme.primaryButtonWidth(), 138);
    EXPECT_EQ(theme.secondaryButtonCornerRadius(), 0);
    EXPECT_EQ(theme.secondaryButtonHeight(), 48);
    EXPECT_EQ(theme.secondaryButtonWidth(), 138);
    ASSERT_NE(theme.fonts(), nullptr);
    EXPECT_EQ(categorized(log.records()),
              (std::vector<std::string>{baseMissing, baseUndecoded, fontsMissing}));
}

TEST_F(ThemeResolution, MainBundleAnswersBeforeTheResourceBundleWhenNoBundleIsGiven) {
    TemporaryBundle app("App");
    testsupport::writeColorAssets(app, {{"errorBackground", hostRed}});
    quorvel::platform::Bundle::setMain(app.bundle());
    DefaultTheme theme{std::shared_ptr<quorvel::platform::Bundle>{}};
    quorvel::platform::Bundle::setMain(nullptr);
    EXPECT_EQ(theme.errorBackground, hostRed);
    EXPECT_EQ(theme.errorForeground, resourceColor("errorForeground"));
}

TEST_F(ThemeResolution, HostColourWinsAndTheRestComeFromTheResourceBundle) {
    TemporaryBundle host;
    testsupport::writeColorAssets(host, {{"primaryBrandBackground2", hostRed}});
    DefaultTheme theme{host.bundle()};
    EXPECT_EQ(theme.primaryBrandBackground2, hostRed);
    EXPECT_EQ(theme.primaryBrandBackground, resourceColor("primaryBrandBackground"));
    EXPECT_EQ(theme.uiSecondaryForeground, resourceColor("uiSecondaryForeground"));
}

TEST_F(ThemeResolution, SingleBaseMetricIsReadWithoutAnyBaseMessage) {
    TemporaryBundle host;
    testsupport::writeConfiguration(host, "<key>primaryButtonHeight</key><integer>44</integer>");
    DefaultTheme theme{host.bundle()};
    EXPECT_EQ(theme.primaryButtonHeight(), 44);
    EXPECT_EQ(theme.primaryButtonCornerRadius(), 24);
    EXPECT_EQ(theme.secondaryButtonWidth(), 138);
    ASSERT_TRUE(theme.plistData());
    EXPECT_TRUE(log.records().empty()) << "a file without font keys still decodes";
}

TEST_F(ThemeResolution, CopyTakesMetricsOverAndLooksUpClearedColours) {
    TemporaryBundle host;
    testsupport::writeConfiguration(host, "<key>primaryButtonWidth</key><real>200</real>");
    testsupport::writeColorAssets(host,
                                  {{"errorBackground", hostRed}, {"surfaceBackground", hostGreen}});
    auto original = std::make_shared<DefaultTheme>(host.bundle());
    original->errorBackground.reset();
    original->surfaceForeground = hostGreen;

    DefaultTheme copy{std::shared_ptr<const DefaultTheme>(original)};
    EXPECT_EQ(copy.bundle(), host.bundle());
    EXPECT_TRUE(copy.plistData());
    EXPECT_EQ(copy.primaryButtonWidth(), 200);
    EXPECT_EQ(copy.surfaceForeground, hostGreen);
    // A cleared colour is not looked up in the copied theme's bundle.
    EXPECT_EQ(copy.errorBackground, resourceColor("errorBackground"));
    EXPECT_NE(copy.fonts(), original->fonts());
}

TEST_F(ThemeResolution, DecodedThemeFromANonDictionaryRootKeepsDefaults) {
    quorvel::platform::Decoder decoder{
        quorvel::platform::PropertyListValue{quorvel::platform::PropertyListValue::Array{}}};
    DefaultTheme theme{decoder};
    EXPECT_EQ(theme.primaryButtonWidth(), 138);
    EXPECT_FALSE(theme.errorBackground);
    EXPECT_EQ(theme.fonts(), nullptr);
    EXPECT_EQ(theme.bundle(), nullptr);
}

TEST_F(ThemeResolution, CopyOfADecodedThemeGetsDefaultFonts) {
    quorvel::platform::Decoder decoder{quorvel::platform::PropertyListValue{}};
    auto decoded = std::make_shared<const CaptureTheme>(decoder);
    CaptureTheme copy{std::shared_ptr<const DefaultTheme>(decoded)};
    ASSERT_NE(copy.fonts(), nullptr);
    EXPECT_EQ(copy.fonts()->body().pointSize(), 16);
    EXPECT_EQ(copy.primaryBrandBackground, resourceColor("primaryBrandBackground"));
}

TEST_F(ThemeResolution, CaptureThemeWithoutAssetsFallsBackToBaseColours) {
    TemporaryBundle host;
    CaptureTheme theme{host.bundle()};
    EXPECT_EQ(theme.captureBackgroundColor, theme.uiSecondaryBackground);
    EXPECT_EQ(theme.detectionStrokeColor, theme.primaryBrandBackground);
    EXPECT_EQ(theme.detectionFillColor, theme.primaryBrandBackground->withAlpha(0.25));
    EXPECT_EQ(theme.captureCircleFillColor, Color::clear());
    EXPECT_EQ(theme.toastBackgroundColor, theme.uiSecondaryBackground->withAlpha(0.45));
    EXPECT_EQ(theme.autoCaptureDisabledButtonTextColor, theme.disabledBackground);
    EXPECT_EQ(theme.capturePreviewCurrentPageControlColor, theme.primaryBrandBackground2);
    EXPECT_EQ(theme.capturePageCountBackgroundColor, theme.errorBackground);
    EXPECT_EQ(categorized(log.records()),
              (std::vector<std::string>{baseMissing, baseUndecoded, fontsMissing, captureMissing}));
}

TEST_F(ThemeResolution, RenamedCaptureAssetsAreTheOnlyOnesConsulted) {
    TemporaryBundle host;
    testsupport::writeColorAssets(host, {{"capturePermissionButtonBackgroundColor", hostRed},
                                         {"capturePreviewDoneButtonTextColor", hostGreen},
                                         {"capturePreviewPageIndicatorColor", hostGreen},
                                         {"capturePreviewCurrentPageControlColor", hostRed},
                                         {"detectionFillColor", hostGreen}});
    CaptureTheme theme{host.bundle()};
    EXPECT_EQ(theme.capturePermissionButtonBackgroundColor, hostRed);
    EXPECT_EQ(theme.capturePreviewDoneButtonBackgroundColor, hostRed);
    EXPECT_EQ(theme.capturePreviewDoneButtonTextColor, theme.primaryBrandForeground2);
    EXPECT_EQ(theme.capturePreviewCurrentPageControlColor, hostGreen);
    EXPECT_EQ(theme.detectionFillColor, hostGreen) << "an asset keeps its own alpha";
}

TEST_F(ThemeResolution, CaptureMetricsFollowTheirLinkedBaseMetrics) {
    TemporaryBundle host;
    testsupport::writeConfiguration(host,
                                    "<key>primaryButtonCornerRadius</key><integer>10</integer>"
                                    "<key>secondaryButtonCornerRadius</key><real>5</real>"
                                    "<key>primaryButtonWidth</key><real>300</real>"
                                    "<key>toastCornerRadius</key><string>12</string>"
                                    "<key>captureCircleLineWidth</key><real>0</real>");
    CaptureTheme theme{host.bundle()};
    EXPECT_EQ(theme.cropDoneButtonCornerRadius, 10);
    EXPECT_EQ(theme.capturePermissionButtonCornerRadius, 10);
    EXPECT_EQ(theme.capturePreviewDoneButtonCornerRadius, 10);
    EXPECT_EQ(theme.autoCaptureButtonCornerRadius, 5);
    EXPECT_EQ(theme.cropCancelButtonCornerRadius, 5);
    EXPECT_EQ(theme.cropDoneButtonWidth, 300) << "values are used unchanged";
    EXPECT_EQ(theme.capturePreviewDoneButtonHeight, 48);
    EXPECT_EQ(theme.detectionLineWidth, 4);
    EXPECT_EQ(theme.toastCornerRadius, 24) << "a string is not a number";
    EXPECT_EQ(theme.captureCircleLineWidth, 0);
    EXPECT_TRUE(log.records().empty());
}

TEST_F(ThemeResolution, UnreadableConfigurationLogsTheDecodingMessagesOnly) {
    TemporaryBundle host;
    host.write("QuorvelConfiguration.plist", "this is not a property list");
    CaptureTheme theme{host.bundle()};
    EXPECT_EQ(theme.cropDoneButtonCornerRadius, 24);
    EXPECT_EQ(categorized(log.records()),
              (std::vector<std::string>{
                  "quorvelthemes: QuorvelConfiguration.plist is not a property list: it is not "
                  "well-formed XML: No document element found (at byte 27)",
                  baseUndecoded, fontsMissing, captureMissing}));
}

TEST_F(ThemeResolution, ConfigurationThatIsAFifoIsNotWaitedFor) {
    TemporaryBundle host;
    const auto fifo = host.makeFifo("QuorvelConfiguration.plist");
    std::shared_ptr<CaptureTheme> theme;
    EXPECT_TRUE(testsupport::returnsWithoutAWriter(
        fifo, [&] { theme = std::make_shared<CaptureTheme>(host.bundle()); }));
    ASSERT_TRUE(theme);
    EXPECT_FALSE(theme->plistData());
    EXPECT_EQ(theme->cropDoneButtonCornerRadius, 24);
    EXPECT_EQ(categorized(log.records()).front(),
              "quorvelthemes: QuorvelConfiguration.plist could not be read: it is not a regular "
              "file");
}

TEST_F(ThemeResolution, NumbersNoDesignerWouldGiveFallBackEachWithOneLineNamingTheKey) {
    TemporaryBundle host;
    testsupport::writeConfiguration(host,
                                    "<key>primaryButtonHeight</key><real>1e6</real>"
                                    "<key>capturePreviewDoneButtonHeight</key><real>nan</real>"
                                    "<key>detectionLineWidth</key><integer>-2</integer>"
                                    "<key>toastCornerRadius</key><real>-infinity</real>"
                                    "<key>bodySize</key><real>1e300</real>"
                                    "<key>headlineSize</key><real>+infinity</real>"
                                    "<key>cropDoneButtonWidth</key><integer>0</integer>"
                                    "<key>captureCircleLineWidth</key><real>0.5</real>"
                                    "<key>cropCornerPointDiameter</key><real>44</real>"
                                    "<key>titleSize</key><real>199</real>");
    CaptureTheme theme{host.bundle()};
    EXPECT_EQ(theme.primaryButtonHeight(), 48);
    EXPECT_EQ(theme.capturePreviewDoneButtonHeight, 48);
    EXPECT_EQ(theme.capturePermissionButtonHeight, 48);
    EXPECT_EQ(theme.detectionLineWidth, 4);
    EXPECT_EQ(theme.toastCornerRadius, 24);
    EXPECT_EQ(theme.fonts()->body().pointSize(), 16);
    EXPECT_EQ(theme.fonts()->headline().pointSize(), 16);
    // Every sane value is kept as it is, however unusual.
    EXPECT_EQ(theme.cropDoneButtonWidth, 0);
    EXPECT_EQ(theme.captureCircleLineWidth, 0.5);
    EXPECT_EQ(theme.cropCornerPointDiameter, 44);
    EXPECT_EQ(theme.fonts()->title().pointSize(), 199);
    const std::string file = "QuorvelConfiguration.plist: ";
    EXPECT_EQ(categorized(log.records()),
              (std::vector<std::string>{
                  "quorvelthemes: " + file +
                      "primaryButtonHeight is 1e+06, outside 0 to 200; it is left at its default",
                  "quorvelthemes: " + file +
                      "bodySize is 1e+300, outside 1 to 200; it is left at its default",
                  "quorvelthemes: " + file +
                      "headlineSize is inf, outside 1 to 200; it is left at its default",
                  "capture: " + file +
                      "detectionLineWidth is -2, outside 0 to 50; it is left at its default",
                  "capture: " + file +
                      "capturePreviewDoneButtonHeight is nan, outside 0 to 200; it is left at its "
                      "default",
                  "capture: " + file +
                      "toastCornerRadius is -inf, outside 0 to 500; it is left at its default",
              }));
}

TEST_F(ThemeResolution, ConfigurationThatCannotBeUsedIsLoggedWithTheReasonNotAsMissing) {
    TemporaryBundle directory;
    directory.makeDirectory("QuorvelConfiguration.plist");
    CaptureTheme unread{directory.bundle()};
    EXPECT_FALSE(unread.plistData());
    EXPECT_EQ(categorized(log.records()),
              (std::vector<std::string>{
                  "quorvelthemes: QuorvelConfiguration.plist could not be read: it is a directory",
                  baseUndecoded, fontsMissing, captureMissing}));

    // A list far over the size limit is refused from its size, before any of it is read.
    log.clear();
    TemporaryBundle huge;
    std::filesystem::resize_file(huge.write("QuorvelConfiguration.plist", ""), 50 << 20);
    CaptureTheme theme{huge.bundle()};
    EXPECT_FALSE(theme.plistData());
    EXPECT_EQ(categorized(log.records()).front(),
              "quorvelthemes: QuorvelConfiguration.plist could not be read: it holds 52428800 "
              "bytes, more than the 1048576 allowed");
}

TEST_F(ThemeResolution, EmptyDictionaryOrArrayRootKeepsDefaultsSilently) {
    for (const char* body : {"<dict/>", "<array><integer>1</integer></array>"}) {
        TemporaryBundle host;
        host.writePropertyList("QuorvelConfiguration.plist", body);
        CaptureTheme theme{host.bundle()};
        EXPECT_EQ(theme.primaryButtonCornerRadius(), 24);
        EXPECT_EQ(theme.capturePermissionButtonWidth, 138);
        EXPECT_EQ(theme.fonts()->largeTitle().pointSize(), 30);
    }
    EXPECT_TRUE(log.records().empty());
}

TEST_F(ThemeResolution, ThemeBuiltOnDefaultsUsesThatThemesBundle) {
    TemporaryBundle host;
    testsupport::writeColorAssets(host, {{"toastTitleColor", hostRed}});
    testsupport::writeConfiguration(host, "<key>cropEdgeTouchThreshold</key><real>70</real>");
    auto base = std::make_shared<const DefaultTheme>(host.bundle());
    CaptureTheme theme{base};
    EXPECT_EQ(theme.toastTitleColor, hostRed);
    EXPECT_EQ(theme.cropEdgeTouchThreshold, 70);
}

TEST(ThemeResolutionDeathTest, BaseColourMissingEverywhereStopsTheProgram) {
    TemporaryBundle emptyFramework("Framework");
    EXPECT_DEATH(
        {
            quorvel::platform::Bundle::setFrameworkOverride(emptyFramework.bundle());
            DefaultTheme theme{std::shared_ptr<quorvel::platform::Bundle>{}};
        },
        "disabledBackground");
}

}  // namespace
}  // namespace quorvel
