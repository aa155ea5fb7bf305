#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <string>

#include "Platform/Foundation/Decoder.h"
#include "Support/TemporaryBundle.h"

using platform::Data;
using platform::Decoder;
using platform::KeyedContainer;
using platform::PropertyList;
using platform::PropertyListDecoder;
using platform::PropertyListValue;
using quorvel::testsupport::TemporaryBundle;

namespace {

Data bytesOf(const std::string& text) {
    return Data(text.begin(), text.end());
}

Data listBytes(const std::string& body) {
    return bytesOf(TemporaryBundle::propertyListText(body));
}

KeyedContainer containerFor(const std::string& dictionaryBody) {
    auto root = PropertyList::parse(listBytes("<dict>" + dictionaryBody + "</dict>"));
    EXPECT_TRUE(root);
    auto container = Decoder(root.value_or(PropertyListValue())).keyedContainer();
    EXPECT_TRUE(container);
    return *container;
}

TEST(KeyedContainerFloat, ReadsIntegersAndRealsThatFit) {
    const auto c = containerFor(
        "<key>int</key><integer>48</integer>"
        "<key>real</key><real>2.5</real>"
        "<key>negative</key><real>-0.75</real>"
        "<key>zero</key><integer>0</integer>"
        "<key>largestFloat</key><real>3.4028234663852886e38</real>"
        "<key>bigInteger</key><integer>9223372036854775807</integer>");
    EXPECT_EQ(c.decodeFloat("int"), 48.0f);
    EXPECT_EQ(c.decodeFloat("real"), 2.5f);
    EXPECT_EQ(c.decodeFloat("negative"), -0.75f);
    EXPECT_EQ(c.decodeFloat("zero"), 0.0f);
    EXPECT_EQ(c.decodeFloat("largestFloat"), FLT_MAX);
    EXPECT_EQ(c.decodeFloat("bigInteger"), 9223372036854775807.0f);
}

TEST(KeyedContainerFloat, NumbersBeyondTheFloatRangeAreNotFloats) {
    const auto c = containerFor(
        "<key>huge</key><real>1e39</real>"
        "<key>hugeNegative</key><real>-1e39</real>"
        "<key>justAbove</key><real>3.4028236e38</real>"
        "<key>infinity</key><real>+infinity</real>"
        "<key>nan</key><real>nan</real>");
    EXPECT_FALSE(c.decodeFloat("huge"));
    EXPECT_FALSE(c.decodeFloat("hugeNegative"));
    EXPECT_FALSE(c.decodeFloat("justAbove"));
    EXPECT_FALSE(c.decodeFloat("infinity"));
    EXPECT_FALSE(c.decodeFloat("nan"));
    // The same values are still doubles.
    EXPECT_EQ(c.decodeDouble("huge"), 1e39);
    EXPECT_EQ(c.decodeDouble("infinity"), std::numeric_limits<double>::infinity());
}

TEST(KeyedContainerFloat, OtherKindsAreNotNumbers) {
    const auto c = containerFor(
        "<key>yes</key><true/><key>no</key><false/>"
        "<key>text</key><string>4</string><key>bytes</key><data>AA==</data>"
        "<key>when</key><date>2020-01-01T00:00:00Z</date>"
        "<key>list</key><array><integer>1</integer></array>"
        "<key>dict</key><dict/>");
    for (const char* key : {"yes", "no", "text", "bytes", "when", "list", "dict", "missing"}) {
        EXPECT_FALSE(c.decodeFloat(key)) << key;
        EXPECT_FALSE(c.decodeDouble(key)) << key;
        EXPECT_FALSE(c.decodeInteger(key)) << key;
    }
}

TEST(KeyedContainer, ReadsStringsOnlyFromStrings) {
    const auto c = containerFor(
        "<key>name</key><string>Helvetica</string><key>empty</key><string/>"
        "<key>number</key><integer>5</integer><key>date</key><date>x</date>");
    EXPECT_EQ(c.decodeString("name"), "Helvetica");
    EXPECT_EQ(c.decodeString("empty"), "");
    EXPECT_FALSE(c.decodeString("number"));
    EXPECT_FALSE(c.decodeString("date"));
    EXPECT_FALSE(c.decodeString("missing"));
}

TEST(KeyedContainer, ReadsBooleansOnlyFromBooleans) {
    const auto c = containerFor("<key>on</key><true/><key>one</key><integer>1</integer>");
    EXPECT_EQ(c.decodeBool("on"), true);
    EXPECT_FALSE(c.decodeBool("one"));
}

TEST(KeyedContainer, ReadsIntegersFromIntegralReals) {
    const auto c = containerFor(
        "<key>whole</key><real>12</real><key>fraction</key><real>12.5</real>"
        "<key>tooBig</key><real>1e19</real>");
    EXPECT_EQ(c.decodeInteger("whole"), 12);
    EXPECT_FALSE(c.decodeInteger("fraction"));
    EXPECT_FALSE(c.decodeInteger("tooBig"));
}

TEST(KeyedContainer, ReportsKeysAndNestedDictionaries) {
    const auto c =
        containerFor("<key>b</key><true/><key>a</key><dict><key>x</key><real>1.5</real></dict>");
    EXPECT_TRUE(c.contains("a"));
    EXPECT_TRUE(c.contains("b"));
    EXPECT_FALSE(c.contains("A"));
    EXPECT_EQ(c.allKeys(), (std::vector<std::string>{"a", "b"}));

    const auto nested = c.nestedContainer("a");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->decodeDouble("x"), 1.5);
    EXPECT_FALSE(c.nestedContainer("b"));
}

TEST(KeyedContainer, OutlivesTheDecoderThatMadeIt) {
    std::optional<KeyedContainer> container;
    {
        Decoder decoder(PropertyListValue::Dictionary{{"w", 3.0}});
        container = decoder.keyedContainer();
    }
    ASSERT_TRUE(container);
    EXPECT_EQ(container->decodeFloat("w"), 3.0f);
}

TEST(Decoder, OffersNoKeyedContainerForOtherRoots) {
    for (const char* body :
         {"<array><dict/></array>", "<string>dict</string>", "<true/>", "<integer>1</integer>",
          "<real>1</real>", "<data>AA==</data>", "<date>2020-01-01T00:00:00Z</date>"}) {
        auto root = PropertyList::parse(listBytes(body));
        ASSERT_TRUE(root) << body;
        EXPECT_FALSE(Decoder(*root).keyedContainer()) << body;
    }
}

// A decodable type in the manner of the framework's themes: defaults, replaced by what the file
// holds.
struct Metrics {
    float width = 138;
    float height = 48;
    std::string font;
    bool sawDictionary = false;

    explicit Metrics(const Decoder& decoder) {
        const auto container = decoder.keyedContainer();
        if (!container) return;
        sawDictionary = true;
        width = container->decodeFloat("width").value_or(width);
        height = container->decodeFloat("height").value_or(height);
        font = container->decodeString("font").value_or(font);
    }
};

TEST(PropertyListDecoder, BuildsTheTypeFromTheRoot) {
    const auto metrics = PropertyListDecoder::decode<Metrics>(
        listBytes("<dict><key>width</key><integer>200</integer>"
                  "<key>height</key><string>tall</string><key>font</key><string>Body</string>"
                  "</dict>"));
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(metrics->sawDictionary);
    EXPECT_EQ(metrics->width, 200.0f);
    EXPECT_EQ(metrics->height, 48.0f);  // Wrong kind: the default stays.
    EXPECT_EQ(metrics->font, "Body");
}

TEST(PropertyListDecoder, BuildsTheTypeEvenWhenTheRootIsNotADictionary) {
    const auto metrics = PropertyListDecoder::decode<Metrics>(listBytes("<array/>"));
    ASSERT_TRUE(metrics);
    EXPECT_FALSE(metrics->sawDictionary);
    EXPECT_EQ(metrics->width, 138.0f);
}

TEST(PropertyListDecoder, GivesNothingForBytesThatAreNotAPropertyList) {
    EXPECT_FALSE(PropertyListDecoder::decode<Metrics>(Data{}));
    EXPECT_FALSE(PropertyListDecoder::decode<Metrics>(bytesOf("not a plist")));
    EXPECT_EQ(PropertyListDecoder::decodeShared<Metrics>(bytesOf("<xml/>")), nullptr);

    const auto shared = PropertyListDecoder::decodeShared<Metrics>(
        listBytes("<dict><key>height</key><real>60</real></dict>"));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->height, 60.0f);
}

}  // namespace
