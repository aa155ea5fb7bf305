#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Platform/Foundation/StringsTable.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Support/TemporaryBundle.h"

using quorvel::platform::Data;
using quorvel::platform::ScopedLogCapture;
using quorvel::platform::StringsTable;
using quorvel::testsupport::TemporaryBundle;

namespace {

using Entries = std::map<std::string, std::string, std::less<>>;

TEST(StringsTable, ParsesEntriesEscapesCommentsAndSkipsBrokenEntries) {
    const std::pair<const char*, Entries> cases[] = {
        {"\"capture-title\" = \"Scan a document\";\n\"done\"=\"Done\";\n",
         {{"capture-title", "Scan a document"}, {"done", "Done"}}},
        {R"("quote" = "Say \"cheese\"";)"
         R"("slash" = "a\\b";)"
         R"("lines" = "one\ntwo\tthree";)"
         R"("unicode" = "caf\U00E9 \u263A";)"
         R"("pair" = "\UD83D\UDE00";)"
         R"("key \"with\" quotes" = "ok";)",
         {{"quote", "Say \"cheese\""},
          {"slash", "a\\b"},
          {"lines", "one\ntwo\tthree"},
          {"unicode", "caf\xC3\xA9 \xE2\x98\xBA"},
          {"pair", "\xF0\x9F\x98\x80"},
          {"key \"with\" quotes", "ok"}}},
        {"/* A block comment with \"quotes\" = \"and\"; semicolons */\n"
         "\"a\" = \"1\"; // a line comment \"b\" = \"2\";\n"
         "/* spanning\n   lines */ \"c\" /* inside */ = /* too */ \"3\";\n"
         "\"url\" = \"http://example.invalid/x\";\n",
         {{"a", "1"}, {"c", "3"}, {"url", "http://example.invalid/x"}}},
        // Entries across lines, a key alone, unquoted tokens, a repeated key.
        {"\"multi\"\n  =\n  \"value\n with a newline\"\n;\n\"alone\";\n"
         "plain_key = plain.value-1;\n\"k\" = \"1\";\n\"k\" = \"2\";",
         {{"multi", "value\n with a newline"},
          {"alone", "alone"},
          {"plain_key", "plain.value-1"},
          {"k", "2"}}},
        {"\"before\" = \"kept\";\n\"broken\" = ;\n= \"no key\";\n"
         "\"semicolon inside\" \"x;y\" oops;\n\"after\" = \"kept too\";\n"
         "\"last\" = \"unterminated",
         {{"before", "kept"}, {"after", "kept too"}}},
        {"", {}},
        {"  /* nothing */ // here", {}},
        {"/* unterminated", {}},
    };
    for (const auto& [text, expected] : cases) {
        const auto table = StringsTable::parse(std::string_view(text));
        EXPECT_EQ(table.entries(), expected) << text;
    }
    const auto table = StringsTable::parse(std::string_view("\"done\" = \"Done\";"));
    EXPECT_EQ(table.lookup("done"), "Done");
    EXPECT_FALSE(table.lookup("Done"));
}

TEST(StringsTable, MissingClosingQuoteOrSemicolonCostsOnlyThatEntry) {
    const std::pair<const char*, Entries> cases[] = {
        {"\"first\" = \"1\";\n"
         "\"broken\" = \"no closing quote;\n"
         "\"second\" = \"2\";\n"
         "\"third\" = \"3\";\n",
         {{"first", "1"}, {"second", "2"}, {"third", "3"}}},
        {"\"first\" = \"1\"\n"
         "\"second\" = \"2\";\n"
         "\"third\" = \"3\";\n",
         {{"second", "2"}, {"third", "3"}}},
        // A broken value that runs over several lines, then an entry spanning lines.
        {"\"broken\" = \"first line\nsecond line;\n\"multi\" =\n  \"a\nb\";\n\"last\" = \"z\";",
         {{"multi", "a\nb"}, {"last", "z"}}},
        // The rest of a broken line after a comment is a comment.
        {"\"broken\" = \"A\" // note; with a semicolon\n\"kept\" = \"K\";", {{"kept", "K"}}},
        {"\"a\" = \"1\" \"b\" = \"2\"; \"c\" = \"3\";", {{"c", "3"}}},
    };
    for (const auto& [text, expected] : cases) {
        ScopedLogCapture log;
        EXPECT_EQ(StringsTable::parse(std::string_view(text)).entries(), expected) << text;
    }
}

TEST(StringsTable, SkippedEntriesAreLoggedOnceWithTheFileAndTheFirstLine) {
    TemporaryBundle scratch;
    const auto good = scratch.write("Good.strings", "\"a\" = \"1\";\n// fine\n\"b\";\n");
    const auto one = scratch.write("One.strings", "\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";");
    const auto two =
        scratch.write("Two.strings", "\"a\" = \"1\";\n\n\"b\" = \"2;\n= \"x\";\n\"c\" = \"3\";");
    ScopedLogCapture log;
    ASSERT_TRUE(StringsTable::read(good));
    EXPECT_TRUE(log.messages().empty());
    ASSERT_TRUE(StringsTable::read(one));
    ASSERT_TRUE(StringsTable::read(two));
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  one.string() + ": the entry at line 2 is malformed and was skipped",
                  two.string() + ": 2 malformed entries were skipped, the first at line 3"}));
    EXPECT_EQ(log.records().at(0).level, quorvel::platform::LogLevel::error);
}

Data utf16(const std::u16string& text, bool bigEndian) {
    Data bytes = bigEndian ? Data{0xFE, 0xFF} : Data{0xFF, 0xFE};
    for (char16_t unit : text) {
        const auto high = static_cast<std::uint8_t>(unit >> 8);
        const auto low = static_cast<std::uint8_t>(unit & 0xFF);
        bytes.insert(bytes.end(), {bigEndian ? high : low, bigEndian ? low : high});
    }
    return bytes;
}

TEST(StringsTable, ReadsUtf16WithEitherByteOrderMarkAndSkipsAUtf8One) {
    const std::u16string text = u"\"title\" = \"R\u00E9sum\u00E9 \U0001F600\";";
    for (bool bigEndian : {false, true}) {
        EXPECT_EQ(StringsTable::parse(utf16(text, bigEndian)).lookup("title"),
                  "R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80")
            << (bigEndian ? "big endian" : "little endian");
    }
    const std::string utf8 = "\xEF\xBB\xBF\"k\" = \"v\";";
    EXPECT_EQ(StringsTable::parse(Data(utf8.begin(), utf8.end())).lookup("k"), "v");
}

}  // namespace
