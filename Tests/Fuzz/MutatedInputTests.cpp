// Parsers of files a host or a user supplies, given many mutated inputs: none may crash, hang or
// (under the sanitizers) touch memory it should not, and each keeps its promises on whatever it
// accepts. The inputs are the same on every run (fixed seed); see Mutator.h to explore further.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/imgcodecs.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Mutator.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/StringsTable.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Support/TemporaryBundle.h"

namespace quorvel::fuzzing {
namespace {

using quorvel::platform::PropertyList;
using quorvel::platform::ScopedLogCapture;
using quorvel::platform::StringsTable;
using quorvel::testsupport::TemporaryBundle;

// A file of the framework's resource bundle, to start from.
Data resourceFile(const char* name, const char* type) {
    const auto path = ResourceBundle::resources()->pathForResource(name, type);
    auto bytes = path ? quorvel::platform::readFile(*path) : std::nullopt;
    EXPECT_TRUE(bytes) << name << "." << type << " is in the resource bundle";
    return bytes.value_or(Data{});
}

std::string describe(int input, std::uint64_t seed) {
    return "mutated input " + std::to_string(input) + " of seed " + std::to_string(seed);
}

TEST(MutatedPropertyLists, AreReadWithoutFaultAndWhatIsReadIsWrittenBackExactly) {
    std::vector<Data> seeds;
    for (const char* body : {
             "<dict><key>width</key><real>138.5</real><key>count</key><integer>-42</integer>"
             "<key>on</key><true/><key>off</key><false/><key>title</key><string>Scan &amp; "
             "go</string><key>bytes</key><data>AAEC/w==</data><key>when</key>"
             "<date>2024-05-01T12:00:00Z</date></dict>",
             "<array><array><dict><key>a</key><array><integer>0x1F</integer><real>1e3</real>"
             "</array></dict></array><string>  spaced\r\n</string></array>",
             "<dict><key>primaryButtonHeight</key><integer>44</integer><key>fonts</key><dict>"
             "<key>body</key><dict><key>name</key><string>DejaVu Sans</string><key>size</key>"
             "<real>17</real></dict></dict></dict>",
             "<string><![CDATA[<raw>]]> &#x263A; &lt;</string>",
         }) {
        seeds.push_back(bytesOf(TemporaryBundle::propertyListText(body)));
    }
    const std::uint64_t seed = fuzzSeed();
    Mutator mutator(seeds,
                    {"<dict>",
                     "</dict>",
                     "<array>",
                     "</array>",
                     "<key>k</key>",
                     "<string>",
                     "</string>",
                     "<integer>",
                     "</integer>",
                     "<real>",
                     "</real>",
                     "<data>",
                     "</data>",
                     "<date>",
                     "</date>",
                     "<true/>",
                     "<dict/>",
                     "&amp;",
                     "&#0;",
                     "&#13;",
                     "&#xD800;",
                     "<![CDATA[",
                     "]]>",
                     "<!--",
                     "-->",
                     "1e999",
                     "nan",
                     "-0",
                     "9223372036854775808",
                     "0x",
                     "====",
                     "<!DOCTYPE x [<!ENTITY e 'e'>]>"},
                    seed);
    int accepted = 0;
    const int runs = fuzzRuns(20000);
    for (int input = 0; input < runs; ++input) {
        const Data bytes = mutator.next();
        const auto value = PropertyList::parse(bytes);
        if (!value) continue;
        ++accepted;
        // Whatever the reader accepts, the writer writes so that it reads back the same (the
        // texts are compared so that a NaN counts as equal to itself).
        const auto text = PropertyList::xml(*value);
        const auto again = text ? PropertyList::parse(*text) : std::nullopt;
        const auto textAgain = again ? PropertyList::xml(*again) : std::nullopt;
        if (!text || !again || textAgain != text) {
            ADD_FAILURE() << describe(input, seed) << ": read, but not written back exactly\n"
                          << std::string(bytes.begin(), bytes.end());
            return;
        }
    }
    EXPECT_GT(accepted, runs / 100) << "enough inputs are still property lists to check writing";
}

TEST(MutatedStringsTables, AreReadWithoutFaultAndLogAtMostOnce) {
    std::vector<Data> seeds{
        resourceFile("Localizable", "strings"),
        bytesOf("/* Title */\n\"capture-title\" = \"Scan a document\";\n"
                "\"quote\" = \"Say \\\"cheese\\\"\\n\"; // comment\n\"alone\";\n"
                "plain_key = plain.value-1;\n\"pair\" = \"\\UD83D\\UDE00 caf\\U00E9\";\n"
                "\"multi\"\n  =\n  \"two\nlines\"\n;\n"),
    };
    // The second seed again as UTF-16, little endian with its byte-order mark.
    Data utf16{0xFF, 0xFE};
    for (std::uint8_t byte : seeds[1]) utf16.insert(utf16.end(), {byte, 0});
    seeds.push_back(utf16);
    const std::uint64_t seed = fuzzSeed();
    Mutator mutator(seeds,
                    {"\"", "\\\"", "\\", "\\U", "\\UD83D", "\\UDC00", "/*", "*/", "//", ";", "=",
                     "\n", "\xEF\xBB\xBF", "\"k\" = \"v\";\n"},
                    seed);
    const int runs = fuzzRuns(20000);
    for (int input = 0; input < runs; ++input) {
        const Data bytes = mutator.next();
        ScopedLogCapture log;
        const auto table = StringsTable::parse(bytes, "fuzz.strings");
        for (const auto& [key, value] : table.entries()) {
            if (table.lookup(key) != value) {
                ADD_FAILURE() << describe(input, seed) << ": an entry is not found by its key";
                return;
            }
        }
        if (log.records().size() > 1) {
            ADD_FAILURE() << describe(input, seed) << ": " << log.records().size()
                          << " log records for one table";
            return;
        }
    }
}

TEST(MutatedAssetCatalogues, AreReadWithoutFaultAndGiveOnlyColoursFromZeroToOne) {
    TemporaryBundle bundle("Fuzz.bundle");
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(cv::imencode(".png", cv::Mat(4, 6, CV_8UC4, cv::Scalar(0, 0, 255, 255)), png));
    bundle.write("Images/logo.png", png);
    const Data catalogue = bytesOf(R"({
  "colors": {
    "accent": {"red": 0.1, "green": 0.2, "blue": 0.3, "alpha": 0.4},
    "solid": {"red": 1, "green": 0.5, "blue": 0}
  },
  "images": {
    "logo": "Images/logo.png",
    "retina": {"file": "Images/logo.png", "scale": 2}
  }
})");
    const std::vector<std::string> colours{"accent", "solid", "errorBackground", "errorForeground",
                                           "disabledBackground"};
    const std::uint64_t seed = fuzzSeed();
    Mutator mutator({catalogue, resourceFile("Assets", "json")},
                    {"{", "}", "[", "]", ",", ":", "\"", "255", "-0.5", "1e308", "null", "true",
                     "\"red\": 2,", "\"file\": \"../x\"", "\"scale\": -1", "\\u0000", "\xFF"},
                    seed);
    const auto path = bundle.path() / "Assets.json";
    const int runs = fuzzRuns(1500);
    for (int input = 0; input < runs; ++input) {
        bundle.write("Assets.json", mutator.next());
        quorvel::platform::AssetCatalog::resetCache();
        ScopedLogCapture log;
        for (const auto& name : colours) {
            const auto colour = quorvel::platform::AssetCatalog::color(name, bundle.bundle());
            if (!colour) continue;
            for (double component : {colour->red, colour->green, colour->blue, colour->alpha}) {
                if (!(component >= 0 && component <= 1)) {
                    ADD_FAILURE() << describe(input, seed) << ": colour " << name
                                  << " has a component " << component;
                    return;
                }
            }
        }
        for (const char* name : {"logo", "retina"}) {
            (void)quorvel::platform::AssetCatalog::image(name, bundle.bundle());
        }
        for (const auto& message : log.messages()) {
            if (message.rfind(path.string(), 0) != 0) {
                ADD_FAILURE() << describe(input, seed) << ": log without the file: " << message;
                return;
            }
        }
    }
    quorvel::platform::AssetCatalog::resetCache();
}

// The largest width × height any image header in `bytes` claims: PNG's IHDR, or any JPEG
// start-of-frame marker. Inputs claiming more are left out: refusing decode bombs is the
// decoder's business, and here they would only take the machine's memory.
std::uint64_t claimedPixels(const Data& bytes) {
    auto be16 = [&](std::size_t at) { return std::uint64_t{bytes[at]} << 8 | bytes[at + 1]; };
    auto be32 = [&](std::size_t at) { return be16(at) << 16 | be16(at + 2); };
    std::uint64_t largest = 0;
    if (bytes.size() >= 24 && bytes[0] == 0x89 && bytes[1] == 'P') {
        return be32(16) * be32(20);
    }
    for (std::size_t i = 0; i + 9 <= bytes.size(); ++i) {
        const std::uint8_t marker = bytes[i + 1];
        if (bytes[i] == 0xFF && marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
            marker != 0xC8 && marker != 0xCC) {
            largest = std::max(largest, be16(i + 5) * be16(i + 7));
        }
    }
    return largest;
}

TEST(MutatedImages, AreDecodedWithoutFault) {
    cv::Mat picture(48, 64, CV_8UC4);
    cv::randu(picture, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<std::uint8_t> png, grey, jpeg, progressive;
    ASSERT_TRUE(cv::imencode(".png", picture, png));
    cv::Mat greyPicture;
    cv::extractChannel(picture, greyPicture, 1);
    ASSERT_TRUE(cv::imencode(".png", greyPicture, grey));
    ASSERT_TRUE(cv::imencode(".jpg", picture, progressive, {cv::IMWRITE_JPEG_PROGRESSIVE, 1}));
    auto bitmap = quorvel::platform::Bitmap::make(64, 48);
    ASSERT_TRUE(bitmap);
    auto exif = quorvel::platform::ImageEncoding::jpegData(*bitmap, 0.8, 6);
    ASSERT_TRUE(exif);
    jpeg = *exif;

    const std::uint64_t seed = fuzzSeed();
    constexpr std::uint64_t kMostPixels = 2048 * 2048;
    struct Format {
        std::vector<Data> seeds;
        std::size_t signature;
    };
    const Format formats[] = {{{png, grey}, 8}, {{jpeg, progressive}, 2}};
    int skipped = 0, decoded = 0;
    for (const auto& format : formats) {
        Mutator mutator(format.seeds,
                        {"\xFF\xD8", "\xFF\xD9", "\xFF\xC0", "\xFF\xDA", "\xFF\xE1", "Exif", "IHDR",
                         "IDAT", "IEND", "\x7F\xFF"},
                        seed, format.signature);
        const int runs = fuzzRuns(3000);
        for (int input = 0; input < runs; ++input) {
            const Data bytes = mutator.next();
            if (claimedPixels(bytes) > kMostPixels) {
                ++skipped;
                continue;
            }
            const auto image = quorvel::platform::Image::fromEncodedData(bytes);
            decoded += image ? 1 : 0;
            if (image && (image->bitmap()->width() <= 0 || image->bitmap()->height() <= 0)) {
                ADD_FAILURE() << describe(input, seed) << ": an image without pixels";
                return;
            }
        }
    }
    EXPECT_LT(skipped, 2 * fuzzRuns(3000) / 10) << "few inputs claim a huge picture";
    EXPECT_GT(decoded, 2 * fuzzRuns(3000) / 100) << "enough inputs still decode";
}

}  // namespace
}  // namespace quorvel::fuzzing
