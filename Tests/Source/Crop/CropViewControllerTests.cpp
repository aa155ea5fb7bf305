#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <opencv2/imgproc.hpp>

#include "CropScreenTestSupport.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Crop/Components/AspectFit.h"
#include "Source/Imaging/RectangleDetector.h"
#include "Support/DocumentScene.h"

using namespace quorvel;
using namespace croptest;
namespace ui = quorvel::platform;

namespace {

// Corners as stored on a page, in image-area points.
std::vector<ui::Point> rectangleCorners(double left, double top, double right, double bottom) {
    return {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

std::shared_ptr<ui::Image> scenePicture(bool withPage = true) {
    testing_vision::SceneOptions options;
    options.size = {600, 800};
    options.corners = {cv::Point2d(120, 150), cv::Point2d(470, 130), cv::Point2d(500, 650),
                       cv::Point2d(90, 680)};
    options.withPage = withPage;
    return imageFromBGR(testing_vision::renderScene(options).image);
}

}  // namespace

// --- Placement --------------------------------------------------------------------------------

TEST_F(CropScreenTest, AnAutomaticPageStartsOnTheWholeImageAndReportsIt) {
    open(plainImage(300, 400));
    const auto fitted = makeRectWithAspectRatioInsideRect({300, 400}, area().bounds());
    const std::vector<ui::Point> expected{{fitted.minX(), fitted.minY()},
                                          {fitted.maxX(), fitted.minY()},
                                          {fitted.maxX(), fitted.maxY()},
                                          {fitted.minX(), fitted.maxY()}};
    EXPECT_EQ(corners(), expected);
    EXPECT_EQ(delegate->detected, 1);
    EXPECT_EQ(delegate->detectedPoints, expected);
    EXPECT_FALSE(outlets().loader->isAnimating());
    EXPECT_FALSE(outlets().cropView->isHidden());
    EXPECT_FALSE(touchLayer().isHidden());
    // The image area, overlay and touch layer share one space.
    EXPECT_EQ(area().frame(), touchLayer().frame());
    EXPECT_EQ(outlets().cropView->frame(), area().bounds());
    EXPECT_EQ(outlets().imageView->frame(), area().bounds());
    EXPECT_EQ(outlets().imageView->image(), screen->viewModel()->image());
}

TEST_F(CropScreenTest, StoredCornersArePlacedWithoutReportOrSpinner) {
    const auto stored = rectangleCorners(40, 60, 300, 420);
    open(plainImage(300, 400), stored, false);
    EXPECT_EQ(corners(), stored);
    EXPECT_EQ(delegate->detected, 0);
    EXPECT_FALSE(outlets().loader->isAnimating());
    EXPECT_FALSE(outlets().cropView->isHidden());
    EXPECT_TRUE(outlets().doneButton->isEnabled());
}

TEST_F(CropScreenTest, DetectionRunsBehindTheSpinnerAndDoneWaitsForIt) {
    // The vision queue is held until the screen has been seen while detection runs, however fast
    // detection is.
    std::promise<void> release;
    quorvel::RectangleDetector::workQueue()->async(
        [held = release.get_future().share()] { held.wait(); });
    open(scenePicture(), std::nullopt, false);
    ASSERT_TRUE(screen->isPlacingCorners());
    EXPECT_TRUE(outlets().loader->isAnimating());
    EXPECT_TRUE(outlets().cropView->isHidden());
    EXPECT_TRUE(touchLayer().isHidden());
    EXPECT_FALSE(outlets().doneButton->isEnabled());

    // Done now waits: the handles are not placed yet.
    screen->donePressed();
    EXPECT_EQ(delegate->cropped, 0);
    EXPECT_TRUE(onTop());

    release.set_value();
    waitForPlacement();
    EXPECT_FALSE(outlets().loader->isAnimating());
    EXPECT_EQ(delegate->detected, 1);
    // Then Done ran with the detected corners, and the screen popped.
    EXPECT_EQ(delegate->cropped, 1);
    EXPECT_EQ(delegate->croppedCorners, delegate->detectedPoints);
    EXPECT_FALSE(onTop());
}

TEST_F(CropScreenTest, NothingDetectedGivesTheWholeImage) {
    open(scenePicture(false), std::nullopt, false);
    waitForPlacement();
    const auto fitted = makeRectWithAspectRatioInsideRect({600, 800}, area().bounds());
    EXPECT_EQ(corners()[0], (ui::Point{fitted.minX(), fitted.minY()}));
    EXPECT_EQ(corners()[2], (ui::Point{fitted.maxX(), fitted.maxY()}));
    EXPECT_EQ(delegate->detected, 1);
}

// --- Which handle or side a touch takes ---------------------------------------------------------

TEST_F(CropScreenTest, ASideWinsUnlessAHandleIsStrictlyNearer) {
    // The top side runs from (100, 100) to (130, 100): its midpoint is (115, 100).
    open(plainImage(300, 400),
         std::vector<ui::Point>{{100, 100}, {130, 100}, {130, 400}, {100, 400}}, false);
    enum class Taken { side, topLeft, other };
    const auto pressAt = [&](ui::Point p) {
        EXPECT_TRUE(ui::UIDriver::press(touchLayer(), p));
        Taken taken = Taken::other;
        if (screen->viewModel()->activeEdge && !screen->viewModel()->activeCornerPoint) {
            taken = Taken::side;
        } else if (screen->viewModel()->activeCornerPoint == outlets().topLeftCornerPoint) {
            taken = Taken::topLeft;
        }
        EXPECT_TRUE(ui::UIDriver::release(touchLayer(), p));
        return taken;
    };
    // 20 from the midpoint, 25 from the handle.
    EXPECT_EQ(pressAt({115, 120}), Taken::side);
    // 15 from the handle (21.2 from the midpoint).
    EXPECT_EQ(pressAt({100, 115}), Taken::topLeft);
    // Equally far from both.
    EXPECT_EQ(pressAt({107.5, 100 + std::sqrt(400 - 7.5 * 7.5)}), Taken::side);
}

TEST_F(CropScreenTest, EqualDistanceToTwoHandlesTakesTheEarlierOne) {
    open(plainImage(300, 400), rectangleCorners(100, 100, 300, 400), false);
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), {200, 200}));
    EXPECT_EQ(screen->viewModel()->activeCornerPoint, outlets().topLeftCornerPoint);
    EXPECT_FALSE(screen->viewModel()->activeEdge);
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {200, 200}));
    EXPECT_FALSE(screen->viewModel()->activeCornerPoint);
}

TEST_F(CropScreenTest, TheFirstSideWithinReachWinsEvenWhenALaterOneIsNearer) {
    open(plainImage(300, 400), rectangleCorners(100, 100, 160, 160), false);
    const auto edge = screen->checkForEdgeTouch({150, 120});
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->corner1, outlets().topLeftCornerPoint);
    EXPECT_EQ(edge->corner2, outlets().topRightCornerPoint);
    EXPECT_EQ(edge->center, (ui::Point{130, 100}));
    EXPECT_EQ(edge->type, EdgeType::horizontal);
    const auto right = screen->checkForEdgeTouch({190, 130});
    ASSERT_TRUE(right);
    EXPECT_EQ(right->type, EdgeType::vertical);
    EXPECT_EQ(right->corner2, outlets().bottomRightCornerPoint);
    const auto left = screen->checkForEdgeTouch({70, 130});
    ASSERT_TRUE(left);
    EXPECT_EQ(left->corner1, outlets().bottomLeftCornerPoint);
    EXPECT_EQ(left->corner2, outlets().topLeftCornerPoint);
    EXPECT_FALSE(screen->checkForEdgeTouch({300, 500}));
}

TEST_F(CropScreenTest, FarFromEverySideTheNearestHandleIsTaken) {
    open(plainImage(300, 400), rectangleCorners(100, 100, 200, 200), false);
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), {330, 440}));
    EXPECT_EQ(screen->viewModel()->activeCornerPoint, outlets().bottomRightCornerPoint);
    // The handle hides under the loupe.
    EXPECT_TRUE(outlets().bottomRightCornerPoint->isHidden());
    ASSERT_TRUE(screen->magnifyView());
    EXPECT_EQ(screen->magnifyView()->superview().get(), &touchLayer());
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {330, 440}));
    EXPECT_FALSE(outlets().bottomRightCornerPoint->isHidden());
    EXPECT_FALSE(screen->magnifyView());
}

// --- Clamping ---------------------------------------------------------------------------------

TEST_F(CropScreenTest, EachHandleIsKeptInsideTheLayerAndApartFromItsNeighbours) {
    open(plainImage(300, 400), std::vector<ui::Point>{{50, 60}, {250, 40}, {280, 400}, {30, 380}},
         false);
    const double W = touchLayer().frame().width();
    const double H = touchLayer().frame().height();
    const auto& tl = *outlets().topLeftCornerPoint;
    const auto& tr = *outlets().topRightCornerPoint;
    const auto& br = *outlets().bottomRightCornerPoint;
    const auto& bl = *outlets().bottomLeftCornerPoint;
    // Top-left: x ≤ min(TR.x, BR.x) − 30 = 220, y ≤ min(BL.y, BR.y) − 30 = 350, both ≥ 0; that
    // corner of its box lies past the line through its neighbours, so it slides along that line,
    // 30 points inside it.
    const auto towardsBottomRight = screen->sanitizeTranslation({500, 500}, tl);
    EXPECT_NEAR(towardsBottomRight.x, 24.569, 1e-3);
    EXPECT_NEAR(towardsBottomRight.y, 195.898, 1e-3);
    EXPECT_EQ(screen->sanitizeTranslation({-500, -500}, tl), (ui::Point{-50, -60}));
    EXPECT_EQ(screen->sanitizeTranslation({5, -7}, tl), (ui::Point{5, -7}));
    // Top-right: x ≥ max(TL.x, BL.x) + 30 = 80, up to W.
    const auto towardsBottomLeft = screen->sanitizeTranslation({-500, 500}, tr);
    EXPECT_NEAR(towardsBottomLeft.x, -31.146, 1e-3);
    EXPECT_NEAR(towardsBottomLeft.y, 216.069, 1e-3);
    EXPECT_EQ(screen->sanitizeTranslation({W, -100}, tr), (ui::Point{W - 250, -40}));
    // Bottom-right: beyond the layer's edges it stops at W and H.
    EXPECT_EQ(screen->sanitizeTranslation({1000, 1000}, br), (ui::Point{W - 280, H - 400}));
    // y ≥ max(TL.y, TR.y) + 30 = 90.
    EXPECT_EQ(screen->sanitizeTranslation({0, -1000}, br), (ui::Point{0, -310}));
    // Bottom-left: x ≤ min(TR.x, BR.x) − 30 = 220, y up to H.
    EXPECT_EQ(screen->sanitizeTranslation({1000, 1000}, bl), (ui::Point{190, H - 380}));
}

TEST_F(CropScreenTest, WhenTheLimitsCrossAHandleBelowTheMinimumGoesToTheMinimum) {
    // The top-right handle sits 20 points from the left: the top-left's maximum x (−10) is below
    // its minimum (0).
    open(plainImage(300, 400), std::vector<ui::Point>{{10, 10}, {20, 10}, {300, 300}, {10, 300}},
         false);
    const auto& tl = *outlets().topLeftCornerPoint;
    EXPECT_EQ(screen->sanitizeTranslation({-15, 0}, tl), (ui::Point{-10, 0}));
    EXPECT_EQ(screen->sanitizeTranslation({5, 0}, tl), (ui::Point{-20, 0}));
}

// --- Dragging through the window ---------------------------------------------------------------

TEST_F(CropScreenTest, ACornerDraggedAcrossThePageStopsWhereTheOutlineWouldCave) {
    open(plainImage(300, 400), rectangleCorners(60, 80, 280, 420), false);
    // How far each corner lies inside the line through its neighbours (y down, clockwise).
    auto clearances = [this] {
        const auto c = corners();
        std::vector<double> inside;
        for (std::size_t i = 0; i < 4; ++i) {
            const auto& p = c[(i + 3) % 4];
            const auto& n = c[(i + 1) % 4];
            inside.push_back(((c[i].x - p.x) * (n.y - p.y) - (c[i].y - p.y) * (n.x - p.x)) /
                             std::hypot(n.x - p.x, n.y - p.y));
        }
        return inside;
    };
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), {60, 80}));
    for (int step = 1; step <= 30; ++step) {
        ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {60.0 + 9 * step, 80.0 + 14 * step}));
        for (const double inside : clearances()) EXPECT_GE(inside, 30 - 1e-6) << "step " << step;
    }
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {330, 500}));
    EXPECT_NEAR(clearances()[0], 30, 1e-6);

    // Done gives a whole page: every pixel of it comes from the plain grey picture.
    screen->donePressed();
    ASSERT_EQ(delegate->cropped, 1);
    const auto& bitmap = *delegate->croppedImage->bitmap();
    cv::Mat page(bitmap.height(), bitmap.width(), CV_8UC4, const_cast<std::uint8_t*>(bitmap.data()),
                 bitmap.bytesPerRow());
    EXPECT_EQ(cv::mean(page), cv::Scalar::all(0xC0));
}

TEST_F(CropScreenTest, DraggingAHandleMovesItUnderTheLoupe) {
    open(plainImage(300, 400), rectangleCorners(60, 80, 280, 420), false);
    const ui::Point start{60, 80};
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), start));
    ASSERT_TRUE(screen->magnifyView());
    EXPECT_EQ(screen->magnifyView()->center(), start);
    for (int step = 1; step <= 10; ++step) {
        ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {start.x + 3 * step, start.y + 4 * step}));
        const auto centre = outlets().topLeftCornerPoint->center();
        EXPECT_EQ(screen->magnifyView()->center(), centre);
        EXPECT_EQ(screen->magnifyView()->touchPoint(), centre);
    }
    EXPECT_EQ(outlets().topLeftCornerPoint->center(), (ui::Point{90, 120}));
    EXPECT_EQ(outlets().cropView->cornerPoints->at(0)->center(), (ui::Point{90, 120}));
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {90, 120}));
    EXPECT_FALSE(screen->magnifyView());
    EXPECT_FALSE(outlets().topLeftCornerPoint->isHidden());
    settle();
    EXPECT_EQ(outlets().topLeftCornerPoint->center(), (ui::Point{90, 120}));
}

TEST_F(CropScreenTest, AHandleOnThePicturesCornerIsGrabbedOnTheHalfOutsideThePicture) {
    open(plainImage(300, 400), rectangleCorners(0, 0, 300, 400), false);
    const double radius = outlets().topLeftCornerPoint->frame().width() / 2;
    ASSERT_GT(radius, 4);
    const ui::Point outside{-radius * 0.6, -radius * 0.6};
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), outside));
    ASSERT_TRUE(screen->magnifyView());
    ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {outside.x + 30, outside.y + 40}));
    EXPECT_EQ(outlets().topLeftCornerPoint->center(), (ui::Point{30, 40}));
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {outside.x + 30, outside.y + 40}));
    EXPECT_FALSE(screen->magnifyView());

    // Beyond the disc the touch is not the layer's.
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), {-radius - 2, 200}));
    EXPECT_FALSE(screen->magnifyView());
    ui::UIDriver::release(touchLayer(), {-radius - 2, 200});
}

TEST_F(CropScreenTest, DraggingASideMovesBothHandlesAlongItsAxisOnly) {
    open(plainImage(300, 400), rectangleCorners(60, 80, 280, 420), false);
    const ui::Point mid{170, 80};
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), mid));
    EXPECT_TRUE(screen->viewModel()->activeEdge);
    EXPECT_FALSE(screen->magnifyView());
    EXPECT_FALSE(outlets().topLeftCornerPoint->isHidden());
    for (int step = 1; step <= 5; ++step) {
        ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {mid.x + 7 * step, mid.y + 6 * step}));
    }
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {mid.x + 35, mid.y + 30}));
    EXPECT_EQ(corners(), (std::vector<ui::Point>{{60, 110}, {280, 110}, {280, 420}, {60, 420}}));
    EXPECT_FALSE(screen->viewModel()->activeEdge);
}

TEST_F(CropScreenTest, ASideThatWouldPushAHandleOutMovesNotAtAllForThatStep) {
    // The top side is 10 points under the layer's top; its right handle is 5 under.
    open(plainImage(300, 400), std::vector<ui::Point>{{60, 10}, {280, 5}, {280, 420}, {60, 420}},
         false);
    const ui::Point mid{170, 7.5};
    ASSERT_TRUE(ui::UIDriver::press(touchLayer(), mid));
    ASSERT_TRUE(screen->viewModel()->activeEdge);
    // The recognizer begins once the finger has moved 10 points; the side follows 12 down.
    ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {mid.x, mid.y + 12}));
    const auto afterFirst = corners();
    EXPECT_EQ(afterFirst[0].y, 22);
    EXPECT_EQ(afterFirst[1].y, 17);
    // 20 up would put the right handle at y < 0: neither moves, and the step is lost.
    ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {mid.x, mid.y - 8}));
    EXPECT_EQ(corners(), afterFirst);
    // 20 down from there moves both by 20.
    ASSERT_TRUE(ui::UIDriver::moveTo(touchLayer(), {mid.x, mid.y + 12}));
    EXPECT_EQ(corners()[0].y, afterFirst[0].y + 20);
    EXPECT_EQ(corners()[1].y, afterFirst[1].y + 20);
    EXPECT_EQ(corners()[0].x, afterFirst[0].x);
    ASSERT_TRUE(ui::UIDriver::release(touchLayer(), {mid.x, mid.y + 12}));
}

// --- Done and Cancel --------------------------------------------------------------------------

TEST_F(CropScreenTest, DoneOnTheWholeImageGivesTheImageBackAndTheCornersInPoints) {
    auto image = scenePicture();
    open(image);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    ASSERT_EQ(delegate->cropped, 1);
    EXPECT_EQ(delegate->croppedCorners, delegate->detectedPoints);
    EXPECT_FALSE(onTop());
    const auto& result = delegate->croppedImage;
    ASSERT_TRUE(result);
    EXPECT_EQ(result->orientation(), ui::ImageOrientation::up);
    EXPECT_NEAR(result->bitmap()->width(), 600, 1);
    EXPECT_NEAR(result->bitmap()->height(), 800, 1);
    const cv::Mat before = toBGR(*image);
    cv::Mat after = toBGR(*result);
    cv::resize(after, after, before.size());
    EXPECT_LT(cv::norm(before, after, cv::NORM_L1) / before.total() / 3, 6.0);
}

TEST_F(CropScreenTest, DoneScalesTheCornersByThePixelSize) {
    // Twice as many pixels as points.
    auto image = plainImage(600, 800, 2);
    open(image);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    ASSERT_TRUE(delegate->croppedImage);
    EXPECT_NEAR(delegate->croppedImage->bitmap()->width(), 600, 1);
    EXPECT_NEAR(delegate->croppedImage->bitmap()->height(), 800, 1);
}

TEST_F(CropScreenTest, DoneStraightensThePictureAsShown) {
    // Stored sideways, shown turned: the handles and the result follow the picture as shown.
    auto stored = ui::Image::make(ui::Bitmap::copy(*plainImage(800, 600)->bitmap()), 1,
                                  ui::ImageOrientation::right);
    open(stored);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    ASSERT_TRUE(delegate->croppedImage);
    EXPECT_NEAR(delegate->croppedImage->bitmap()->width(), 600, 1);
    EXPECT_NEAR(delegate->croppedImage->bitmap()->height(), 800, 1);
}

TEST_F(CropScreenTest, DoneWithAnImageAreaWithoutSizeLogsAndReportsNothing) {
    open(plainImage(300, 400));
    ui::ScopedLogCapture log;
    outlets().imageView->setFrame({});
    screen->donePressed();
    settle();
    EXPECT_EQ(delegate->cropped, 0);
    EXPECT_FALSE(onTop());
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Failed to apply crop: the image or the image area has no size"});
}

TEST_F(CropScreenTest, CancelPopsAndReportsNothing) {
    open(plainImage(300, 400), rectangleCorners(40, 60, 300, 420), false);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().cancelButton));
    settle();
    EXPECT_FALSE(onTop());
    EXPECT_EQ(delegate->cropped, 0);
    EXPECT_EQ(delegate->detected, 0);
}

TEST_F(CropScreenTest, WithoutADelegateDoneStillPops) {
    open(plainImage(300, 400));
    delegate.reset();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    EXPECT_FALSE(onTop());
}

// --- Theme, texts, observers --------------------------------------------------------------------

TEST_F(CropScreenTest, ThemedAndTitledOnceShown) {
    theme->cropDoneButtonWidth = 150;
    theme->cropCornerPointDiameter = 34;
    open(plainImage(300, 400));
    EXPECT_EQ(outlets().cancelButton->title(ui::ControlState::normal), "Cancel");
    EXPECT_EQ(outlets().doneButton->title(ui::ControlState::normal), "Done");
    EXPECT_EQ(outlets().doneButton->frame().width(), 150);
    EXPECT_EQ(outlets().topLeftCornerPoint->frame().width(), 34);
    EXPECT_EQ(MagnifyView::borderColor(), *theme->primaryBrandBackground2);
    EXPECT_EQ(screen->view()->backgroundColor(),
              theme->resolvedColor(&CaptureTheme::captureBackgroundColor));
    EXPECT_EQ(outlets().loader->color(), theme->resolvedColor(&CaptureTheme::cropLoaderColor));
    // The buttons are what a keyboard and a screen reader reach; the touch layer is not.
    const auto elements = ui::Accessibility::orderedElements(screen->view());
    std::vector<std::string> labels;
    for (const auto& element : elements) {
        labels.push_back(element->accessibilityLabel());
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Cancel", "Done"}));
}

TEST_F(CropScreenTest, ATextSizeChangeRebuildsTheButtonStylesAndTheObserverLeavesWithTheScreen) {
    open(plainImage(300, 400));
    const auto* before = screen->viewModel()->buttonThemes().get();
    auto center = ui::NotificationCenter::defaultCenter();
    const auto observers = center->observerCount();
    ui::TextSizeSetting::set(ui::ContentSizeCategory::extraLarge);
    EXPECT_NE(screen->viewModel()->buttonThemes().get(), before);
    ui::TextSizeSetting::set(ui::ContentSizeCategory::large);
    screen.reset();
    window.reset();
    navigation.reset();
    ui::MainRunLoop::runUntilIdle();
    EXPECT_LT(center->observerCount(), observers);
}
