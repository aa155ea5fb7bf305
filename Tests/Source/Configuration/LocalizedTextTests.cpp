#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Configuration/LocalizedText.h"
#include "Support/TemporaryBundle.h"

namespace quorvel {
namespace {

using testsupport::TemporaryBundle;

std::optional<std::string> fill(std::string_view text, const std::vector<TextArgument>& arguments) {
    return LocalizedText::formatSafely(text, arguments);
}

TEST(LocalizedTextFormatting, FillsSequentialAndPositionalPlaceholders) {
    EXPECT_EQ(fill("Section %d of %d", {1, 2}), "Section 1 of 2");
    EXPECT_EQ(fill("Review pages, %@ taken", {std::string("3")}), "Review pages, 3 taken");
    EXPECT_EQ(fill("%s/%@", {std::string("a"), std::string("b")}), "a/b");
    // A translation may reorder its arguments.
    EXPECT_EQ(fill("%2$d pages, page %1$d", {1, 3}), "3 pages, page 1");
    EXPECT_EQ(fill("%1$@ and %1$@", {std::string("x")}), "x and x");
    EXPECT_EQ(fill("%ld%% done, %03d", {50, 7}), "50% done, 007");
    EXPECT_EQ(fill("%.1f", {2.25}), "2.2");
    EXPECT_EQ(fill("100%% plain", {}), "100% plain");
    // Arguments a text does not show are simply left out.
    EXPECT_EQ(fill("Pages", {1, 2}), "Pages");
}

TEST(LocalizedTextFormatting, RefusesHostileTextsInsteadOfReadingWrongArguments) {
    const std::vector<TextArgument> twoIntegers{1, 2};
    EXPECT_EQ(fill("Section %s of %d", twoIntegers), std::nullopt);  // text wanted, int given
    EXPECT_EQ(fill("Section %@ of %@", twoIntegers), std::nullopt);
    EXPECT_EQ(fill("Page %d", {std::string("1")}), std::nullopt);  // int wanted, text given
    EXPECT_EQ(fill("%d %d %d", twoIntegers), std::nullopt);        // too many placeholders
    EXPECT_EQ(fill("%n%d", twoIntegers), std::nullopt);            // writes memory in C
    EXPECT_EQ(fill("%3$d of %1$d", twoIntegers), std::nullopt);    // position out of range
    EXPECT_EQ(fill("%0$d", twoIntegers), std::nullopt);
    EXPECT_EQ(fill("%1$d of %d", twoIntegers), std::nullopt);  // mixed kinds
    EXPECT_EQ(fill("%*d", twoIntegers), std::nullopt);         // width from an argument
    EXPECT_EQ(fill("%p %c", twoIntegers), std::nullopt);
    EXPECT_EQ(fill("%ls", {std::string("x")}), std::nullopt);  // wide text
    EXPECT_EQ(fill("%{public}d", twoIntegers), std::nullopt);
    EXPECT_EQ(fill("50%", {}), std::nullopt);                   // lone percent at the end
    EXPECT_EQ(fill("%999999999d", twoIntegers), std::nullopt);  // megabytes of padding
    EXPECT_EQ(fill("%1000000000$d", twoIntegers), std::nullopt);
}

TEST(LocalizedTextFormatting, CountsTheArgumentsATextAsksFor) {
    EXPECT_EQ(LocalizedText::argumentCount("plain"), 0u);
    EXPECT_EQ(LocalizedText::argumentCount("%d of %d, 100%%"), 2u);
    EXPECT_EQ(LocalizedText::argumentCount("%3$@ %1$@"), 3u);
    EXPECT_EQ(LocalizedText::argumentCount("%n"), std::nullopt);
    EXPECT_EQ(LocalizedText::argumentCount("%1$d %d"), std::nullopt);
}

TEST(LocalizedTextCapitals, UpperCasesLettersOfLatinGreekAndCyrillicTexts) {
    EXPECT_EQ(LocalizedText::uppercased("add page"), "ADD PAGE");
    EXPECT_EQ(LocalizedText::uppercased("Seite hinzufügen, œuvre ÿ"), "SEITE HINZUFÜGEN, ŒUVRE Ÿ");
    EXPECT_EQ(LocalizedText::uppercased("łódź žaba"), "ŁÓDŹ ŽABA");
    EXPECT_EQ(LocalizedText::uppercased("σελίδα страница ёж"), "ΣΕΛΊΔΑ СТРАНИЦА ЁЖ");
    // Other scripts, signs and bytes that are not UTF-8 pass unchanged.
    EXPECT_EQ(LocalizedText::uppercased("ページ 3×4 \xff\xc3"), "ページ 3×4 \xff\xc3");
}

class LocalizedTextLookup : public ::testing::Test {
protected:
    TemporaryBundle host{"Host.bundle"};

    void writeHostTexts(std::string_view entries) { host.write("Localizable.strings", entries); }
};

TEST_F(LocalizedTextLookup, TakesTheHostTextThenTheFrameworkTextThenTheKey) {
    writeHostTexts("\"crop\" = \"Trim\";\n\"retake\" = \"retake\";\n");
    const auto bundle = host.bundle();
    EXPECT_EQ(LocalizedText::lookup("crop", bundle), "Trim");
    // A host entry that answers its own key counts as missing.
    EXPECT_EQ(LocalizedText::lookup("retake", bundle), "Retake");
    EXPECT_EQ(LocalizedText::lookup("back", bundle), "Back");
    EXPECT_EQ(LocalizedText::lookup("back", nullptr), "Back");
    EXPECT_EQ(LocalizedText::lookup("no-such-key", bundle), "no-such-key");
}

TEST_F(LocalizedTextLookup, AHostFormatThatDoesNotFitGivesWayToTheFrameworkText) {
    writeHostTexts(
        "\"long-capture-toast\" = \"Teil %s von %@\";\n"
        "\"image-preview-headline\" = \"Seite %2$d/%1$d\";\n"
        "\"capture-preview-current-selected-page\" = \"%d %d %d %n\";\n");
    const auto bundle = host.bundle();
    platform::ScopedLogCapture log;

    EXPECT_EQ(LocalizedText::format("image-preview-headline", bundle, {1, 3}), "Seite 3/1");
    EXPECT_TRUE(log.messages().empty());

    EXPECT_EQ(LocalizedText::format("long-capture-toast", bundle, {2, 2}),
              "Long receipt: section 2 of 2");
    EXPECT_EQ(LocalizedText::format("capture-preview-current-selected-page", bundle, {1, 2}),
              "Showing page 1 of 2");
    EXPECT_THAT(log.messages(),
                ::testing::ElementsAre(
                    "The text for \"long-capture-toast\" does not fit its 2 argument(s); the "
                    "framework's text is used",
                    "The text for \"capture-preview-current-selected-page\" does not fit its 2 "
                    "argument(s); the framework's text is used"));
}

TEST_F(LocalizedTextLookup, FallsBackToTheKeyWhenNoTextFits) {
    // The framework's own table replaced by a scratch one whose format does not fit either.
    TemporaryBundle framework("Framework");
    framework.write("QuorvelCaptureResources.bundle/Localizable.strings",
                    "\"long-capture-toast\" = \"%@ %@\";\n");
    platform::Bundle::setFrameworkOverride(framework.bundle());
    writeHostTexts("\"long-capture-toast\" = \"%d %d %d\";\n");
    platform::ScopedLogCapture log;
    const std::string text = LocalizedText::format("long-capture-toast", host.bundle(), {1, 2});
    const std::string missing = LocalizedText::format("no-such-key", host.bundle(), {1, 2});
    platform::Bundle::setFrameworkOverride(nullptr);

    EXPECT_EQ(text, "long-capture-toast");
    EXPECT_EQ(missing, "no-such-key");
    EXPECT_THAT(log.messages(), ::testing::ElementsAre("The text for \"long-capture-toast\" does "
                                                       "not fit its 2 argument(s); the key is "
                                                       "used"));
}

}  // namespace
}  // namespace quorvel
