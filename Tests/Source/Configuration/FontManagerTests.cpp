#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Configuration/FontManager.h"
#include "Support/ThemeFixtures.h"

namespace quorvel {
namespace {

using quorvel::platform::ContentSizeCategory;
using quorvel::platform::Font;
using quorvel::platform::FontWeight;
using testsupport::TemporaryBundle;

class FontManagerTest : public ::testing::Test {
protected:
    ~FontManagerTest() override {
        quorvel::platform::TextSizeSetting::set(ContentSizeCategory::large);
    }

    std::shared_ptr<FontManager> fromConfiguration(std::string_view entries) {
        testsupport::writeConfiguration(host, entries);
        return std::make_shared<FontManager>(host.bundle());
    }

    quorvel::platform::ScopedLogCapture log;
    TemporaryBundle host;
};

TEST_F(FontManagerTest, NoBundleGivesSystemFontsAtDefaultSizesAndOneMessage) {
    FontManager fonts{std::shared_ptr<quorvel::platform::Bundle>{}};
    EXPECT_EQ(fonts.body(), Font::systemFont(16, FontWeight::regular));
    EXPECT_EQ(fonts.headline(), Font::systemFont(16, FontWeight::semibold));
    EXPECT_EQ(fonts.subhead().pointSize(), 14);
    EXPECT_EQ(fonts.largeTitle(), Font::systemFont(30, FontWeight::bold));
    EXPECT_EQ(fonts.title().pointSize(), 24);
    EXPECT_EQ(fonts.titleTwo(), Font::systemFont(18, FontWeight::bold));
    EXPECT_EQ(fonts.titleThree().pointSize(), 18);
    EXPECT_EQ(fonts.footnote().pointSize(), 13);
    EXPECT_EQ(fonts.callout(), Font::systemFont(16, FontWeight::semibold));
    EXPECT_EQ(fonts.captionOne(), Font::systemFont(12, FontWeight::semibold));
    EXPECT_EQ(fonts.captionTwo(), Font::systemFont(10, FontWeight::bold));
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0],
              "QuorvelConfiguration.plist was not found, or contains no font definitions. Default "
              "fonts will be used");
}

TEST_F(FontManagerTest, ReadsOnlyTheKeysItKnows) {
    auto fonts = fromConfiguration(
        "<key>headlineSize</key><integer>20</integer>"
        "<key>largeTitleSize</key><real>40</real>"
        "<key>footnoteSize</key><string>9</string>"
        "<key>calloutName</key><integer>3</integer>"
        "<key>regularFontName</key><string>DejaVuSans-Bold</string>");
    EXPECT_EQ(fonts->headline(), Font::systemFont(20, FontWeight::semibold));
    EXPECT_EQ(fonts->largeTitle().pointSize(), 30) << "the key is spelled largetTitleSize";
    EXPECT_EQ(fonts->footnote().pointSize(), 13);
    EXPECT_EQ(fonts->callout(), Font::systemFont(16, FontWeight::semibold));
    EXPECT_EQ(fonts->body(), Font::systemFont(16, FontWeight::regular));
    EXPECT_TRUE(log.records().empty());

    auto spelled = fromConfiguration("<key>largetTitleSize</key><real>40</real>");
    EXPECT_EQ(spelled->largeTitle().pointSize(), 40);
}

TEST_F(FontManagerTest, UnknownFontNameFallsBackToTheStylesWeight) {
    auto fonts = fromConfiguration(
        "<key>bodyName</key><string>NoSuchFont-Regular</string><key>bodySize</key><real>15</real>"
        "<key>titleName</key><string>DejaVuSans-Bold</string>");
    EXPECT_EQ(fonts->body(), fonts->defaultFontSet->regular().withSize(15));
    EXPECT_EQ(fonts->title().fontName(), "DejaVuSans-Bold");
    EXPECT_EQ(fonts->title().pointSize(), 24);
}

TEST_F(FontManagerTest, TextSizeScalingIsCappedAtTwiceTheConfiguredSize) {
    FontManager fonts{std::shared_ptr<quorvel::platform::Bundle>{}};
    quorvel::platform::TextSizeSetting::set(ContentSizeCategory::extraExtraLarge);
    EXPECT_DOUBLE_EQ(fonts.body().pointSize(), 16 * 1.24);
    quorvel::platform::TextSizeSetting::set(ContentSizeCategory::accessibilityLarge);
    EXPECT_EQ(fonts.body().pointSize(), 32) << "exactly twice stays scaled";
    quorvel::platform::TextSizeSetting::set(ContentSizeCategory::accessibilityExtraExtraExtraLarge);
    EXPECT_EQ(fonts.body().pointSize(), 32);
    EXPECT_EQ(fonts.captionTwo().pointSize(), 20);
}

TEST_F(FontManagerTest, SettingAFontStoresItsNameAndSize) {
    FontManager fonts{std::shared_ptr<quorvel::platform::Bundle>{}};
    fonts.setHeadline(Font::systemFont(22, FontWeight::bold));
    EXPECT_EQ(fonts.headline().fontName(), "DejaVuSans-Bold");
    EXPECT_EQ(fonts.headline().pointSize(), 22);
    quorvel::platform::TextSizeSetting::set(ContentSizeCategory::extraLarge);
    EXPECT_DOUBLE_EQ(fonts.headline().pointSize(), 22 * 1.12) << "fonts are built on every read";
}

TEST_F(FontManagerTest, CopySharesTheReplacedFallbackSet) {
    FontManager fonts{std::shared_ptr<quorvel::platform::Bundle>{}};
    auto set = std::make_shared<FontSet>(Font::systemFont(9, FontWeight::bold),
                                         Font::systemFont(9, FontWeight::regular));
    fonts.defaultFontSet = set;
    fonts.setFootnote(Font::systemFont(11));
    FontManager copy{fonts};
    EXPECT_EQ(copy.defaultFontSet, set);
    EXPECT_EQ(copy.body(), set->regular().withSize(16));
    EXPECT_EQ(copy.headline(), set->semibold().withSize(16));
    EXPECT_EQ(copy.footnote().pointSize(), 11);
}

TEST(FontSet, DefaultSetIsTheSystemFontAtTwelvePoints) {
    auto set = FontSet::getInstance();
    EXPECT_NE(set, FontSet::getInstance());
    EXPECT_EQ(set->regular(), Font::systemFont(12, FontWeight::regular));
    EXPECT_EQ(set->semibold(), Font::systemFont(12, FontWeight::semibold));
    EXPECT_EQ(set->bold(), Font::systemFont(12, FontWeight::bold));
}

TEST(FontScaledSize, FactorAndRange) {
    const Font font = Font::systemFont(17);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FontManager::getScaledSize(font, 0.5, 0, inf), 8);
    EXPECT_EQ(FontManager::getScaledSize(font, 1, 0, inf), 17);
    EXPECT_EQ(FontManager::getScaledSize(font, -0.1, 0, inf), 17);
    EXPECT_EQ(FontManager::getScaledSize(font, std::nan(""), 0, inf), 17);
    EXPECT_EQ(FontManager::getScaledSize(font, 0.5, 9, 12), 9);
    EXPECT_EQ(FontManager::getScaledSize(font, 1, 9, 12), 12);
    EXPECT_EQ(FontManager::getScaledSize(font, 0.7, 9, 12), 11);
}

}  // namespace
}  // namespace quorvel
