#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "Platform/Foundation/PropertyList.h"
#include "Support/TemporaryBundle.h"

using platform::Data;
using platform::PropertyList;
using platform::PropertyListDate;
using platform::PropertyListValue;
using quorvel::testsupport::TemporaryBundle;

namespace {

using Kind = PropertyListValue::Kind;

PropertyListValue parseBody(const std::string& body) {
    auto value = PropertyList::parse(TemporaryBundle::propertyListText(body));
    EXPECT_TRUE(value.has_value()) << body;
    return value.value_or(PropertyListValue());
}

TEST(PropertyListParsing, ReadsEveryKindOfElement) {
    const auto root = parseBody(
        "<dict>"
        "  <key>yes</key><true/>"
        "  <key>no</key><false/>"
        "  <key>count</key><integer>-42</integer>"
        "  <key>width</key><real>138.5</real>"
        "  <key>title</key><string>Scan &amp; go</string>"
        "  <key>bytes</key><data>AAEC/w==</data>"
        "  <key>when</key><date>2024-05-01T12:00:00Z</date>"
        "  <key>list</key><array><integer>1</integer><string>two</string></array>"
        "  <key>inner</key><dict><key>k</key><string>v</string></dict>"
        "</dict>");

    ASSERT_EQ(root.kind(), Kind::dictionary);
    EXPECT_EQ(root.dictionaryValue()->size(), 9u);
    EXPECT_EQ(root.find("yes")->boolValue(), true);
    EXPECT_EQ(root.find("no")->boolValue(), false);
    EXPECT_EQ(root.find("count")->integerValue(), -42);
    EXPECT_EQ(root.find("width")->realValue(), 138.5);
    EXPECT_EQ(*root.find("title")->stringValue(), "Scan & go");
    EXPECT_EQ(*root.find("bytes")->dataValue(), (Data{0x00, 0x01, 0x02, 0xFF}));
    EXPECT_EQ(root.find("when")->dateValue()->text, "2024-05-01T12:00:00Z");

    const auto* list = root.find("list")->arrayValue();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].integerValue(), 1);
    EXPECT_EQ(*(*list)[1].stringValue(), "two");
    EXPECT_EQ(*root.find("inner")->find("k")->stringValue(), "v");
}

TEST(PropertyListParsing, KeepsBooleansIntegersAndRealsApart) {
    const auto root = parseBody(
        "<dict><key>flag</key><true/><key>one</key><integer>1</integer>"
        "<key>real</key><real>1</real></dict>");

    const auto* flag = root.find("flag");
    EXPECT_EQ(flag->kind(), Kind::boolean);
    EXPECT_FALSE(flag->integerValue());
    EXPECT_FALSE(flag->numberValue());

    const auto* one = root.find("one");
    EXPECT_EQ(one->kind(), Kind::integer);
    EXPECT_FALSE(one->boolValue());
    EXPECT_FALSE(one->realValue());
    EXPECT_EQ(one->numberValue(), 1.0);

    const auto* real = root.find("real");
    EXPECT_EQ(real->kind(), Kind::real);
    EXPECT_FALSE(real->integerValue());
    EXPECT_EQ(real->numberValue(), 1.0);

    EXPECT_NE(*one, *real);
    EXPECT_NE(*flag, *one);
}

TEST(PropertyListParsing, ReadsIntegerForms) {
    EXPECT_EQ(parseBody("<integer>0x1F</integer>").integerValue(), 31);
    EXPECT_EQ(parseBody("<integer>+7</integer>").integerValue(), 7);
    EXPECT_EQ(parseBody("<integer> 12 </integer>").integerValue(), 12);
    EXPECT_EQ(parseBody("<integer>9223372036854775807</integer>").integerValue(),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parseBody("<integer>-9223372036854775808</integer>").integerValue(),
              std::numeric_limits<std::int64_t>::min());
}

TEST(PropertyListParsing, ReadsRealForms) {
    EXPECT_EQ(parseBody("<real>-2.5e3</real>").realValue(), -2500.0);
    EXPECT_EQ(parseBody("<real>.5</real>").realValue(), 0.5);
    EXPECT_EQ(parseBody("<real>3</real>").realValue(), 3.0);
    EXPECT_EQ(parseBody("<real>+infinity</real>").realValue(),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseBody("<real>1e999</real>").realValue(), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(*parseBody("<real>nan</real>").realValue()));
}

TEST(PropertyListParsing, KeepsStringTextExactly) {
    EXPECT_EQ(*parseBody("<string>  padded  </string>").stringValue(), "  padded  ");
    EXPECT_EQ(*parseBody("<string>   </string>").stringValue(), "   ");
    EXPECT_EQ(*parseBody("<string></string>").stringValue(), "");
    EXPECT_EQ(*parseBody("<string/>").stringValue(), "");
    EXPECT_EQ(*parseBody("<string>&lt;a&gt; &#x263A;</string>").stringValue(), "<a> \u263A");
    EXPECT_EQ(*parseBody("<string>x<![CDATA[<y>]]>z</string>").stringValue(), "x<y>z");
    EXPECT_EQ(*parseBody("<string>line one\nline two</string>").stringValue(),
              "line one\nline two");
}

TEST(PropertyListParsing, DecodesDataWithWhitespaceAndWithoutPadding) {
    EXPECT_EQ(*parseBody("<data>\n\tSGVs\n\tbG8=\n</data>").dataValue(),
              (Data{'H', 'e', 'l', 'l', 'o'}));
    EXPECT_EQ(*parseBody("<data>SGk</data>").dataValue(), (Data{'H', 'i'}));
    EXPECT_EQ(*parseBody("<data></data>").dataValue(), Data{});
}

TEST(PropertyListParsing, AcceptsAnyKindOfRoot) {
    EXPECT_EQ(parseBody("<array/>").kind(), Kind::array);
    EXPECT_EQ(parseBody("<string>alone</string>").kind(), Kind::string);
    EXPECT_EQ(parseBody("<true/>").kind(), Kind::boolean);
    EXPECT_EQ(parseBody("<integer>3</integer>").kind(), Kind::integer);
    EXPECT_TRUE(parseBody("<dict/>").dictionaryValue()->empty());
}

TEST(PropertyListParsing, RepeatedKeyKeepsTheLastValue) {
    const auto root =
        parseBody("<dict><key>a</key><integer>1</integer><key>a</key><integer>2</integer></dict>");
    EXPECT_EQ(root.dictionaryValue()->size(), 1u);
    EXPECT_EQ(root.find("a")->integerValue(), 2);
}

TEST(PropertyListParsing, ReadsDeeplyNestedContainers) {
    std::string body;
    for (int i = 0; i < 100; ++i) body += "<array>";
    body += "<string>bottom</string>";
    for (int i = 0; i < 100; ++i) body += "</array>";
    const PropertyListValue* value = nullptr;
    const auto root = parseBody(body);
    value = &root;
    for (int i = 0; i < 100; ++i) {
        ASSERT_NE(value->arrayValue(), nullptr);
        value = &value->arrayValue()->front();
    }
    EXPECT_EQ(*value->stringValue(), "bottom");
}

TEST(PropertyListParsing, AcceptsMinimalDocumentsAndComments) {
    EXPECT_EQ(PropertyList::parse(std::string_view("<plist><integer>5</integer></plist>"))
                  ->integerValue(),
              5);
    EXPECT_EQ(
        PropertyList::parse(std::string_view("<plist><!-- note --><dict><!-- x --></dict></plist>"))
            ->kind(),
        Kind::dictionary);
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
    const auto parsed = PropertyList::parse(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_EQ(*parsed, original) << text;
}

}  // namespace
