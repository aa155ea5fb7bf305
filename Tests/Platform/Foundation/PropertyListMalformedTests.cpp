#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "Platform/Foundation/PropertyList.h"
#include "Support/TemporaryBundle.h"

using platform::Data;
using platform::PropertyList;
using quorvel::testsupport::TemporaryBundle;

namespace {

bool parsesBody(const std::string& body) {
    return PropertyList::parse(TemporaryBundle::propertyListText(body)).has_value();
}

bool parses(std::string_view text) {
    return PropertyList::parse(text).has_value();
}

TEST(PropertyListRejects, EmptyInput) {
    EXPECT_FALSE(PropertyList::parse(Data{}));
    EXPECT_FALSE(parses(""));
    EXPECT_FALSE(parses("   \n"));
}

TEST(PropertyListRejects, BinaryPropertyLists) {
    Data bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xD1, 0x01, 0x02, 0x51, 0x61};
    bytes.resize(64, 0);
    EXPECT_FALSE(PropertyList::parse(bytes));
}

TEST(PropertyListRejects, XmlThatIsNotAPropertyList) {
    EXPECT_FALSE(parses("<html><body>hello</body></html>"));
    EXPECT_FALSE(parses("<?xml version=\"1.0\"?><dict><key>a</key><true/></dict>"));
    EXPECT_FALSE(parses("<Plist><true/></Plist>"));
    EXPECT_FALSE(parses("plain text, no markup at all"));
    EXPECT_FALSE(parses("{\"json\": true}"));
}

TEST(PropertyListRejects, PlistElementWithoutExactlyOneValue) {
    EXPECT_FALSE(parses("<plist></plist>"));
    EXPECT_FALSE(parses("<plist/>"));
    EXPECT_FALSE(parses("<plist><true/><false/></plist>"));
    EXPECT_FALSE(parses("<plist>text<true/></plist>"));
    EXPECT_FALSE(parses("<plist><true/></plist><plist><true/></plist>"));
}

TEST(PropertyListRejects, MalformedElements) {
    EXPECT_FALSE(parsesBody("<unknown/>"));
    EXPECT_FALSE(parsesBody("<key>alone</key>"));
    EXPECT_FALSE(parsesBody("<array><key>k</key></array>"));
    EXPECT_FALSE(parsesBody("<dict><key>k</key></dict>"));
    EXPECT_FALSE(parsesBody("<dict><string>no key</string></dict>"));
    EXPECT_FALSE(parsesBody("<dict><key>a</key><key>b</key></dict>"));
    EXPECT_FALSE(parsesBody("<dict><key>a<b/></key><true/></dict>"));
    EXPECT_FALSE(parsesBody("<dict>stray<key>a</key><true/></dict>"));
    EXPECT_FALSE(parsesBody("<string>a<b/>c</string>"));
    EXPECT_FALSE(parsesBody("<true>yes</true>"));
}

TEST(PropertyListRejects, BadNumbers) {
    EXPECT_FALSE(parsesBody("<integer></integer>"));
    EXPECT_FALSE(parsesBody("<integer>12abc</integer>"));
    EXPECT_FALSE(parsesBody("<integer>1.5</integer>"));
    EXPECT_FALSE(parsesBody("<integer>0x</integer>"));
    EXPECT_FALSE(parsesBody("<integer>9223372036854775808</integer>"));
    EXPECT_FALSE(parsesBody("<integer>-9223372036854775809</integer>"));
    EXPECT_FALSE(parsesBody("<integer>99999999999999999999999</integer>"));
    EXPECT_FALSE(parsesBody("<real></real>"));
    EXPECT_FALSE(parsesBody("<real>1.2.3</real>"));
    EXPECT_FALSE(parsesBody("<real>twelve</real>"));
}

TEST(PropertyListRejects, BadBase64) {
    EXPECT_FALSE(parsesBody("<data>****</data>"));
    EXPECT_FALSE(parsesBody("<data>A</data>"));
    EXPECT_FALSE(parsesBody("<data>AA==AA</data>"));
}

TEST(PropertyListRejects, NestingBeyondTheLimit) {
    std::string body;
    for (int i = 0; i < 600; ++i) body += "<array>";
    for (int i = 0; i < 600; ++i) body += "</array>";
    EXPECT_FALSE(parsesBody(body));
}

TEST(PropertyListRejects, EveryTruncationOfAValidList) {
    const std::string full = TemporaryBundle::propertyListText(
        "<dict><key>a</key><array><integer>1</integer><real>2.5</real></array>"
        "<key>b</key><data>AAEC</data><key>c</key><string>text</string></dict>");
    ASSERT_TRUE(parses(full));
    const auto end = full.rfind("</plist>");
    for (std::size_t length = 0; length < end + 7; ++length) {
        EXPECT_FALSE(parses(std::string_view(full).substr(0, length))) << "length " << length;
    }
}

TEST(PropertyListRejects, RandomBytesWithoutCrashing) {
    std::mt19937 random(20240501);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 200);
    for (int round = 0; round < 2000; ++round) {
        Data bytes(static_cast<std::size_t>(length(random)));
        for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(random));
        EXPECT_FALSE(PropertyList::parse(bytes));
    }
}

TEST(PropertyListRejects, CorruptedCopiesOfAValidListWithoutCrashing) {
    const std::string full = TemporaryBundle::propertyListText(
        "<dict><key>width</key><real>138</real><key>names</key>"
        "<array><string>a</string><string>b</string></array></dict>");
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> position(0, full.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string copy = full;
        for (int flips = 0; flips < 3; ++flips)
            copy[position(random)] = static_cast<char>(byte(random));
        // Some corruptions still leave a property list; none may crash.
        (void)PropertyList::parse(copy);
    }
}

}  // namespace
