#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "Platform/Log/LogArgument.h"
#include "Platform/Log/LogFormatter.h"

namespace quorvel::platform {
namespace {

template <class... Args>
std::string format(std::string_view text, const Args&... args) {
    const std::array<LogArgument, sizeof...(Args)> arguments{LogArgument(args)...};
    return LogFormatter::format(text, arguments);
}

struct Page {
    int number;
    std::string description() const { return "Page " + std::to_string(number); }
};

enum class Flash { off = 0, on = 1, automatic = 2 };

TEST(LogFormatterTest, TextPlaceholderTakesEveryKindOfText) {
    const std::string owned = "QuorvelConfiguration";
    const std::string_view view = "view";
    const char* pointer = "pointer";
    EXPECT_EQ(format("%s.plist was not found", owned), "QuorvelConfiguration.plist was not found");
    EXPECT_EQ(format("%s|%s|%s", view, pointer, "literal"), "view|pointer|literal");
    const char* nothing = nullptr;
    EXPECT_EQ(format("[%s]", nothing), "[(null)]");
    EXPECT_EQ(format("[%s]", std::string()), "[]");
}

TEST(LogFormatterTest, IntegerPlaceholderTakesEveryIntegerType) {
    EXPECT_EQ(format("Dismiss and return %d image(s)", 3), "Dismiss and return 3 image(s)");
    EXPECT_EQ(format("%d %i", -7, std::int64_t{-9000000000}), "-7 -9000000000");
    EXPECT_EQ(format("%d", std::uint64_t{18446744073709551615u}), "18446744073709551615");
    EXPECT_EQ(format("%d", std::size_t{42}), "42");
    EXPECT_EQ(format("%d %d", short{5}, static_cast<unsigned char>(200)), "5 200");
    EXPECT_EQ(format("%d", Flash::automatic), "2");
    EXPECT_EQ(format("%d/%d", true, false), "1/0");
}

TEST(LogFormatterTest, ObjectPlaceholderTakesDescriptionsErrorsAndText) {
    EXPECT_EQ(format("%@", Page{2}), "Page 2");
    EXPECT_EQ(format("Failed to toggle torch state: %@", std::runtime_error("Device has no torch")),
              "Failed to toggle torch state: Device has no torch");
    const std::error_code code = std::make_error_code(std::errc::permission_denied);
    EXPECT_EQ(format("%@", code), code.message());
    EXPECT_EQ(format("%@", "plain text"), "plain text");
    EXPECT_EQ(format("%@", std::make_shared<Page>(Page{7})), "Page 7");
    EXPECT_EQ(format("%@", std::shared_ptr<Page>()), "(null)");
    const Page page{9};
    EXPECT_EQ(format("%@", &page), "Page 9");
}

TEST(LogFormatterTest, FloatingPointPlaceholders) {
    EXPECT_EQ(format("%f", 0.5), "0.500000");
    EXPECT_EQ(format("%.2f", 3.14159), "3.14");
    EXPECT_EQ(format("%g", 0.25f), "0.25");
    EXPECT_EQ(format("%.1f", 2), "2.0") << "integers are converted for %f";
}

TEST(LogFormatterTest, PercentSigns) {
    EXPECT_EQ(format("100%% sure"), "100% sure");
    EXPECT_EQ(format("%d%%", 50), "50%");
    EXPECT_EQ(format("ends with %"), "ends with %");
    EXPECT_EQ(format("%%s", "ignored"), "%s");
}

TEST(LogFormatterTest, MissingArgumentsLeaveThePlaceholderAsWritten) {
    EXPECT_EQ(format("%s has %d pages"), "%s has %d pages");
    EXPECT_EQ(format("%s has %d pages and %.2f left", "group"), "group has %d pages and %.2f left");
}

TEST(LogFormatterTest, ExtraArgumentsAreIgnored) {
    EXPECT_EQ(format("only %d", 1, 2, "three"), "only 1");
    EXPECT_EQ(format("no placeholders", 1), "no placeholders");
}

TEST(LogFormatterTest, UnknownPlaceholdersAreCopiedAndTakeNoArgument) {
    EXPECT_EQ(format("%k then %d", 5), "%k then 5");
    EXPECT_EQ(format("%*d %s", "x"), "%*d x");
    EXPECT_EQ(format("%{public", 1), "%{public");
}

TEST(LogFormatterTest, PrivacyAnnotationsAreAccepted) {
    EXPECT_EQ(format("%{public}s and %{private}d", "seen", 4), "seen and 4");
}

TEST(LogFormatterTest, FlagsWidthAndPrecision) {
    EXPECT_EQ(format("[%5d]", 42), "[   42]");
    EXPECT_EQ(format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(format("[%+d]", 42), "[+42]");
    EXPECT_EQ(format("[%x %X]", 255, 255u), "[ff FF]");
    EXPECT_EQ(format("[%ld %lu %zu %lld]", 1L, 2UL, std::size_t{3}, 4LL), "[1 2 3 4]");
    EXPECT_EQ(format("[%6s]", "ab"), "[    ab]");
    EXPECT_EQ(format("[%-6s]", "ab"), "[ab    ]");
    EXPECT_EQ(format("[%.3s]", "abcdef"), "[abc]");
}

TEST(LogFormatterTest, ArgumentsAreNeverReadAsTheWrongType) {
    EXPECT_EQ(format("%d", "text"), "text");
    EXPECT_EQ(format("%s", 12), "12");
    EXPECT_EQ(format("%s", -3.5), "-3.5");
    EXPECT_EQ(format("%@", true), "true");
    EXPECT_EQ(format("%d", 9.99), "9");
    EXPECT_EQ(format("%f", "nan?"), "nan?");
    EXPECT_EQ(format("%u", -1), "18446744073709551615");
}

TEST(LogFormatterTest, PlainTextIsCopiedUnchanged) {
    EXPECT_EQ(format(""), "");
    EXPECT_EQ(format("no placeholders at all"), "no placeholders at all");
}

}  // namespace
}  // namespace quorvel::platform
