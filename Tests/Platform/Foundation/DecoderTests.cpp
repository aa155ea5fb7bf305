#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Decoder.h"
#include "Support/TemporaryBundle.h"

using quorvel::platform::Data;
using quorvel::platform::Decoder;
using quorvel::platform::KeyedContainer;
using quorvel::platform::PropertyList;
using quorvel::platform::PropertyListDecoder;
using quorvel::platform::PropertyListValue;
using quorvel::testsupport::TemporaryBundle;

namespace {

Data listBytes(const std::string& body) {
    const std::string text = TemporaryBundle::propertyListText(body);
    return Data(text.begin(), text.end());
}

KeyedContainer containerFor(const std::string& dictionaryBody) {
    auto root = PropertyList::parse(listBytes("<dict>" + dictionaryBody + "</dict>"));
    EXPECT_TRUE(root);
    auto container = Decoder(root.value_or(PropertyListValue())).keyedContainer();
    EXPECT_TRUE(container);
    return *container;
}

// One value of every kind, and numbers at the edges of the float and integer ranges.
const KeyedContainer& everyKind() {
    static const KeyedContainer container = containerFor(
        "<key>int</key><integer>48</integer><key>real</key><real>2.5</real>"
        "<key>negative</key><real>-0.75</real><key>whole</key><real>12</real>"
        "<key>largestFloat</key><real>3.4028234663852886e38</real>"
        "<key>bigInteger</key><integer>9223372036854775807</integer>"
        "<key>huge</key><real>1e39</real><key>hugeNegative</key><real>-1e39</real>"
        "<key>justAbove</key><real>3.4028236e38</real><key>infinity</key><real>+infinity</real>"
        "<key>nan</key><real>nan</real><key>tooBig</key><real>1e19</real>"
        "<key>yes</key><true/><key>no</key><false/><key>text</key><string>4</string>"
        "<key>empty</key><string/><key>bytes</key><data>AA==</data>"
        "<key>when</key><date>2020-01-01T00:00:00Z</date>"
        "<key>list</key><array><integer>1</integer></array>"
        "<key>dict</key><dict><key>x</key><real>1.5</real></dict>");
    return container;
}

TEST(KeyedContainer, ReadsEachTypeOnlyFromTheKindsThatHoldIt) {
    const auto& c = everyKind();
    struct Row {
        const char* key;
        std::optional<float> asFloat;
        std::optional<double> asDouble;
        std::optional<std::int64_t> asInteger;
        std::optional<bool> asBool;
        std::optional<std::string> asString;
    };
    const double huge = 1e39;
    const double infinity = std::numeric_limits<double>::infinity();
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    // Numbers beyond the float range are not floats, though still doubles; a boolean is no number.
    for (const auto& [key, asFloat, asDouble, asInteger, asBool, asString] : std::vector<Row>{
             {"int", 48.0f, 48.0, 48, {}, {}},
             {"real", 2.5f, 2.5, {}, {}, {}},
             {"negative", -0.75f, -0.75, {}, {}, {}},
             {"whole", 12.0f, 12.0, 12, {}, {}},
             {"largestFloat", FLT_MAX, 3.4028234663852886e38, {}, {}, {}},
             {"bigInteger", 9223372036854775807.0f, 9223372036854775807.0, max, {}, {}},
             {"huge", {}, huge, {}, {}, {}},
             {"hugeNegative", {}, -huge, {}, {}, {}},
             {"justAbove", {}, 3.4028236e38, {}, {}, {}},
             {"infinity", {}, infinity, {}, {}, {}},
             {"tooBig", 1e19f, 1e19, {}, {}, {}},
             {"yes", {}, {}, {}, true, {}},
             {"no", {}, {}, {}, false, {}},
             {"text", {}, {}, {}, {}, "4"},
             {"empty", {}, {}, {}, {}, ""},
             {"bytes", {}, {}, {}, {}, {}},
             {"when", {}, {}, {}, {}, {}},
             {"list", {}, {}, {}, {}, {}},
             {"dict", {}, {}, {}, {}, {}},
             {"missing", {}, {}, {}, {}, {}},
         }) {
        SCOPED_TRACE(key);
        EXPECT_EQ(c.decodeFloat(key), asFloat);
        EXPECT_EQ(c.decodeDouble(key), asDouble);
        EXPECT_EQ(c.decodeInteger(key), asInteger);
        EXPECT_EQ(c.decodeBool(key), asBool);
        EXPECT_EQ(c.decodeString(key), asString);
    }
    EXPECT_FALSE(c.decodeFloat("nan"));
    EXPECT_TRUE(std::isnan(*c.decodeDouble("nan")));
}

TEST(KeyedContainer, ReportsKeysAndNestedDictionariesAndOutlivesItsDecoder) {
    std::optional<KeyedContainer> c;
    {
        const Decoder decoder(*PropertyList::parse(listBytes(
            "<dict><key>b</key><true/><key>a</key><dict><key>x</key><real>1.5</real></dict>"
            "</dict>")));
        c = decoder.keyedContainer();
    }
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->contains("a"));
    EXPECT_FALSE(c->contains("A"));
    EXPECT_EQ(c->allKeys(), (std::vector<std::string>{"a", "b"}));
    const auto nested = c->nestedContainer("a");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->decodeDouble("x"), 1.5);
    EXPECT_FALSE(c->nestedContainer("b"));
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

TEST(PropertyListDecoder, BuildsTheTypeFromAnyRootKeepingDefaultsForWrongKinds) {
    const auto metrics = PropertyListDecoder::decode<Metrics>(
        listBytes("<dict><key>width</key><integer>200</integer>"
                  "<key>height</key><string>tall</string><key>font</key><string>Body</string>"
                  "</dict>"));
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(metrics->sawDictionary);
    EXPECT_EQ(metrics->width, 200.0f);
    EXPECT_EQ(metrics->height, 48.0f);
    EXPECT_EQ(metrics->font, "Body");

    const auto fromArray = PropertyListDecoder::decode<Metrics>(listBytes("<array/>"));
    ASSERT_TRUE(fromArray);
    EXPECT_FALSE(fromArray->sawDictionary);
    EXPECT_EQ(fromArray->width, 138.0f);

    const auto shared = PropertyListDecoder::decodeShared<Metrics>(
        listBytes("<dict><key>height</key><real>60</real></dict>"));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->height, 60.0f);
}

TEST(PropertyListDecoder, GivesNothingForBytesThatAreNotAPropertyList) {
    const std::string notAList = "not a plist";
    EXPECT_FALSE(PropertyListDecoder::decode<Metrics>(Data{}));
    EXPECT_FALSE(PropertyListDecoder::decode<Metrics>(Data(notAList.begin(), notAList.end())));
    EXPECT_EQ(PropertyListDecoder::decodeShared<Metrics>(Data{'<', 'x', '/', '>'}), nullptr);
}

}  // namespace
