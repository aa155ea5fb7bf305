#include <gtest/gtest.h>

#include <string>

#include "Platform/Foundation/StringsTable.h"

using platform::Data;
using platform::StringsTable;

namespace {

TEST(StringsTable, ReadsQuotedEntries) {
    const auto table =
        StringsTable::parse(std::string_view("\"capture-title\" = \"Scan a document\";\n"
                                             "\"done\"=\"Done\";\n"));
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.lookup("capture-title"), "Scan a document");
    EXPECT_EQ(table.lookup("done"), "Done");
    EXPECT_FALSE(table.lookup("Done"));
    EXPECT_FALSE(table.lookup("missing"));
}

TEST(StringsTable, DecodesEscapes) {
    const auto table = StringsTable::parse(std::string_view(R"("quote" = "Say \"cheese\"";)"
                                                            "\n"
                                                            R"("slash" = "a\\b";)"
                                                            "\n"
                                                            R"("lines" = "one\ntwo\tthree";)"
                                                            "\n"
                                                            R"("unicode" = "caf\U00E9 \u263A";)"
                                                            "\n"
                                                            R"("pair" = "\UD83D\UDE00";)"
                                                            "\n"
                                                            R"("key \"with\" quotes" = "ok";)"));
    EXPECT_EQ(table.lookup("quote"), "Say \"cheese\"");
    EXPECT_EQ(table.lookup("slash"), "a\\b");
    EXPECT_EQ(table.lookup("lines"), "one\ntwo\tthree");
    EXPECT_EQ(table.lookup("unicode"), "caf\xC3\xA9 \xE2\x98\xBA");
    EXPECT_EQ(table.lookup("pair"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(table.lookup("key \"with\" quotes"), "ok");
}

TEST(StringsTable, SkipsCommentsOfBothKinds) {
    const auto table = StringsTable::parse(
        std::string_view("/* A block comment with \"quotes\" = \"and\"; semicolons */\n"
                         "\"a\" = \"1\"; // a line comment \"b\" = \"2\";\n"
                         "/* spanning\n   lines */ \"c\" /* inside */ = /* too */ \"3\";\n"
                         "\"url\" = \"http://example.invalid/x\";\n"));
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.lookup("a"), "1");
    EXPECT_FALSE(table.lookup("b"));
    EXPECT_EQ(table.lookup("c"), "3");
    EXPECT_EQ(table.lookup("url"), "http://example.invalid/x");
}

TEST(StringsTable, AcceptsEntriesAcrossLinesKeyOnlyEntriesAndUnquotedTokens) {
    const auto table =
        StringsTable::parse(std::string_view("\"multi\"\n  =\n  \"value\n with a newline\"\n;\n"
                                             "\"alone\";\n"
                                             "plain_key = plain.value-1;\n"));
    EXPECT_EQ(table.lookup("multi"), "value\n with a newline");
    EXPECT_EQ(table.lookup("alone"), "alone");
    EXPECT_EQ(table.lookup("plain_key"), "plain.value-1");
}

TEST(StringsTable, LaterEntryWinsForARepeatedKey) {
    const auto table = StringsTable::parse(std::string_view("\"k\" = \"1\";\n\"k\" = \"2\";"));
    EXPECT_EQ(table.lookup("k"), "2");
}

TEST(StringsTable, SkipsBrokenEntriesAndKeepsTheRest) {
    const auto table =
        StringsTable::parse(std::string_view("\"before\" = \"kept\";\n"
                                             "\"broken\" = ;\n"
                                             "= \"no key\";\n"
                                             "\"semicolon inside\" \"x;y\" oops;\n"
                                             "\"after\" = \"kept too\";\n"
                                             "\"last\" = \"unterminated"));
    EXPECT_EQ(table.lookup("before"), "kept");
    EXPECT_EQ(table.lookup("after"), "kept too");
    EXPECT_FALSE(table.lookup("broken"));
    EXPECT_FALSE(table.lookup("last"));
    EXPECT_EQ(table.size(), 2u);
}

TEST(StringsTable, EmptyOrCommentOnlyInputGivesAnEmptyTable) {
    EXPECT_EQ(StringsTable::parse(std::string_view("")).size(), 0u);
    EXPECT_EQ(StringsTable::parse(std::string_view("  /* nothing */ // here")).size(), 0u);
    EXPECT_EQ(StringsTable::parse(std::string_view("/* unterminated")).size(), 0u);
}

Data utf16(const std::u16string& text, bool bigEndian) {
    Data bytes = bigEndian ? Data{0xFE, 0xFF} : Data{0xFF, 0xFE};
    for (char16_t unit : text) {
        const auto high = static_cast<std::uint8_t>(unit >> 8);
        const auto low = static_cast<std::uint8_t>(unit & 0xFF);
        if (bigEndian) {
            bytes.push_back(high);
            bytes.push_back(low);
        } else {
            bytes.push_back(low);
            bytes.push_back(high);
        }
    }
    return bytes;
}

TEST(StringsTable, ReadsUtf16WithByteOrderMarks) {
    const std::u16string text = u"\"title\" = \"R\u00E9sum\u00E9 \U0001F600\";";
    for (bool bigEndian : {false, true}) {
        const auto table = StringsTable::parse(utf16(text, bigEndian));
        EXPECT_EQ(table.lookup("title"), "R\xC3\xA9sum\xC3\xA9 \xF0\x9F\x98\x80")
            << (bigEndian ? "big endian" : "little endian");
    }
}

TEST(StringsTable, IgnoresAUtf8ByteOrderMark) {
    const std::string text = "\xEF\xBB\xBF\"k\" = \"v\";";
    const auto table = StringsTable::parse(Data(text.begin(), text.end()));
    EXPECT_EQ(table.lookup("k"), "v");
}

}  // namespace
