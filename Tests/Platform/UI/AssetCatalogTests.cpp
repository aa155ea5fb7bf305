#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/AssetCatalog.h"
#include "Support/BlockingReads.h"
#include "Support/TemporaryBundle.h"

namespace {

using quorvel::platform::AssetCatalog;
using quorvel::platform::Bundle;
using quorvel::platform::Color;
using quorvel::platform::ScopedLogCapture;
using quorvel::platform::Size;
using quorvel::testsupport::TemporaryBundle;

quorvel::platform::Data png(int width, int height) {
    std::vector<std::uint8_t> bytes;
    cv::imencode(".png", cv::Mat(height, width, CV_8UC4, cv::Scalar(0, 0, 255, 255)), bytes);
    return bytes;
}

const char* const catalogue = R"({
  "colors": {
    "accent": {"red": 0.1, "green": 0.2, "blue": 0.3, "alpha": 0.4},
    "solid": {"red": 1, "green": 0.5, "blue": 0},
    "broken": {"red": "high", "green": 0, "blue": 0},
    "incomplete": {"red": 1, "green": 0},
    "a/b": {"red": 1, "green": 1, "blue": 1}
  },
  "images": {
    "logo": "Images/logo.png",
    "retina": {"file": "Images/logo@2x.png", "scale": 2},
    "plainObject": {"file": "Images/logo.png"},
    "badScale": {"file": "Images/logo.png", "scale": 0},
    "escape": "../outside.png",
    "absolute": "/etc/hostname",
    "missing": "Images/none.png",
    "notAnImage": "Images/text.png"
  }
})";

class AssetCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.write("Assets.json", catalogue);
        host.write("Images/logo.png", png(6, 4));
        host.write("Images/logo@2x.png", png(6, 4));
        host.write("Images/text.png", "hello");
    }

    TemporaryBundle host{"Host.bundle"};
};

TEST_F(AssetCatalogTest, ColoursComeWithTheirComponents) {
    EXPECT_EQ(AssetCatalog::color("accent", host.bundle()), (Color{0.1, 0.2, 0.3, 0.4}));
    EXPECT_EQ(AssetCatalog::color("solid", host.bundle()), (Color{1, 0.5, 0, 1}));
    EXPECT_FALSE(AssetCatalog::color("unknown", host.bundle()).has_value());
    EXPECT_EQ(AssetCatalog::color("accent", *host.bundle()), (Color{0.1, 0.2, 0.3, 0.4}));
}

TEST_F(AssetCatalogTest, MisshapenColourEntriesAreSkipped) {
    EXPECT_FALSE(AssetCatalog::color("broken", host.bundle()).has_value());
    EXPECT_FALSE(AssetCatalog::color("incomplete", host.bundle()).has_value());
    EXPECT_TRUE(AssetCatalog::color("accent", host.bundle()).has_value());
}

TEST_F(AssetCatalogTest, ImagesLoadAtScaleOneUnlessTheEntryGivesAScale) {
    const auto logo = AssetCatalog::image("logo", host.bundle());
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->scale(), 1);
    EXPECT_EQ(logo->size(), (Size{6, 4}));
    const auto retina = AssetCatalog::image("retina", host.bundle());
    ASSERT_NE(retina, nullptr);
    EXPECT_EQ(retina->scale(), 2);
    EXPECT_EQ(retina->size(), (Size{3, 2}));
    ASSERT_NE(AssetCatalog::image("plainObject", host.bundle()), nullptr);
    EXPECT_EQ(AssetCatalog::image("plainObject", host.bundle())->scale(), 1);
}

TEST_F(AssetCatalogTest, ImagesAreDecodedOnceAndShared) {
    const auto logo = AssetCatalog::image("logo", host.bundle());
    EXPECT_EQ(AssetCatalog::image("logo", host.bundle()), logo);
    EXPECT_EQ(AssetCatalog::image("logo", *host.bundle()), logo);  // same catalogue by reference
}

TEST_F(AssetCatalogTest, UnusableImageEntriesFindNothing) {
    for (const char* name : {"badScale", "escape", "absolute", "missing", "notAnImage", "none"}) {
        EXPECT_EQ(AssetCatalog::image(name, host.bundle()), nullptr) << name;
    }
}

TEST_F(AssetCatalogTest, ForbiddenNamesAreNeverFound) {
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("a/b"),
          std::string("Images/logo"), std::string("logo\0x", 6)}) {
        EXPECT_FALSE(AssetCatalog::isValidName(name));
        EXPECT_FALSE(AssetCatalog::color(name, host.bundle()).has_value());
        EXPECT_EQ(AssetCatalog::image(name, host.bundle()), nullptr);
    }
    EXPECT_TRUE(AssetCatalog::isValidName("logo.dark"));
}

TEST_F(AssetCatalogTest, CatalogueIsReadOnceUntilTheCacheIsReset) {
    ASSERT_TRUE(AssetCatalog::color("accent", host.bundle()).has_value());
    host.write("Assets.json", R"({"colors": {"fresh": {"red": 0, "green": 0, "blue": 1}}})");
    EXPECT_TRUE(AssetCatalog::color("accent", host.bundle()).has_value());
    EXPECT_FALSE(AssetCatalog::color("fresh", host.bundle()).has_value());
    AssetCatalog::resetCache();
    EXPECT_FALSE(AssetCatalog::color("accent", host.bundle()).has_value());
    EXPECT_EQ(AssetCatalog::color("fresh", host.bundle()), (Color{0, 0, 1, 1}));
}

TEST(AssetCatalog, MalformedOrMissingFileMakesAnEmptyCatalogue) {
    for (const char* text :
         {"{\"colors\": {\"accent\": ", "[1, 2, 3]", "null", R"({"colors": [], "images": 7})"}) {
        TemporaryBundle bundle("Broken.bundle");
        bundle.write("Assets.json", text);
        EXPECT_FALSE(AssetCatalog::color("accent", bundle.bundle()).has_value()) << text;
        EXPECT_EQ(AssetCatalog::image("logo", bundle.bundle()), nullptr) << text;
    }
    TemporaryBundle empty("Empty.bundle");
    EXPECT_FALSE(AssetCatalog::color("accent", empty.bundle()).has_value());
}

TEST(AssetCatalog, ColourComponentsOutsideZeroToOneAreRefusedEachWithOneLogLine) {
    TemporaryBundle bundle("Bytes.bundle");
    const auto file = bundle.write("Assets.json", R"({"colors": {
        "bytes": {"red": 255, "green": 128, "blue": 0},
        "negative": {"red": 0.5, "green": -0.25, "blue": 0.5},
        "opaque": {"red": 0, "green": 0, "blue": 0, "alpha": 100},
        "edges": {"red": 0, "green": 1, "blue": 0.0, "alpha": 1.0}
    }})");
    ScopedLogCapture log;
    EXPECT_FALSE(AssetCatalog::color("bytes", bundle.bundle()));
    EXPECT_FALSE(AssetCatalog::color("negative", bundle.bundle()));
    EXPECT_FALSE(AssetCatalog::color("opaque", bundle.bundle()));
    EXPECT_EQ(AssetCatalog::color("edges", bundle.bundle()), (Color{0, 1, 0, 1}));
    const std::string at = file.string() + ": colour ";
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  at + "\"bytes\" is skipped: red is 255, outside 0 to 1",
                                  at + "\"negative\" is skipped: green is -0.25, outside 0 to 1",
                                  at + "\"opaque\" is skipped: alpha is 100, outside 0 to 1",
                              }));
}

TEST(AssetCatalog, MisshapenEntriesAreLoggedWithTheirNameAndTheFile) {
    TemporaryBundle bundle("Shapes.bundle");
    const auto file = bundle.write("Assets.json", catalogue);
    ScopedLogCapture log;
    EXPECT_TRUE(AssetCatalog::color("accent", bundle.bundle()));
    const std::string at = file.string() + ": ";
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  at + "colour \"a/b\" is skipped: the name is not valid",
                  at + "colour \"broken\" is skipped: red is not a number: \"high\"",
                  at + "colour \"incomplete\" is skipped: blue is missing",
                  at + "image \"absolute\" is skipped: the file \"/etc/hostname\" is not relative "
                       "to the bundle",
                  at + "image \"badScale\" is skipped: the scale 0 is not a positive number",
                  at + "image \"escape\" is skipped: the file \"../outside.png\" leaves the bundle",
              }));
}

TEST(AssetCatalog, UnusableFileIsLoggedOnceAndMakesAnEmptyCatalogue) {
    const std::pair<const char*, const char*> cases[] = {
        {"{\"colors\": {\"accent\": ", "is not valid JSON ("},
        {"[1, 2, 3]", "does not hold a JSON object: the catalogue is empty"},
        {"", "is not valid JSON ("},
    };
    for (const auto& [text, complaint] : cases) {
        TemporaryBundle bundle("Broken.bundle");
        const auto file = bundle.write("Assets.json", text);
        ScopedLogCapture log;
        EXPECT_FALSE(AssetCatalog::color("accent", bundle.bundle())) << text;
        EXPECT_FALSE(AssetCatalog::color("other", bundle.bundle())) << text;
        const auto messages = log.messages();
        ASSERT_EQ(messages.size(), 1u) << text;
        EXPECT_EQ(messages[0].rfind(file.string() + " " + complaint, 0), 0u) << messages[0];
    }
    TemporaryBundle sections("Sections.bundle");
    const auto file = sections.write("Assets.json", R"({"colors": [], "images": 7})");
    ScopedLogCapture log;
    EXPECT_FALSE(AssetCatalog::color("accent", sections.bundle()));
    EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                  file.string() + ": \"colors\" is not an object: it is skipped",
                                  file.string() + ": \"images\" is not an object: it is skipped"}));
    TemporaryBundle empty("Empty.bundle");
    log.clear();
    EXPECT_FALSE(AssetCatalog::color("accent", empty.bundle()));
    EXPECT_TRUE(log.messages().empty()) << "a bundle need not have a catalogue";
}

TEST(AssetCatalog, DeepNestingIsRefusedAndLogLinesQuoteOnlyAShortPrefix) {
    // A colour value nested 80,000 deep: refused as a whole, with one line, not printed.
    TemporaryBundle deep("Deep.bundle");
    const auto deepFile =
        deep.write("Assets.json",
                   R"({"colors": {"plain": {"red": 1, "green": 1, "blue": 1}, "deep": {"red": )" +
                       std::string(80000, '[') + std::string(80000, ']') + "}}}");
    ScopedLogCapture log;
    EXPECT_FALSE(AssetCatalog::color("plain", deep.bundle()));
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{deepFile.string() +
                                       " nests deeper than 32 levels: the catalogue is empty"});

    // Nesting up to the bound is read as usual.
    TemporaryBundle shallow("Shallow.bundle");
    shallow.write("Assets.json",
                  R"({"colors": {"plain": {"red": 1, "green": 1, "blue": 1}, "x": )" +
                      std::string(28, '[') + std::string(28, ']') + "}}");
    EXPECT_TRUE(AssetCatalog::color("plain", shallow.bundle()));

    // Brackets inside strings, escaped quotes among them, do not nest.
    TemporaryBundle quoted("Quoted.bundle");
    quoted.write("Assets.json",
                 R"({"colors": {"plain": {"red": 1, "green": 1, "blue": 1}}, "note": "\"[)" +
                     std::string(100, '[') + R"("})");
    EXPECT_TRUE(AssetCatalog::color("plain", quoted.bundle()));

    // Wrong values and names of any length are quoted by a short prefix.
    log.clear();
    TemporaryBundle large("Large.bundle");
    const std::string longText(1 << 18, 'x');
    std::string numbers = "[1";
    for (int i = 0; i < 100000; ++i) numbers += ",1";
    numbers += "]";
    large.write("Assets.json", R"({"colors": {"text": {"red": ")" + longText +
                                   R"("}, "list": {"red": )" + numbers + R"(}, ")" + longText +
                                   R"(": 5}, "images": {"unterminated": ")" + longText);
    EXPECT_FALSE(AssetCatalog::color("text", large.bundle()));
    large.write("Assets.json", R"({"colors": {"text": {"red": ")" + longText +
                                   R"("}, "list": {"red": )" + numbers + R"(}, ")" + longText +
                                   R"(": 5}})");
    AssetCatalog::resetCache();
    EXPECT_FALSE(AssetCatalog::color("text", large.bundle()));
    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), 4u);
    for (const auto& message : messages) EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
    EXPECT_NE(messages[0].find("is not valid JSON ("), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("red is not a number: [1,1,1,"), std::string::npos) << messages[1];
    EXPECT_NE(messages[2].find(R"(red is not a number: "xxxxxxxxxx)"), std::string::npos)
        << messages[2];
    EXPECT_NE(messages[3].find(R"(colour "xxxxxxxxxx)"), std::string::npos) << messages[3];
}

TEST(AssetCatalog, FileOverOneMegabyteIsRefusedFromItsSizeWithOneLogLine) {
    TemporaryBundle bundle("Large.bundle");
    std::string text = R"({"colors": {"plain": {"red": 1, "green": 1, "blue": 1}}, "pad": ")";
    text += std::string(AssetCatalog::maximumFileSize - text.size() - 2, ' ') + "\"}";
    const auto file = bundle.write("Assets.json", text);
    EXPECT_TRUE(AssetCatalog::color("plain", bundle.bundle())) << "exactly 1 MB is read";
    bundle.write("Assets.json", text + " ");
    AssetCatalog::resetCache();
    ScopedLogCapture log;
    EXPECT_FALSE(AssetCatalog::color("plain", bundle.bundle()));
    EXPECT_FALSE(AssetCatalog::color("other", bundle.bundle()));
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{file.string() +
                                       " is refused: it holds 1048577 bytes, more than the 1048576 "
                                       "allowed; the catalogue is empty"});
}

TEST(AssetCatalog, ImageScalesOutsideOneToFourKeepTheDefaultWithOneLogLineEach) {
    TemporaryBundle bundle("Scales.bundle");
    const auto file = bundle.write("Assets.json", R"({"images": {
        "tiny": {"file": "icon.png", "scale": 0.001},
        "tinier": {"file": "icon.png", "scale": 1e-6},
        "huge": {"file": "icon.png", "scale": 5},
        "dense": {"file": "icon.png", "scale": 4},
        "plain": {"file": "icon.png", "scale": 1}
    }})");
    bundle.write("icon.png", png(64, 64));
    ScopedLogCapture log;
    for (const char* name : {"tiny", "tinier", "huge", "plain"}) {
        const auto image = AssetCatalog::image(name, bundle.bundle());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->size(), (Size{64, 64})) << name;
    }
    EXPECT_EQ(AssetCatalog::image("dense", bundle.bundle())->size(), (Size{16, 16}));
    const std::string at = file.string() + ": image ";
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  at + "\"huge\" has scale 5, outside 1 to 4; it is left at its default",
                  at + "\"tinier\" has scale 1e-06, outside 1 to 4; it is left at its default",
                  at + "\"tiny\" has scale 0.001, outside 1 to 4; it is left at its default",
              }));
}

TEST(AssetCatalog, NamesOfOneImageFileShareItsDecodedPixels) {
    TemporaryBundle bundle("Shared.bundle");
    bundle.write("Assets.json", R"({"images": {
        "plain": "Images/icon.png",
        "dotted": "Images/./icon.png",
        "retina": {"file": "Images/icon.png", "scale": 2},
        "linked": "link.png",
        "other": "Images/other.png"
    }})");
    bundle.write("Images/icon.png", png(8, 8));
    bundle.write("Images/other.png", png(8, 8));
    std::filesystem::create_symlink(bundle.path() / "Images/icon.png", bundle.path() / "link.png");
    const auto plain = AssetCatalog::image("plain", bundle.bundle());
    ASSERT_NE(plain, nullptr);
    for (const char* name : {"dotted", "retina", "linked"}) {
        const auto image = AssetCatalog::image(name, bundle.bundle());
        ASSERT_NE(image, nullptr) << name;
        EXPECT_EQ(image->bitmap(), plain->bitmap()) << name;
    }
    EXPECT_EQ(AssetCatalog::image("retina", bundle.bundle())->scale(), 2);
    EXPECT_NE(AssetCatalog::image("other", bundle.bundle())->bitmap(), plain->bitmap());
}

TEST(AssetCatalog, ImageFilesThatCannotBeUsedAreLoggedOnceWithTheReason) {
    // A PNG header claiming 5000 × 4000 pixels, more than an icon may have: refused from the
    // header (the pixels that would follow are not there).
    quorvel::platform::Data claimsLarge = png(1, 1);
    const std::uint8_t size[8] = {0, 0, 0x13, 0x88, 0, 0, 0x0F, 0xA0};
    std::copy(std::begin(size), std::end(size), claimsLarge.begin() + 16);
    TemporaryBundle bundle("Unusable.bundle");
    const auto file = bundle.write("Assets.json", R"({"images": {
        "large": "large.png",
        "largeToo": "large.png",
        "text": "text.png",
        "missing": "none.png"
    }})");
    bundle.write("large.png", claimsLarge);
    bundle.write("text.png", "hello");
    ScopedLogCapture log;
    for (int round = 0; round < 2; ++round) {
        for (const char* name : {"large", "largeToo", "text", "missing"}) {
            EXPECT_EQ(AssetCatalog::image(name, bundle.bundle()), nullptr) << name;
        }
    }
    const std::string at = file.string() + ": image ";
    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], at + "\"large\" is skipped: " + (bundle.path() / "large.png").string() +
                               ": The image is 5000 x 4000 pixels, more than the 16000000 pixels "
                               "that are decoded.");
    EXPECT_EQ(messages[1], at + "\"text\" is skipped: " + (bundle.path() / "text.png").string() +
                               ": The data is neither a JPEG nor a PNG image.");
    EXPECT_EQ(messages[2], at + "\"missing\" is skipped: " + (bundle.path() / "none.png").string() +
                               ": No such file.");
}

TEST(AssetCatalog, ImagesLargerThanAnIconIsDrawnAreScaledDownKeepingTheirSizeInPoints) {
    // 4000 x 4000 pixels of one colour: a PNG of a few dozen kilobytes, 64 MB decoded.
    TemporaryBundle bundle("Large.bundle");
    bundle.write("Assets.json", R"({"images": {
        "large": "large.png",
        "largeRetina": {"file": "large.png", "scale": 2},
        "wide": "wide.png",
        "edge": "edge.png"
    }})");
    bundle.write("large.png", png(4000, 4000));
    bundle.write("wide.png", png(4000, 1000));
    bundle.write("edge.png", png(AssetCatalog::maximumImageSide, 8));
    const int bound = AssetCatalog::maximumImageSide;
    ASSERT_LE(bound, 512);

    const auto large = AssetCatalog::image("large", bundle.bundle());
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->bitmap()->width(), bound);
    EXPECT_EQ(large->bitmap()->height(), bound);
    EXPECT_EQ(large->size(), (Size{4000, 4000}));
    EXPECT_EQ(large->bitmap()->pixel(bound / 2, bound / 2), (Color{1, 0, 0, 1}));
    const auto retina = AssetCatalog::image("largeRetina", bundle.bundle());
    ASSERT_NE(retina, nullptr);
    EXPECT_EQ(retina->bitmap(), large->bitmap());
    EXPECT_EQ(retina->size(), (Size{2000, 2000}));

    const auto wide = AssetCatalog::image("wide", bundle.bundle());
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->bitmap()->width(), bound);
    EXPECT_EQ(wide->bitmap()->height(), bound / 4);
    EXPECT_EQ(wide->size(), (Size{4000, 1000}));

    // One at the bound is kept as it is.
    const auto edge = AssetCatalog::image("edge", bundle.bundle());
    ASSERT_NE(edge, nullptr);
    EXPECT_EQ(edge->bitmap()->width(), bound);
    EXPECT_EQ(edge->scale(), 1);
}

TEST(AssetCatalog, NumberBeyondADoublesRangeSkipsOnlyItsEntryWithOneLogLine) {
    // 1e309 is valid JSON but no double holds it; 1e308 does.
    TemporaryBundle bundle("Overflow.bundle");
    const auto file = bundle.write("Assets.json", R"({
      "colors": {
        "plain": {"red": 0.25, "green": 0.5, "blue": 1},
        "overflow": {"red": 1e309, "green": 0, "blue": 0},
        "negative": {"red": 0, "green": -1E+309, "blue": 0},
        "digits": {"red": 0, "green": 0, "blue": )" + std::string(400, '9') +
                                                      R"(},
        "large": {"red": 1e308, "green": 0, "blue": 0},
        "tiny": {"red": 1e-400, "green": 0, "blue": 0.5},
        "quoted": {"red": "1e309", "green": 0, "blue": 0}
      },
      "images": {
        "logo": "logo.png",
        "overflowScale": {"file": "logo.png", "scale": 1e309}
      },
      "note": [1e999, -1e999]
    })");
    bundle.write("logo.png", png(4, 4));
    ScopedLogCapture log;
    EXPECT_EQ(AssetCatalog::color("plain", bundle.bundle()), (Color{0.25, 0.5, 1, 1}));
    EXPECT_EQ(AssetCatalog::color("tiny", bundle.bundle()), (Color{0, 0, 0.5, 1}));
    for (const char* name : {"overflow", "negative", "digits", "large", "quoted"}) {
        EXPECT_FALSE(AssetCatalog::color(name, bundle.bundle())) << name;
    }
    ASSERT_NE(AssetCatalog::image("logo", bundle.bundle()), nullptr);
    EXPECT_EQ(AssetCatalog::image("overflowScale", bundle.bundle()), nullptr);
    const std::string at = file.string() + ": ";
    EXPECT_EQ(log.messages(),
              (std::vector<std::string>{
                  at + "colour \"digits\" is skipped: blue is a number out of a double's range",
                  at + "colour \"large\" is skipped: red is 1e+308, outside 0 to 1",
                  at + "colour \"negative\" is skipped: green is a number out of a double's range",
                  at + "colour \"overflow\" is skipped: red is a number out of a double's range",
                  at + "colour \"quoted\" is skipped: red is not a number: \"1e309\"",
                  at + "image \"overflowScale\" is skipped: the scale is a number out of a "
                       "double's range",
              }));
}

TEST(AssetCatalog, CatalogueThatIsAFifoIsNeverWaitedFor) {
    TemporaryBundle bundle("Fifo.bundle");
    const auto fifo = bundle.makeFifo("Assets.json");
    ScopedLogCapture log;
    std::optional<Color> color = Color{};
    EXPECT_TRUE(quorvel::testsupport::returnsWithoutAWriter(
        fifo, [&] { color = AssetCatalog::color("accent", bundle.bundle()); }));
    EXPECT_FALSE(color);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{fifo.string() +
                                       " is not a readable file: the catalogue is empty"});
}

TEST(AssetCatalog, NullBundleMeansTheMainBundle) {
    TemporaryBundle app("App.bundle");
    app.write("Assets.json", R"({"colors": {"brand": {"red": 0, "green": 1, "blue": 0}}})");
    Bundle::setMain(app.bundle());
    const auto found = AssetCatalog::color("brand", nullptr);
    Bundle::setMain(nullptr);
    EXPECT_EQ(found, (Color{0, 1, 0, 1}));
}

TEST(AssetCatalog, ManyThreadsReadTheSameCatalogue) {
    TemporaryBundle shared("Shared.bundle");
    shared.write("Assets.json", R"({"colors": {"tint": {"red": 0.5, "green": 0.5, "blue": 0.5}},
                                    "images": {"dot": "dot.png"}})");
    shared.write("dot.png", png(1, 1));
    const auto bundle = shared.bundle();
    std::vector<std::thread> threads;
    std::vector<std::shared_ptr<quorvel::platform::Image>> images(8);
    std::vector<int> colours(8, 0);
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            images[i] = AssetCatalog::image("dot", bundle);
            colours[i] = AssetCatalog::color("tint", bundle).has_value() ? 1 : 0;
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(images[i], nullptr);
        EXPECT_EQ(images[i], images[0]);
        EXPECT_EQ(colours[i], 1);
    }
}

}  // namespace
