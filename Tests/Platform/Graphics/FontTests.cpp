#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/FontMetrics.h"
#include "Platform/Graphics/FontRegistry.h"
#include "Support/TemporaryBundle.h"

namespace {

using quorvel::platform::ContentSizeCategory;
using quorvel::platform::Font;
using quorvel::platform::FontMetrics;
using quorvel::platform::FontRegistry;
using quorvel::platform::FontWeight;
using quorvel::platform::TextSizeSetting;
using quorvel::platform::TextStyle;
using quorvel::testsupport::TemporaryBundle;

TEST(Font, SystemFontMapsWeightsOntoTheTwoSystemFaces) {
    EXPECT_EQ(Font::systemFont(12).fontName(), "DejaVuSans");
    EXPECT_EQ(Font::systemFont(12, FontWeight::medium).fontName(), "DejaVuSans");
    EXPECT_EQ(Font::systemFont(12, FontWeight::semibold).fontName(), "DejaVuSans-Bold");
    EXPECT_EQ(Font::systemFont(12, FontWeight::bold).fontName(), "DejaVuSans-Bold");
    // The weight asked for is kept even where the face is shared.
    EXPECT_NE(Font::systemFont(12, FontWeight::semibold), Font::systemFont(12, FontWeight::bold));
    EXPECT_EQ(Font::systemFont(12, FontWeight::bold).weight(), FontWeight::bold);
}

TEST(Font, WithSizeChangesOnlyTheSize) {
    const Font font = Font::systemFont(12, FontWeight::semibold);
    const Font bigger = font.withSize(30);
    EXPECT_EQ(bigger.pointSize(), 30);
    EXPECT_EQ(bigger.fontName(), font.fontName());
    EXPECT_EQ(bigger.weight(), font.weight());
    EXPECT_EQ(bigger.withSize(12), font);
}

TEST(Font, NamedFindsSystemFacesAndRefusesUnknownNames) {
    const auto font = Font::named("DejaVuSans-Bold", 15);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->fontName(), "DejaVuSans-Bold");
    EXPECT_EQ(font->pointSize(), 15);
    EXPECT_EQ(font->weight(), FontWeight::bold);
    EXPECT_FALSE(Font::named("NoSuchFace-Regular", 15).has_value());
    EXPECT_FALSE(Font::named("", 15).has_value());
    EXPECT_FALSE(Font::named("dejavusans", 15).has_value());  // names match exactly
}

TEST(FontRegistry, KnowsTheInstalledSystemFaceByItsFile) {
    auto& registry = FontRegistry::shared();
    ASSERT_TRUE(registry.contains("DejaVuSans"));
    const auto file = registry.fileFor("DejaVuSans");
    ASSERT_TRUE(file.has_value()) << "fonts-dejavu-core should be installed";
    EXPECT_TRUE(std::filesystem::exists(*file));
    EXPECT_FALSE(registry.fileFor("NoSuchFace").has_value());
}

TEST(FontRegistry, FullNamesFindTheSameFaceAsPostScriptNames) {
    auto& registry = FontRegistry::shared();
    const auto byFullName = registry.face("DejaVu Sans Bold");
    ASSERT_TRUE(byFullName.has_value());
    EXPECT_EQ(byFullName->postScriptName, "DejaVuSans-Bold");
    EXPECT_EQ(byFullName->weight, FontWeight::bold);
    EXPECT_EQ(byFullName, registry.face("DejaVuSans-Bold"));
    ASSERT_TRUE(Font::named("DejaVu Sans Bold", 10).has_value());
    EXPECT_EQ(Font::named("DejaVu Sans Bold", 10)->fontName(), "DejaVuSans-Bold");
}

TEST(FontRegistry, RegisteredFileTakesItsFacesNames) {
    auto& registry = FontRegistry::shared();
    const auto installed = registry.fileFor("DejaVuSansMono-Bold");
    if (!installed) {
        GTEST_SKIP() << "DejaVu Sans Mono Bold is not installed";
    }
    TemporaryBundle fonts("Fonts");
    const auto copy = fonts.path() / "HostMono.ttf";
    std::filesystem::copy_file(*installed, copy);

    ASSERT_TRUE(registry.registerFontFile(copy));
    EXPECT_EQ(registry.fileFor("DejaVuSansMono-Bold"), std::filesystem::absolute(copy));
    EXPECT_EQ(registry.fileFor("DejaVu Sans Mono Bold"), std::filesystem::absolute(copy));
    EXPECT_EQ(registry.face("DejaVuSansMono-Bold")->weight, FontWeight::bold);

    // Give the name back to the installed file before the copy goes away.
    ASSERT_TRUE(registry.registerFontFile(*installed));
    EXPECT_EQ(registry.fileFor("DejaVuSansMono-Bold"), installed);
}

TEST(FontRegistry, RegisteringSomethingThatIsNoFontFails) {
    TemporaryBundle fonts("Fonts");
    const auto garbage = fonts.write("Broken.ttf", "this is not a font file at all");
    auto& registry = FontRegistry::shared();
    EXPECT_FALSE(registry.registerFontFile(garbage));
    EXPECT_FALSE(registry.registerFontFile(fonts.path() / "Missing.ttf"));
    EXPECT_FALSE(registry.registerFontFile(fonts.path()));
    EXPECT_FALSE(registry.contains("Broken"));
}

TEST(FontRegistry, AnswersFromSeveralThreadsAtOnce) {
    std::atomic<int> found{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&found] {
            for (int j = 0; j < 50; ++j) {
                if (FontRegistry::shared().contains("DejaVuSans-Bold")) {
                    ++found;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(found.load(), 8 * 50);
}

// Puts the text-size setting back to the platform's default after each test.
class FontMetricsTest : public ::testing::Test {
protected:
    void TearDown() override { TextSizeSetting::set(ContentSizeCategory::large); }
};

TEST_F(FontMetricsTest, DefaultSizeScalesByExactlyOne) {
    EXPECT_EQ(FontMetrics::factor(ContentSizeCategory::large), 1.0);
    TextSizeSetting::set(ContentSizeCategory::large);
    const Font font = Font::systemFont(17.3, FontWeight::semibold);
    EXPECT_EQ(FontMetrics(TextStyle::body).scaledFont(font), font);
    EXPECT_EQ(FontMetrics(TextStyle::caption2).scaledValue(11.7), 11.7);
}

TEST_F(FontMetricsTest, AccessibilityLargeDoublesExactly) {
    EXPECT_EQ(FontMetrics::factor(ContentSizeCategory::accessibilityLarge), 2.0);
    TextSizeSetting::set(ContentSizeCategory::accessibilityLarge);
    const Font scaled = FontMetrics(TextStyle::headline).scaledFont(Font::systemFont(16));
    EXPECT_EQ(scaled.pointSize(), 32);
    EXPECT_EQ(scaled.fontName(), "DejaVuSans");
}

TEST_F(FontMetricsTest, FactorsGrowWithTheSettingAndMatchTheTable) {
    const std::vector<std::pair<ContentSizeCategory, double>> table{
        {ContentSizeCategory::extraSmall, 0.82},
        {ContentSizeCategory::small, 0.88},
        {ContentSizeCategory::medium, 0.94},
        {ContentSizeCategory::large, 1.0},
        {ContentSizeCategory::extraLarge, 1.12},
        {ContentSizeCategory::extraExtraLarge, 1.24},
        {ContentSizeCategory::extraExtraExtraLarge, 1.35},
        {ContentSizeCategory::accessibilityMedium, 1.65},
        {ContentSizeCategory::accessibilityLarge, 2.0},
        {ContentSizeCategory::accessibilityExtraLarge, 2.35},
        {ContentSizeCategory::accessibilityExtraExtraLarge, 2.76},
        {ContentSizeCategory::accessibilityExtraExtraExtraLarge, 3.12},
    };
    double previous = 0;
    for (const auto& [category, factor] : table) {
        EXPECT_EQ(FontMetrics::factor(category), factor);
        EXPECT_GT(factor, previous);
        previous = factor;
    }
}

TEST_F(FontMetricsTest, EveryStyleFollowsTheCurrentSetting) {
    TextSizeSetting::set(ContentSizeCategory::extraSmall);
    for (TextStyle style : {TextStyle::body, TextStyle::largeTitle, TextStyle::caption1}) {
        EXPECT_DOUBLE_EQ(FontMetrics(style).scaledValue(100), 82);
    }
    TextSizeSetting::set(ContentSizeCategory::accessibilityExtraExtraExtraLarge);
    EXPECT_DOUBLE_EQ(FontMetrics(TextStyle::footnote).scaledValue(10), 31.2);
    const auto named = Font::named("DejaVu Sans Bold", 10);
    ASSERT_TRUE(named.has_value());
    const Font scaled = FontMetrics(TextStyle::callout).scaledFont(*named);
    EXPECT_DOUBLE_EQ(scaled.pointSize(), 31.2);
    EXPECT_EQ(scaled.fontName(), "DejaVuSans-Bold");
}

}  // namespace
