#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <opencv2/imgcodecs.hpp>
#include <thread>

#include "Platform/Graphics/Screen.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/ColorLookup.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Support/ThemeFixtures.h"

namespace quorvel {
namespace {

using quorvel::platform::Color;
using testsupport::TemporaryBundle;

quorvel::platform::Data pngOfSize(int width, int height) {
    cv::Mat pixels(height, width, CV_8UC3, cv::Scalar(0, 0, 255));
    std::vector<std::uint8_t> png;
    cv::imencode(".png", pixels, png);
    return png;
}

TEST(ResourceBundle, IsTheBundleNextToTheLibrary) {
    auto resources = ResourceBundle::resources();
    ASSERT_NE(resources, nullptr);
    EXPECT_EQ(resources->bundlePath().filename(), "QuorvelCaptureResources.bundle");
    EXPECT_TRUE(resources->pathForResource("Assets", "json"));
}

TEST(ResourceBundle, FallsBackToTheFrameworkBundleWithoutAResourceBundle) {
    TemporaryBundle framework("Framework");
    quorvel::platform::Bundle::setFrameworkOverride(framework.bundle());
    auto resources = ResourceBundle::resources();
    quorvel::platform::Bundle::setFrameworkOverride(nullptr);
    EXPECT_EQ(resources->bundlePath(), framework.bundle()->bundlePath());
}

TEST(ColorLookup, OverrideBundleFirstThenResources) {
    TemporaryBundle host;
    const Color hostColor{0.5, 0.25, 0, 1};
    testsupport::writeColorAssets(host, {{"errorForeground", hostColor}});
    EXPECT_EQ(ColorLookup::fromBundle("errorForeground", host.bundle()), hostColor);
    EXPECT_EQ(ColorLookup::fromBundle("errorBackground", host.bundle()),
              ColorLookup::fromBundle("errorBackground", nullptr));
    EXPECT_FALSE(ColorLookup::fromBundle("noSuchColour", host.bundle()));
}

class ImageLookupTest : public ::testing::Test {
protected:
    TemporaryBundle host{"Host"};
    TemporaryBundle fallback{"Fallback"};
    CaptureTheme theme() {
        quorvel::platform::ScopedLogCapture quiet;
        return CaptureTheme{host.bundle()};
    }
};

TEST_F(ImageLookupTest, UncompiledCatalogueFileIsFound) {
    host.write("QuorvelAssets.xcassets/capture-back.imageset/capture-back", pngOfSize(3, 2));
    auto image = ImageLookup::fetchImageFromBundle(*host.bundle(), "capture-back");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitmap()->width(), 3);
}

TEST_F(ImageLookupTest, UncompiledCatalogueFilesAreDecodedOnceAndScaledDownLikeTheCatalogues) {
    const auto file = host.write("QuorvelAssets.xcassets/capture-crop.imageset/capture-crop",
                                 pngOfSize(4000, 4000));
    auto themed = theme();
    const auto first = ImageLookup::fromTheme("capture-crop", &themed, ResourceBundle::resources());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->bitmap()->width(), quorvel::platform::AssetCatalog::maximumImageSide);
    EXPECT_EQ(first->size(), (quorvel::platform::Size{4000, 4000}));
    // Shown again (a preview after a retake): the same image, not the file read once more.
    std::filesystem::remove(file);
    for (int visit = 0; visit < 3; ++visit) {
        EXPECT_EQ(ImageLookup::fromTheme("capture-crop", &themed, ResourceBundle::resources()),
                  first);
    }
}

TEST_F(ImageLookupTest, UncompiledCatalogueFileOverSixteenMegapixelsIsRefusedWithOneLogLine) {
    // A PNG header claiming 5000 × 4000 pixels: refused from the header, the pixels are not there.
    auto claimsLarge = pngOfSize(1, 1);
    const std::uint8_t size[8] = {0, 0, 0x13, 0x88, 0, 0, 0x0F, 0xA0};
    std::copy(std::begin(size), std::end(size), claimsLarge.begin() + 16);
    const auto file =
        host.write("QuorvelAssets.xcassets/capture-back.imageset/capture-back", claimsLarge);
    quorvel::platform::ScopedLogCapture log;
    EXPECT_EQ(ImageLookup::fetchImageFromBundle(*host.bundle(), "capture-back"), nullptr);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{
                  file.string() + " is not used: The image is 5000 x 4000 pixels, more than the "
                                  "16000000 pixels that are decoded."});
}

TEST_F(ImageLookupTest, NamesThatLeaveTheCatalogueAreNeverRead) {
    // "../secret" would resolve to <bundle>/secret through these two folders.
    host.write("secret", pngOfSize(1, 1));
    host.makeDirectory("QuorvelAssets.xcassets");
    host.makeDirectory("secret.imageset");
    for (const std::string& name :
         std::vector<std::string>{"../secret", "..", ".", "", std::string("a\0b", 3), "a/b"}) {
        EXPECT_EQ(ImageLookup::fetchImageFromBundle(*host.bundle(), name), nullptr) << name;
    }
}

TEST_F(ImageLookupTest, ThemeBundleFirstThenDefaultBundle) {
    host.write("QuorvelAssets.xcassets/a.imageset/a", pngOfSize(4, 4));
    fallback.write("QuorvelAssets.xcassets/a.imageset/a", pngOfSize(5, 5));
    fallback.write("QuorvelAssets.xcassets/b.imageset/b", pngOfSize(6, 6));
    auto themed = theme();
    EXPECT_EQ(ImageLookup::fromTheme("a", &themed, fallback.bundle())->bitmap()->width(), 4);
    EXPECT_EQ(ImageLookup::fromTheme("b", &themed, fallback.bundle())->bitmap()->width(), 6);
    EXPECT_EQ(ImageLookup::fromTheme("b", &themed, nullptr), nullptr);
}

TEST_F(ImageLookupTest, AbsentBundlesAreSkipped) {
    fallback.write("QuorvelAssets.xcassets/b.imageset/b", pngOfSize(6, 6));
    quorvel::platform::ScopedLogCapture quiet;
    CaptureTheme noBundle{std::shared_ptr<quorvel::platform::Bundle>{}};
    EXPECT_EQ(ImageLookup::fromTheme("b", &noBundle, fallback.bundle())->bitmap()->width(), 6);
    EXPECT_EQ(ImageLookup::fromTheme("b", nullptr, fallback.bundle())->bitmap()->width(), 6);
    EXPECT_EQ(ImageLookup::fromTheme("b", &noBundle, nullptr), nullptr);
}

TEST(SolidColourImage, KeepsTheRequestedSizeInPoints) {
    const double scale = quorvel::platform::Screen::mainScale();
    auto image = ImageLookup::imageWithColor(Color{0, 0, 1, 1}, {3, 2});
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (quorvel::platform::Size{3, 2}));
    EXPECT_EQ(image->bitmap()->width(), static_cast<int>(3 * scale));
    EXPECT_EQ(image->bitmap()->pixel(0, 0), (Color{0, 0, 1, 1}));
}

TEST(SolidColourImage, InvalidSizesGiveNone) {
    const double inf = std::numeric_limits<double>::infinity();
    for (quorvel::platform::Size size :
         {quorvel::platform::Size{0, 1}, quorvel::platform::Size{1, -1},
          quorvel::platform::Size{inf, 1}, quorvel::platform::Size{1, std::nan("")}}) {
        EXPECT_EQ(ImageLookup::imageWithColor(Color::clear(), size), nullptr);
    }
}

TEST(Logger, ChannelsCarryTheSubsystemAndCategory) {
    quorvel::platform::ScopedLogCapture log;
    std::thread a([] { Logger::capture().error("from %s", "a"); });
    std::thread b([] { Logger::quorvelthemes().info("%d image(s)", 2); });
    a.join();
    b.join();
    auto records = log.records();
    ASSERT_EQ(records.size(), 2u);
    for (const auto& record : records) EXPECT_EQ(record.subsystem, "com.quorvelhq.capture");
    EXPECT_EQ(testsupport::categorized(log.records()).size(), 2u);
    EXPECT_EQ(&Logger::capture(), &Logger::capture());
}

}  // namespace
}  // namespace quorvel
