#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "Platform/Vision/QuadrilateralFinder.h"
#include "Platform/Vision/WideVectors.h"
#include "Support/DocumentScene.h"

namespace {

using quorvel::platform::ChannelOrder;
using quorvel::platform::DetectedQuadrilateral;
using quorvel::platform::findQuadrilaterals;
using quorvel::platform::RectangleDetectionSettings;
using testing_vision::DocumentScene;
using testing_vision::renderScene;
using testing_vision::SceneOptions;

// The settings the capture framework uses when it looks for a document.
RectangleDetectionSettings documentSettings() {
    RectangleDetectionSettings settings;
    settings.minimumSize = 0.1;
    settings.minimumAspectRatio = 0.0;
    settings.maximumAspectRatio = 1.0;
    settings.quadratureTolerance = 30;
    settings.maximumObservations = 1;
    settings.minimumConfidence = 0;
    return settings;
}

double diagonal(const cv::Mat& image) {
    return std::hypot(image.cols, image.rows);
}

void expectCornersNear(const DocumentScene& scene, const std::vector<DetectedQuadrilateral>& found,
                       double shareOfDiagonal) {
    ASSERT_EQ(found.size(), 1u);
    const double error = testing_vision::worstCornerError(found[0].corners, scene.corners);
    EXPECT_LE(error, shareOfDiagonal * diagonal(scene.image))
        << "corners " << found[0].corners[0] << found[0].corners[1] << found[0].corners[2]
        << found[0].corners[3];
    EXPECT_GT(found[0].confidence, 0.5);
    EXPECT_LE(found[0].confidence, 1.0);
}

TEST(QuadrilateralFinder, FindsAPageWarpedOntoATexturedNoisyBackground) {
    const DocumentScene scene = renderScene(SceneOptions{});
    expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
}

TEST(QuadrilateralFinder, FindsAWhitePageOnAPaleDesk) {
    SceneOptions options;
    options.surface = cv::Scalar(200, 208, 214);
    options.paper = cv::Scalar(226, 230, 232);
    options.texture = 6;
    const DocumentScene scene = renderScene(options);
    expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
}

TEST(QuadrilateralFinder, NamesTheCornersOfATurnedPageAsThePageReads) {
    SceneOptions options;
    // Turned by about 35 degrees clockwise, with some perspective.
    options.corners = {cv::Point2d(430, 90), cv::Point2d(760, 320), cv::Point2d(500, 660),
                       cv::Point2d(180, 420)};
    const DocumentScene scene = renderScene(options);
    expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
}

TEST(QuadrilateralFinder, FindsASmallReceipt) {
    SceneOptions options;
    options.corners = {cv::Point2d(600, 200), cv::Point2d(700, 205), cv::Point2d(690, 520),
                       cv::Point2d(590, 515)};
    options.printed = false;
    const DocumentScene scene = renderScene(options);
    expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
}

// A band of colour printed along the page's edge hides that edge in one channel or another: a red
// band is as dark as a green desk in the paper channel, a dark green one is darker than a pale
// desk. The outline is still the paper's edge, not the band's inner edge, however narrow the band.
TEST(QuadrilateralFinder, TakesInABandOfColourPrintedAlongThePagesEdge) {
    struct Case {
        const char* name;
        cv::Scalar band;
        cv::Scalar surface;
    };
    for (const Case& c : {Case{"red band, dark green desk", {30, 30, 170}, {30, 60, 35}},
                          Case{"dark green band, pale desk", {60, 110, 40}, {196, 204, 210}}}) {
        for (const double share : {0.07, 0.1, 0.2}) {
            SceneOptions options;
            options.surface = c.surface;
            options.texture = 10;
            options.bandShare = share;
            options.band = c.band;
            const DocumentScene scene = renderScene(options);
            SCOPED_TRACE(std::string(c.name) + ", band " + std::to_string(share));
            expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
        }
    }
}

// A form's printed frame and table rules are stronger edges than the paper's own, on a dark desk
// and on pale ones; the outline is the paper's edge.
TEST(QuadrilateralFinder, OutlinesAFormAlongItsPaperEdgeNotItsPrintedFrame) {
    struct Desk {
        const char* name;
        cv::Scalar surface;
        cv::Scalar paper;
        double texture;
    };
    for (const Desk& desk : {Desk{"dark", {60, 90, 130}, {235, 238, 240}, 25},
                             Desk{"pale", {200, 208, 214}, {230, 233, 235}, 6},
                             Desk{"white", {222, 224, 226}, {236, 238, 240}, 3}}) {
        for (const double share : {0.05, 0.08}) {
            SceneOptions options;
            options.surface = desk.surface;
            options.paper = desk.paper;
            options.texture = desk.texture;
            options.frameShare = share;
            const DocumentScene scene = renderScene(options);
            SCOPED_TRACE(std::string(desk.name) + " desk, frame at " + std::to_string(share));
            expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
        }
    }
}

// Peach stripes as bright as the sheet in its palest channel hide it there; it stands out as the
// one grey thing in the picture.
TEST(QuadrilateralFinder, FindsAGreySheetOnColouredStripesOfItsOwnBrightness) {
    for (const int stripeWidth : {12, 20}) {
        SceneOptions options;
        options.surface = cv::Scalar(150, 185, 225);
        options.stripe = cv::Scalar(120, 160, 210);
        options.stripeWidth = stripeWidth;
        options.paper = cv::Scalar(136, 138, 140);
        options.texture = 8;
        const DocumentScene scene = renderScene(options);
        SCOPED_TRACE("stripes of " + std::to_string(stripeWidth));
        expectCornersNear(scene, findQuadrilaterals(scene.image, documentSettings()), 0.01);
    }
}

// A card no paler than the desk but far more colourful is an object, not a page.
TEST(QuadrilateralFinder, FindsNothingWhereOnlyAColouredCardStandsOut) {
    SceneOptions options;
    options.surface = cv::Scalar(128, 128, 128);
    options.paper = cv::Scalar(128, 175, 235);
    options.printed = false;
    options.texture = 8;
    EXPECT_TRUE(findQuadrilaterals(renderScene(options).image, documentSettings()).empty());
}

TEST(QuadrilateralFinder, FindsNothingOnATexturedSurfaceWithoutAPage) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
        SceneOptions options;
        options.withPage = false;
        options.seed = seed;
        options.texture = 40;
        EXPECT_TRUE(findQuadrilaterals(renderScene(options).image, documentSettings()).empty())
            << "seed " << seed;
    }
}

// A floor of pale tiles with dark joints, seen at a slant.
cv::Mat tiledFloor(uint64_t seed, int tile) {
    cv::RNG rng(seed);
    cv::Mat flat(1200, 1600, CV_8UC3, cv::Scalar(80, 85, 90));
    for (int y = 0; y < flat.rows; y += tile) {
        for (int x = 0; x < flat.cols; x += tile) {
            const double shade = rng.uniform(-8, 8);
            cv::rectangle(flat, cv::Rect(x + 5, y + 5, tile - 10, tile - 10),
                          cv::Scalar(200 + shade, 204 + shade, 208 + shade), cv::FILLED);
        }
    }
    const std::array<cv::Point2f, 4> from{cv::Point2f(0, 0), cv::Point2f(1600, 0),
                                          cv::Point2f(1600, 1200), cv::Point2f(0, 1200)};
    const std::array<cv::Point2f, 4> to{cv::Point2f(-100, 0), cv::Point2f(1060, -40),
                                        cv::Point2f(1000, 780), cv::Point2f(-60, 720)};
    cv::Mat image;
    cv::warpPerspective(flat, image, cv::getPerspectiveTransform(from.data(), to.data()),
                        cv::Size(960, 720), cv::INTER_AREA);
    cv::GaussianBlur(image, image, cv::Size(0, 0), 0.8);
    cv::Mat noise(image.size(), CV_8UC3);
    rng.fill(noise, cv::RNG::NORMAL, 0, 3);
    return image + noise;
}

// Tiles, panes and like boxes repeat one outline side by side; a document lies on its own.
TEST(QuadrilateralFinder, FindsNothingOnATiledFloor) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
        for (const int tile : {160, 200}) {
            EXPECT_TRUE(findQuadrilaterals(tiledFloor(seed, tile), documentSettings()).empty())
                << "seed " << seed << ", tiles of " << tile;
        }
    }
}

// Two like receipts side by side are two documents, not a pattern: one of them is found.
TEST(QuadrilateralFinder, FindsOneOfTwoLikeReceiptsSideBySide) {
    SceneOptions options;
    options.corners = {cv::Point2d(300, 200), cv::Point2d(420, 200), cv::Point2d(420, 560),
                       cv::Point2d(300, 560)};
    options.printed = false;
    cv::Mat image = renderScene(options).image;
    cv::Mat shifted = image.clone();
    image(cv::Rect(290, 190, 140, 380)).copyTo(shifted(cv::Rect(450, 190, 140, 380)));
    EXPECT_EQ(findQuadrilaterals(shifted, documentSettings()).size(), 1u);
}

TEST(QuadrilateralFinder, FindsNothingOnABlankImage) {
    const cv::Mat blank(480, 640, CV_8UC3, cv::Scalar(128, 128, 128));
    EXPECT_TRUE(findQuadrilaterals(blank, documentSettings()).empty());
}

TEST(QuadrilateralFinder, ReturnsNothingForEmptyTinyOrUnsupportedImages) {
    EXPECT_TRUE(findQuadrilaterals(cv::Mat(), documentSettings()).empty());
    EXPECT_TRUE(
        findQuadrilaterals(cv::Mat(8, 8, CV_8UC3, cv::Scalar(255, 255, 255)), documentSettings())
            .empty());
    const DocumentScene scene = renderScene(SceneOptions{});
    cv::Mat floating;
    scene.image.convertTo(floating, CV_32FC3);
    EXPECT_TRUE(findQuadrilaterals(floating, documentSettings()).empty());
    cv::Mat twoChannels(100, 100, CV_8UC2, cv::Scalar(1, 2));
    EXPECT_TRUE(findQuadrilaterals(twoChannels, documentSettings()).empty());
}

TEST(QuadrilateralFinder, AcceptsBgraBgrAndGrayImagesAlike) {
    const DocumentScene scene = renderScene(SceneOptions{});
    cv::Mat bgra;
    cv::Mat gray;
    cv::cvtColor(scene.image, bgra, cv::COLOR_BGR2BGRA);
    cv::cvtColor(scene.image, gray, cv::COLOR_BGR2GRAY);
    const std::array<const cv::Mat*, 3> images{&bgra, &scene.image, &gray};
    for (const cv::Mat* image : images) {
        SCOPED_TRACE(image->channels());
        expectCornersNear(scene, findQuadrilaterals(*image, documentSettings()), 0.01);
    }
}

TEST(QuadrilateralFinder, FindsTheSameOutlineInAFrameWhateverItsChannelLayout) {
    // Large enough to be reduced before the search, with odd sides so that the reduction has a
    // row and column left over and a tail shorter than a vector.
    SceneOptions options;
    options.size = cv::Size(1925, 1083);
    options.corners = {cv::Point2d(480, 260), cv::Point2d(1420, 200), cv::Point2d(1500, 960),
                       cv::Point2d(420, 900)};
    const DocumentScene scene = renderScene(options);
    cv::Mat bgra;
    cv::cvtColor(scene.image, bgra, cv::COLOR_BGR2BGRA);
    const auto fromBgr = findQuadrilaterals(scene.image, documentSettings());
    const auto fromBgra = findQuadrilaterals(bgra, documentSettings());
    expectCornersNear(scene, fromBgra, 0.01);
    ASSERT_EQ(fromBgr.size(), 1u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(fromBgra[0].corners[i].x, fromBgr[0].corners[i].x, 1e-6);
        EXPECT_NEAR(fromBgra[0].corners[i].y, fromBgr[0].corners[i].y, 1e-6);
    }
    EXPECT_NEAR(fromBgra[0].confidence, fromBgr[0].confidence, 1e-9);

    // The same frame with its bytes in A, R, G, B order, read as such.
    cv::Mat argb(bgra.size(), CV_8UC4);
    const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
    cv::mixChannels(&bgra, 1, &argb, 1, fromTo, 4);
    const auto fromArgb = findQuadrilaterals(argb, documentSettings(), ChannelOrder::argb);
    ASSERT_EQ(fromArgb.size(), 1u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fromArgb[0].corners[i], fromBgra[0].corners[i]);
    }
    EXPECT_EQ(fromArgb[0].confidence, fromBgra[0].confidence);
    // A three-channel image has no A, R, G, B form.
    EXPECT_TRUE(findQuadrilaterals(scene.image, documentSettings(), ChannelOrder::argb).empty());
}

TEST(QuadrilateralFinder, FindsTheSameOutlineWithOrWithoutWideVectors) {
    // The processor's 256-bit vectors, where it has them, do the same arithmetic as the narrow
    // forms; sizes with leftovers and a frame large enough for three halvings take every path.
    struct AllowWideVectorsAgain {
        ~AllowWideVectorsAgain() { quorvel::platform::vision::allowWideVectors(true); }
    } restore;
    for (const cv::Size size : {cv::Size(1925, 1083), cv::Size(3001, 1703)}) {
        SCOPED_TRACE(size);
        SceneOptions options;
        options.size = size;
        options.corners = {cv::Point2d(0.25 * size.width, 0.24 * size.height),
                           cv::Point2d(0.74 * size.width, 0.18 * size.height),
                           cv::Point2d(0.78 * size.width, 0.89 * size.height),
                           cv::Point2d(0.22 * size.width, 0.83 * size.height)};
        const DocumentScene scene = renderScene(options);
        cv::Mat bgra, argb(size, CV_8UC4), gray;
        cv::cvtColor(scene.image, bgra, cv::COLOR_BGR2BGRA);
        const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
        cv::mixChannels(&bgra, 1, &argb, 1, fromTo, 4);
        cv::cvtColor(scene.image, gray, cv::COLOR_BGR2GRAY);
        const std::array<std::pair<cv::Mat, ChannelOrder>, 4> images{
            {{bgra, ChannelOrder::bgra},
             {argb, ChannelOrder::argb},
             {gray, ChannelOrder::bgra},
             {scene.image, ChannelOrder::bgra}}};
        for (const auto& [image, order] : images) {
            SCOPED_TRACE(image.channels());
            quorvel::platform::vision::allowWideVectors(false);
            const auto narrow = findQuadrilaterals(image, documentSettings(), order);
            quorvel::platform::vision::allowWideVectors(true);
            const auto wide = findQuadrilaterals(image, documentSettings(), order);
            ASSERT_EQ(narrow.size(), 1u);
            ASSERT_EQ(wide.size(), 1u);
            EXPECT_EQ(wide[0].corners, narrow[0].corners);
            EXPECT_EQ(wide[0].confidence, narrow[0].confidence);
        }
    }
}

TEST(QuadrilateralFinder, WorksOnAnImageThatIsAViewIntoALargerOne) {
    const DocumentScene scene = renderScene(SceneOptions{});
    cv::Mat larger(scene.image.rows + 20, scene.image.cols + 40, CV_8UC3, cv::Scalar(0, 0, 0));
    scene.image.copyTo(larger(cv::Rect(40, 20, scene.image.cols, scene.image.rows)));
    const cv::Mat view = larger(cv::Rect(40, 20, scene.image.cols, scene.image.rows));
    expectCornersNear(scene, findQuadrilaterals(view, documentSettings()), 0.01);
}

TEST(QuadrilateralFinder, HonoursSizeAspectRatioAndConfidenceLimits) {
    SceneOptions options;
    options.corners = {cv::Point2d(400, 150), cv::Point2d(560, 150), cv::Point2d(560, 600),
                       cv::Point2d(400, 600)};  // 160 x 450: a third of the frame's height wide
    options.printed = false;
    const DocumentScene scene = renderScene(options);
    ASSERT_EQ(findQuadrilaterals(scene.image, documentSettings()).size(), 1u);

    RectangleDetectionSettings settings = documentSettings();
    settings.minimumSize = 0.3;
    EXPECT_TRUE(findQuadrilaterals(scene.image, settings).empty());

    settings = documentSettings();
    settings.minimumAspectRatio = 0.5;  // the platform's own default
    EXPECT_TRUE(findQuadrilaterals(scene.image, settings).empty());

    settings = documentSettings();
    settings.minimumConfidence = 1.01;
    EXPECT_TRUE(findQuadrilaterals(scene.image, settings).empty());
}

TEST(QuadrilateralFinder, RejectsAPageWhoseCornersAreFarFromSquare) {
    SceneOptions options;
    // A strongly sheared outline: corner angles about 45 degrees off a right angle.
    options.corners = {cv::Point2d(200, 150), cv::Point2d(560, 150), cv::Point2d(860, 600),
                       cv::Point2d(500, 600)};
    const DocumentScene scene = renderScene(options);
    EXPECT_TRUE(findQuadrilaterals(scene.image, documentSettings()).empty());
    RectangleDetectionSettings lenient = documentSettings();
    lenient.quadratureTolerance = 60;
    EXPECT_EQ(findQuadrilaterals(scene.image, lenient).size(), 1u);
}

std::filesystem::path sharedData() {
    if (const char* env = std::getenv("QUORVEL_SHARED_DATA")) {
        return env;
    }
    return std::filesystem::path(__FILE__).parent_path() / "../../../../shared/data";
}

TEST(QuadrilateralFinder, FindsThePagesInRealDocumentPhotos) {
    const auto folder = sharedData() / "photos";
    std::ifstream file(folder / "ground-truth.json");
    if (!file) {
        GTEST_SKIP() << "no document photos at " << folder;
    }
    const auto truth = nlohmann::json::parse(file);
    for (const auto& entry : truth["images"]) {
        const std::string name = entry["file"].get<std::string>();
        SCOPED_TRACE(name);
        const cv::Mat image = cv::imread((folder / name).string(), cv::IMREAD_COLOR);
        ASSERT_FALSE(image.empty());
        const auto found = findQuadrilaterals(image, documentSettings());
        if (!entry.value("document", true)) {
            EXPECT_TRUE(found.empty());
            continue;
        }
        ASSERT_EQ(found.size(), 1u);
        std::array<cv::Point2d, 4> marked;
        for (size_t i = 0; i < 4; ++i) {
            marked[i] = cv::Point2d(entry["corners"][i][0].get<double>(),
                                    entry["corners"][i][1].get<double>());
        }
        EXPECT_GE(testing_vision::quadIoU(found[0].corners, marked), 0.97);
        EXPECT_LE(testing_vision::worstCornerError(found[0].corners, marked),
                  0.015 * diagonal(image));
    }
}

}  // namespace
