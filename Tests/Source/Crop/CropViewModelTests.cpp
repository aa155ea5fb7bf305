#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "CropTestSupport.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Crop/ViewModels/CropViewModel.h"
#include "Source/Imaging/RectangleDetector.h"
#include "Support/DocumentScene.h"

using namespace quorvel;
using namespace quorvel::platform;
using namespace std::chrono_literals;
using croptest::centers;
using croptest::makeHandles;
using croptest::ModelDelegateRecorder;

namespace {

struct Placement {
    std::shared_ptr<View> area = View::make(Rect::make(0, 0, 300, 500));
    std::vector<std::shared_ptr<CornerPoint>> handles = makeHandles(area);
    std::shared_ptr<ModelDelegateRecorder> delegate = std::make_shared<ModelDelegateRecorder>();

    std::shared_ptr<CropViewModel> model(std::shared_ptr<Image> image,
                                         std::optional<std::vector<Point>> stored,
                                         bool autoCaptured) {
        auto made =
            CropViewModel::make(std::move(image), croptest::defaultTheme(), stored, autoCaptured);
        made->setDelegate(delegate);
        return made;
    }
    std::vector<Point> placed() {
        area->layoutIfNeeded();
        return centers(handles);
    }
};

// Waits until every crop-corner request handed to the vision queue so far has been answered
// and the answers have run on the main queue.
void finishDetection(const std::shared_ptr<DispatchQueue>& cornersQueue) {
    cornersQueue->sync([] {});
    RectangleDetector::workQueue()->sync([] {});
    MainRunLoop::runUntilIdle();
}

}  // namespace

TEST(CropPlacement, AutomaticPageGetsTheImageRectangleBeforeTheCallReturns) {
    Placement p;
    // 3:4 in 300 × 500: 300 × 400, centred 50 points down.
    auto model = p.model(croptest::plainImage(30, 40), std::nullopt, true);
    model->setCornerPoints(p.handles, p.area);

    EXPECT_EQ(p.delegate->started, 1);
    EXPECT_EQ(p.delegate->detected, 1);
    const std::vector<Point> expected{{0, 50}, {300, 50}, {300, 450}, {0, 450}};
    ASSERT_TRUE(p.delegate->lastPoints);
    EXPECT_EQ(*p.delegate->lastPoints, expected);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(p.handles[i]->top->constant(), expected[i].y - 15);
        EXPECT_DOUBLE_EQ(p.handles[i]->leading->constant(), expected[i].x - 15);
    }
    EXPECT_EQ(p.placed(), expected);
}

TEST(CropPlacement, StoredCornersArePlacedExactlyAndNotReported) {
    Placement p;
    const std::vector<Point> stored{{12.5, 40}, {280, 61}, {290, 470.25}, {3, 455}};
    auto model = p.model(croptest::plainImage(30, 40), stored, false);
    model->setCornerPoints(p.handles, p.area);
    MainRunLoop::runUntilIdle();

    EXPECT_EQ(p.delegate->started, 0);
    EXPECT_EQ(p.delegate->detected, 0);
    EXPECT_EQ(p.placed(), stored);
}

TEST(CropPlacement, StoredCornersThatAreNotFourAreIgnored) {
    Placement p;
    auto theme = croptest::defaultTheme();
    ScopedLogCapture log;
    auto model = CropViewModel::make(croptest::plainImage(30, 40), theme,
                                     std::vector<Point>{{1, 2}, {3, 4}, {5, 6}}, true);
    model->setDelegate(p.delegate);
    EXPECT_FALSE(model->startingCorners());
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Ignoring 3 stored crop corners: four are needed"});
    model->setCornerPoints(p.handles, p.area);
    // Placed afresh, as for a page without corners.
    EXPECT_EQ(p.delegate->started, 1);
    EXPECT_EQ(p.delegate->detected, 1);
    EXPECT_EQ(p.placed(), (std::vector<Point>{{0, 50}, {300, 50}, {300, 450}, {0, 450}}));
}

TEST(CropPlacement, DetectedCornersAreFlippedToScreenOrderAndOffsetByTheViewAtResultTime) {
    // The detector names the corners as if y grew upward: its bottom-left is the top-left on
    // screen.
    const RectangleFeature feature({10, 390}, {290, 380}, {280, 20}, {15, 5});
    const auto locations =
        CropViewModel::detectedCornerLocations(feature, {300, 400}, Rect::make(0, 0, 320, 520));
    const std::vector<Point> expected{{25, 65}, {290, 80}, {300, 440}, {20, 450}};
    EXPECT_EQ(locations, expected);
    EXPECT_EQ(CropViewModel::defaultCornerLocations({300, 400}, Rect::make(0, 0, 300, 500)),
              (std::vector<Point>{{0, 50}, {300, 50}, {300, 450}, {0, 450}}));
}

TEST(CropPlacement, DetectionPlacesTheHandlesOnThePageOnALaterTurn) {
    testing_vision::SceneOptions options;
    options.size = {600, 800};
    options.corners = {cv::Point2d(120, 150), cv::Point2d(470, 130), cv::Point2d(500, 650),
                       cv::Point2d(90, 680)};
    const auto scene = testing_vision::renderScene(options);
    Placement p;
    auto model = p.model(croptest::imageFromBGR(scene.image), std::nullopt, false);
    model->setCornerPoints(p.handles, p.area);
    EXPECT_EQ(p.delegate->started, 1);
    EXPECT_EQ(p.delegate->detected, 0);

    // The view grows before the answer: the size comes from the request, the offset from now.
    p.area->setBounds(Rect::make(0, 0, 300, 600));
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return p.delegate->detected > 0; }, 90s));
    EXPECT_EQ(p.delegate->detected, 1);

    // Shown at 300 × 400 (scale 0.5), centred 100 points down in the grown view.
    const auto placed = p.placed();
    ASSERT_TRUE(p.delegate->lastPoints);
    EXPECT_EQ(placed, *p.delegate->lastPoints);
    const double tolerance = 0.02 * std::hypot(300, 400);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(placed[i].x, scene.corners[i].x * 0.5, tolerance) << i;
        EXPECT_NEAR(placed[i].y, scene.corners[i].y * 0.5 + 100, tolerance) << i;
    }
}

TEST(CropPlacement, NothingFoundGivesTheImageRectangleOnceDetectionHasCompleted) {
    testing_vision::SceneOptions options;
    options.size = {600, 800};
    options.withPage = false;
    Placement p;
    auto model =
        p.model(croptest::imageFromBGR(testing_vision::renderScene(options).image), {}, false);
    model->setCornerPoints(p.handles, p.area);
    EXPECT_EQ(p.delegate->detected, 0);
    finishDetection(model->workQueue());
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return p.delegate->detected > 0; }, 90s));
    EXPECT_EQ(p.delegate->detected, 1);
    EXPECT_EQ(p.placed(), (std::vector<Point>{{0, 50}, {300, 50}, {300, 450}, {0, 450}}));
}

TEST(CropPlacement, AnAnswerAfterTheModelIsGoneTouchesNothing) {
    testing_vision::SceneOptions options;
    options.size = {600, 800};
    Placement p;
    auto model =
        p.model(croptest::imageFromBGR(testing_vision::renderScene(options).image), {}, false);
    model->setCornerPoints(p.handles, p.area);
    const auto before = p.placed();
    const auto queue = model->workQueue();
    model.reset();
    finishDetection(queue);
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(p.delegate->detected, 0);
    EXPECT_EQ(p.placed(), before);
}

TEST(CropPlacement, HandlesWithoutConstraintsStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto area = View::make(Rect::make(0, 0, 300, 500));
            auto handles = makeHandles(area);
            handles[2]->top.reset();
            auto model =
                CropViewModel::make(croptest::plainImage(30, 40), croptest::defaultTheme(),
                                    std::vector<Point>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, false);
            model->setCornerPoints(handles, area);
        },
        "constraints");
}
