#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Platform/Foundation/PropertyList.h"
#include "Support/TemporaryBundle.h"

using quorvel::platform::Data;
using quorvel::platform::PropertyList;
using quorvel::platform::PropertyListDate;
using quorvel::platform::PropertyListValue;
using quorvel::testsupport::TemporaryBundle;

namespace {

using Kind = PropertyListValue::Kind;

PropertyListValue parseBody(const std::string& body) {
    auto value = PropertyList::parse(TemporaryBundle::propertyListText(body));
    EXPECT_TRUE(value.has_value()) << body;
    return value.value_or(PropertyListValue());
}

TEST(PropertyListParsing, ReadsEveryKindOfElementKeepingTheLastOfARepeatedKey) {
    using Dictionary = PropertyListValue::Dictionary;
    const PropertyListValue expected(Dictionary{
        {"yes", true},
        {"no", false},
        {"count", -42},
        {"width", 138.5},
        {"title", "Scan & go"},
        {"bytes", Data{0x00, 0x01, 0x02, 0xFF}},
        {"when", PropertyListDate{"2024-05-01T12:00:00Z"}},
        {"list", PropertyListValue::Array{1, "two"}},
        {"inner", Dictionary{{"k", "v"}}},
    });
    EXPECT_EQ(parseBody("<dict>"
                        "  <key>yes</key><true/>"
                        "  <key>no</key><false/>"
                        "  <key>count</key><integer>1</integer>"
                        "  <key>width</key><real>138.5</real>"
                        "  <key>title</key><string>Scan &amp; go</string>"
                        "  <key>bytes</key><data>AAEC/w==</data>"
                        "  <key>when</key><date>2024-05-01T12:00:00Z</date>"
                        "  <key>list</key><array><integer>1</integer><string>two</string></array>"
                        "  <key>inner</key><dict><key>k</key><string>v</string></dict>"
                        "  <key>count</key><integer>-42</integer>"
                        "</dict>"),
              expected);
}

TEST(PropertyListParsing, KeepsBooleansIntegersAndRealsApart) {
    const PropertyListValue flag = parseBody("<true/>");
    const PropertyListValue one = parseBody("<integer>1</integer>");
    const PropertyListValue real = parseBody("<real>1</real>");
    EXPECT_EQ(std::tuple(flag.kind(), one.kind(), real.kind()),
              std::tuple(Kind::boolean, Kind::integer, Kind::real));
    EXPECT_EQ(std::tuple(flag.boolValue(), one.boolValue(), real.boolValue()),
              std::tuple(true, std::nullopt, std::nullopt));
    EXPECT_EQ(std::tuple(flag.integerValue(), one.integerValue(), real.integerValue()),
              std::tuple(std::nullopt, 1, std::nullopt));
    EXPECT_EQ(std::tuple(flag.realValue(), one.realValue(), real.realValue()),
              std::tuple(std::nullopt, std::nullopt, 1.0));
    EXPECT_EQ(std::tuple(flag.numberValue(), one.numberValue(), real.numberValue()),
              std::tuple(std::nullopt, 1.0, 1.0));
    EXPECT_NE(one, real);
    EXPECT_NE(flag, one);
}

TEST(PropertyListParsing, ReadsEveryFormOfEachScalar) {
    const auto int64 = std::numeric_limits<std::int64_t>();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const auto& [body, expected] : std::vector<std::pair<std::string, PropertyListValue>>{
             {"<integer>0x1F</integer>", 31},
             {"<integer>+7</integer>", 7},
             {"<integer> 12 </integer>", 12},
             {"<integer>9223372036854775807</integer>", int64.max()},
             {"<integer>-9223372036854775808</integer>", int64.min()},
             {"<real>-2.5e3</real>", -2500.0},
             {"<real>.5</real>", 0.5},
             {"<real>3</real>", 3.0},
             {"<real>+infinity</real>", infinity},
             {"<real>1e999</real>", infinity},
             {"<string>  padded  </string>", "  padded  "},
             {"<string>   </string>", "   "},
             {"<string></string>", ""},
             {"<string/>", ""},
             {"<string>&lt;a&gt; &#x263A;</string>", "<a> \u263A"},
             {"<string>x<![CDATA[<y>]]>z</string>", "x<y>z"},
             {"<string>line one\nline two</string>", "line one\nline two"},
             {"<data>\n\tSGVs\n\tbG8=\n</data>", Data{'H', 'e', 'l', 'l', 'o'}},
             {"<data>SGk</data>", Data{'H', 'i'}},
             {"<data></data>", Data{}},
             {"<true/>", true},
             {"<array/>", PropertyListValue::Array{}},
             {"<dict/>", PropertyListValue::Dictionary{}},
         }) {
        EXPECT_EQ(parseBody(body), expected) << body;
    }
    EXPECT_TRUE(std::isnan(*parseBody("<real>nan</real>").realValue()));
}

TEST(PropertyListParsing, ReadsDeepNestingMinimalDocumentsAndComments) {
    std::string body = "<string>bottom</string>";
    PropertyListValue expected("bottom");
    for (int i = 0; i < 100; ++i) {
        body = "<array>" + body + "</array>";
        expected = PropertyListValue::Array{expected};
    }
    EXPECT_EQ(parseBody(body), expected);
    EXPECT_EQ(PropertyList::parse(std::string_view("<plist><integer>5</integer></plist>")),
              PropertyListValue(5));
    EXPECT_EQ(
        PropertyList::parse(std::string_view("<plist><!-- a --><dict><!-- b --></dict></plist>")),
        PropertyListValue());
}

TEST(PropertyListParsing, ReadsUtf16Documents) {
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
        "<plist><string>\xC3\xA9t\xC3\xA9</string></plist>";
    // Re-encode the UTF-8 text above as UTF-16LE with a byte-order mark.
    Data bytes{0xFF, 0xFE};
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char16_t unit = c;
        if (c == 0xC3) unit = static_cast<char16_t>(0xC0 | (text[++i] & 0x3F));
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    const auto value = PropertyList::parse(bytes);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value->stringValue(), "\xC3\xA9t\xC3\xA9");
}

TEST(PropertyListWriting, RoundTripsEveryKind) {
    PropertyListValue::Dictionary inner{{"k", "v"}, {"empty", PropertyListValue::Array{}}};
    PropertyListValue::Dictionary dictionary{
        {"yes", true},
        {"no", false},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"third", 1.0 / 3.0},
        {"tiny", 5e-324},
        {"negativeInfinity", -std::numeric_limits<double>::infinity()},
        {"text", "a < b & c > d\r\n\t  "},
        {"bytes", Data{0, 1, 2, 250, 251, 252, 253}},
        {"oneByte", Data{0xFF}},
        {"twoBytes", Data{0x80, 0x01}},
        {"when", PropertyListDate{"2001-01-01T00:00:00Z"}},
        {"list", PropertyListValue::Array{1, "two", 3.5, PropertyListValue(inner)}},
        {"inner", inner},
        {"emptyDictionary", PropertyListValue::Dictionary{}},
        {"key with <markup>", "x"},
    };
    const PropertyListValue original(dictionary);

    const auto text = PropertyList::xml(original);
    ASSERT_TRUE(text);
    const auto parsed = PropertyList::parse(*text);
    ASSERT_TRUE(parsed) << *text;
    EXPECT_EQ(*parsed, original) << *text;
}

// The value parse() gives for what xml() wrote; none when either refuses.
std::optional<PropertyListValue> writtenAndRead(const PropertyListValue& value) {
    const auto text = PropertyList::xml(value);
    if (!text) return std::nullopt;
    return PropertyList::parse(*text);
}

TEST(PropertyListWriting, EveryCharacterButNulReadsBackExactlyInStringsKeysAndDates) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    for (const std::string& text :
         {everyByte, std::string(" 2024-05-01T12:00:00Z "), std::string("\r\n\r \n\r"),
          std::string("\t"), std::string("]]> <![CDATA[ &amp; &#0; <!-- -->"),
          std::string("\xFF\xFE invalid \xC3 UTF-8 \xED\xA0\x80"), std::string()}) {
        const PropertyListValue value(
            PropertyListValue::Dictionary{{text, text},
                                          {"date", PropertyListDate{text}},
                                          {"list", PropertyListValue::Array{text}}});
        EXPECT_EQ(writtenAndRead(value), value) << text;
    }
    // A date is read as written, spaces included, as a string is.
    EXPECT_EQ(parseBody("<date> 2024-05-01 </date>"), PropertyListDate{" 2024-05-01 "});
    const auto nan = writtenAndRead(std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(nan && nan->realValue());
    EXPECT_TRUE(std::isnan(*nan->realValue()));
}

TEST(PropertyListWriting, RefusesTextWithNulWhichXmlCannotCarry) {
    const std::string nul("a\0b", 3);
    EXPECT_FALSE(PropertyList::xml(nul));
    EXPECT_FALSE(PropertyList::xml(PropertyListValue::Dictionary{{nul, 1}}));
    EXPECT_FALSE(PropertyList::xml(PropertyListDate{nul}));
    EXPECT_FALSE(PropertyList::xml(PropertyListValue::Array{1, PropertyListValue::Array{nul}}));
    EXPECT_TRUE(PropertyList::xml(Data{0, 0, 0})) << "data is base64";
}

// `levels` arrays, one inside the other, around a string; built without copying.
PropertyListValue nested(int levels) {
    PropertyListValue value("bottom");
    for (int i = 0; i < levels; ++i) {
        PropertyListValue::Array array;
        array.push_back(std::move(value));
        value = PropertyListValue(std::move(array));
    }
    return value;
}

TEST(PropertyListWriting, NestingIsBoundedAsTheReaderBoundsIt) {
    // The string is one level, inside 511 arrays: the reader's deepest.
    const auto deepest = nested(511);
    const auto text = PropertyList::xml(deepest);
    ASSERT_TRUE(text);
    EXPECT_EQ(PropertyList::parse(*text), deepest);
    EXPECT_FALSE(PropertyList::xml(nested(512)));
    EXPECT_FALSE(PropertyList::xml(nested(100000)));
}

TEST(PropertyListWriting, OutputGrowsWithTheSizeOfTheValueNotTheSquareOfItsDepth) {
    const auto text = PropertyList::xml(nested(511));
    ASSERT_TRUE(text);
    // "<array>\n" and "</array>\n" per level, and a bounded indentation.
    EXPECT_LT(text->size(), 511u * 64u);
}

TEST(PropertyListValueLifetime, AMillionLevelsAreDestroyedWithoutExhaustingTheStack) {
    auto value = std::make_unique<PropertyListValue>(nested(1000000));
    PropertyListValue::Dictionary dictionary;
    dictionary.emplace("deep", std::move(*value));
    value = std::make_unique<PropertyListValue>(std::move(dictionary));
    value.reset();
    SUCCEED();
}

bool parsesBody(const std::string& body) {
    return PropertyList::parse(TemporaryBundle::propertyListText(body)).has_value();
}

TEST(PropertyListRejects, DocumentsThatAreNotPropertyLists) {
    Data binary{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xD1, 0x01, 0x02, 0x51, 0x61};
    binary.resize(64, 0);
    EXPECT_FALSE(PropertyList::parse(binary));
    EXPECT_FALSE(PropertyList::parse(Data{}));
    for (const char* text :
         {"", "   \n", "<html><body>hello</body></html>",
          "<?xml version=\"1.0\"?><dict><key>a</key><true/></dict>", "<Plist><true/></Plist>",
          "plain text, no markup at all", "{\"json\": true}", "<plist></plist>", "<plist/>",
          "<plist><true/><false/></plist>", "<plist>text<true/></plist>",
          "<plist><true/></plist><plist><true/></plist>"}) {
        EXPECT_FALSE(PropertyList::parse(std::string_view(text))) << text;
    }
}

TEST(PropertyListRejects, MalformedElementsNumbersAndBase64) {
    for (const char* body : {
             "<unknown/>",
             "<key>alone</key>",
             "<array><key>k</key></array>",
             "<dict><key>k</key></dict>",
             "<dict><string>no key</string></dict>",
             "<dict><key>a</key><key>b</key></dict>",
             "<dict><key>a<b/></key><true/></dict>",
             "<dict>stray<key>a</key><true/></dict>",
             "<string>a<b/>c</string>",
             "<true>yes</true>",
             "<integer></integer>",
             "<integer>12abc</integer>",
             "<integer>1.5</integer>",
             "<integer>0x</integer>",
             "<integer>9223372036854775808</integer>",
             "<integer>-9223372036854775809</integer>",
             "<integer>99999999999999999999999</integer>",
             "<real></real>",
             "<real>1.2.3</real>",
             "<real>twelve</real>",
             "<data>****</data>",
             "<data>A</data>",
             "<data>AA==AA</data>",
         }) {
        EXPECT_FALSE(parsesBody(body)) << body;
    }
}

TEST(PropertyListRejects, NestingBeyondTheLimit) {
    std::string body;
    for (int i = 0; i < 600; ++i) body += "<array>";
    for (int i = 0; i < 600; ++i) body += "</array>";
    EXPECT_FALSE(parsesBody(body));
}

TEST(PropertyListRejects, ListsOverTheSizeLimitAndSaysWhatIsWrongQuotingLittle) {
    // Padded with blank text up to the limit, a list is read; one byte more, and it is refused
    // from its size.
    std::string text = TemporaryBundle::propertyListText("<dict><key>a</key><true/></dict>");
    text.resize(PropertyList::maximumSize, ' ');
    std::string failure = "stale";
    EXPECT_TRUE(PropertyList::parse(text, failure));
    EXPECT_EQ(failure, "");
    text += ' ';
    EXPECT_FALSE(PropertyList::parse(text, failure));
    EXPECT_EQ(failure, "it holds 1048577 bytes, more than the 1048576 allowed");

    const std::pair<std::string, std::string> cases[] = {
        {"", "it is empty"},
        {"<plist><integer>12abc</integer></plist>",
         "\"12abc\" is not a 64-bit integer (at byte 7)"},
        {"<plist><dict><key>a</key></dict></plist>",
         "a <dict> holds an unpaired element (at byte 7)"},
        {"<plist><colour/></plist>", "<colour> is not an element of property lists (at byte 7)"},
        {"<plist><true/>", "it is not well-formed XML: Start-end tags mismatch (at byte 13)"},
        {"<html/>", "its root element is not <plist>"},
    };
    for (const auto& [document, reason] : cases) {
        EXPECT_FALSE(PropertyList::parse(document, failure)) << document;
        EXPECT_EQ(failure, reason) << document;
    }
    // A wrong value of any length is quoted by a short prefix only.
    EXPECT_FALSE(PropertyList::parse(
        "<plist><real>" + std::string(100000, '7') + "x</real></plist>", failure));
    EXPECT_EQ(failure, "\"" + std::string(40, '7') +
                           "...\" (100001 bytes) is not a real number "
                           "(at byte 7)");
    std::string deep;
    for (int i = 0; i < 600; ++i) deep += "<array>";
    for (int i = 0; i < 600; ++i) deep += "</array>";
    EXPECT_FALSE(PropertyList::parse("<plist>" + deep + "</plist>", failure));
    EXPECT_EQ(failure.rfind("it nests deeper than 512 levels (at byte ", 0), 0u) << failure;
}

TEST(PropertyListRejects, EveryTruncationOfAValidList) {
    const std::string full = TemporaryBundle::propertyListText(
        "<dict><key>a</key><array><integer>1</integer><real>2.5</real></array>"
        "<key>b</key><data>AAEC</data><key>c</key><string>text</string></dict>");
    ASSERT_TRUE(PropertyList::parse(full));
    const auto end = full.rfind("</plist>");
    for (std::size_t length = 0; length < end + 7; ++length) {
        EXPECT_FALSE(PropertyList::parse(std::string_view(full).substr(0, length)))
            << "length " << length;
    }
}

TEST(PropertyListRejects, RandomAndCorruptedBytesWithoutCrashing) {
    std::mt19937 random(20240501);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 200);
    for (int round = 0; round < 2000; ++round) {
        Data bytes(static_cast<std::size_t>(length(random)));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(random));
        EXPECT_FALSE(PropertyList::parse(bytes));
    }
    const std::string full = TemporaryBundle::propertyListText(
        "<dict><key>width</key><real>138</real><key>names</key>"
        "<array><string>a</string><string>b</string></array></dict>");
    std::uniform_int_distribution<std::size_t> position(0, full.size() - 1);
    for (int round = 0; round < 2000; ++round) {
        std::string copy = full;
        for (int flips = 0; flips < 3; ++flips) {
            copy[position(random)] = static_cast<char>(byte(random));
        }
        // Some corruptions still leave a property list; none may crash.
        (void)PropertyList::parse(copy);
    }
}

}  // namespace
