#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CropTestSupport.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/PanGestureRecognizer.h"
#include "Platform/UI/TapGestureRecognizer.h"
#include "Source/Crop/Components/CornerPoint.h"
#include "Source/Crop/Components/CropControlView.h"
#include "Source/Crop/Components/CropView.h"
#include "Source/Crop/Components/MagnifyView.h"

using namespace quorvel;
using namespace quorvel::platform;
using croptest::makeHandles;
using croptest::RecordingContext;

namespace {

constexpr double pi = std::numbers::pi;

// An overlay over a 300 × 500 area with the handles on the rectangle (0, 50)–(300, 450).
struct Overlay {
    std::shared_ptr<View> area = View::make(Rect::make(0, 0, 300, 500));
    std::vector<std::shared_ptr<CornerPoint>> handles = makeHandles(area);
    std::shared_ptr<CropView> cropView = CropView::make(Rect::make(0, 0, 300, 500));

    Overlay() {
        area->addSubview(cropView);
        const Point corners[] = {{0, 50}, {300, 50}, {300, 450}, {0, 450}};
        for (std::size_t i = 0; i < 4; ++i) {
            handles[i]->leading->setConstant(corners[i].x - 15);
            handles[i]->top->setConstant(corners[i].y - 15);
        }
        area->layoutIfNeeded();
        cropView->cornerPoints = handles;
    }
    void redraw() {
        RecordingContext context;
        cropView->draw(context, cropView->bounds());
    }
};

double rotationAngle(const AffineTransform& t) {
    return std::atan2(t.b, t.a);
}

}  // namespace

TEST(CropOverlay, TwoRedrawsLeaveOneFillOneOutlineAndFourGrips) {
    Overlay overlay;
    overlay.redraw();
    overlay.redraw();
    const auto& sublayers = overlay.cropView->layer()->sublayers();
    ASSERT_EQ(sublayers.size(), 6u);
    EXPECT_EQ(sublayers[0], overlay.cropView->fillLayer());
    EXPECT_EQ(sublayers[1], overlay.cropView->cropLayer());
    ASSERT_EQ(overlay.cropView->edgeLayers().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sublayers[2 + i], overlay.cropView->edgeLayers()[i]);
    }
}

TEST(CropOverlay, DimsOutsideTheQuadrilateralAndStrokesItsOutline) {
    Overlay overlay;
    overlay.redraw();
    const auto& fill = *overlay.cropView->fillLayer();
    EXPECT_EQ(fill.fillRule(), FillRule::evenOdd);
    EXPECT_EQ(fill.fillColor(), (Color{0, 0, 0, 0.3}));
    // The view's rectangle, then the outline closed through its first two corners again.
    const auto& elements = fill.path()->elements();
    const auto& outline = overlay.cropView->cropLayer()->path()->elements();
    ASSERT_EQ(outline.size(), 6u);
    const Point expected[] = {{0, 50}, {300, 50}, {300, 450}, {0, 450}, {0, 50}, {300, 50}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(outline[i].point, expected[i]) << i;
    }
    EXPECT_EQ(elements.size(), BezierPath::rect(Rect::make(0, 0, 300, 500)).elements().size() + 6);

    const auto& stroke = *overlay.cropView->cropLayer();
    EXPECT_FALSE(stroke.fillColor());
    EXPECT_EQ(stroke.strokeColor(), MagnifyView::borderColor());
    EXPECT_DOUBLE_EQ(stroke.lineWidth(), 3);
}

TEST(CropOverlay, GripsSitOnTheMidpointsTurnedAlongTheirSides) {
    Overlay overlay;
    overlay.redraw();
    const auto& grips = overlay.cropView->edgeLayers();
    ASSERT_EQ(grips.size(), 4u);
    const Point midpoints[] = {{150, 50}, {300, 250}, {150, 450}, {0, 250}};
    // Top: 0 + π/2; right: π/2 + π/2; bottom: π + π/2; left: −π/2 → 3π/2, + π/2 = 2π.
    const double angles[] = {pi / 2, pi, 3 * pi / 2, 2 * pi};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto frame = grips[i]->frame();
        EXPECT_DOUBLE_EQ(frame.midX(), midpoints[i].x) << i;
        EXPECT_DOUBLE_EQ(frame.midY(), midpoints[i].y) << i;
        EXPECT_DOUBLE_EQ(frame.width(), 15) << i;
        EXPECT_DOUBLE_EQ(frame.height(), 40) << i;
        const auto t = grips[i]->affineTransform();
        const auto expected = AffineTransform::rotation(angles[i]);
        EXPECT_NEAR(t.a, expected.a, 1e-12) << i;
        EXPECT_NEAR(t.b, expected.b, 1e-12) << i;
        EXPECT_NEAR(t.c, expected.c, 1e-12) << i;
        EXPECT_NEAR(t.d, expected.d, 1e-12) << i;
        EXPECT_EQ(grips[i]->fillColor(), MagnifyView::borderColor());
    }
    // Lying along the top side: the 40-point length runs horizontally.
    EXPECT_NEAR(std::abs(std::cos(rotationAngle(grips[0]->affineTransform()))), 0, 1e-12);
}

TEST(CropOverlay, FewerThanTwoHandlesDrawNothing) {
    Overlay overlay;
    overlay.cropView->cornerPoints = std::vector<std::shared_ptr<CornerPoint>>{overlay.handles[0]};
    overlay.redraw();
    EXPECT_TRUE(overlay.cropView->layer()->sublayers().empty());
    overlay.cropView->cornerPoints.reset();
    overlay.redraw();
    EXPECT_TRUE(overlay.cropView->layer()->sublayers().empty());
}

TEST(CornerHandle, NormalizesItsCentreAgainstTheAspectFitImageWithYUp) {
    auto imageView = ImageView::make(croptest::plainImage(30, 40), Rect::make(0, 0, 300, 500));
    auto handle = CornerPoint::make();
    handle->setCenter({0, 50});
    EXPECT_EQ(handle->normalizedCenterPoint(*imageView), (Point{0, 1}));
    handle->setCenter({300, 450});
    EXPECT_EQ(handle->normalizedCenterPoint(*imageView), (Point{1, 0}));
    handle->setCenter({150, 0});
    EXPECT_EQ(handle->normalizedCenterPoint(*imageView), (Point{0.5, 1.125}));
}

TEST(CornerHandle, IsARoundBorderedDiscThatTakesNoTouches) {
    auto handle = CornerPoint::make();
    EXPECT_EQ(handle->frame(), Rect::make(0, 0, 30, 30));
    EXPECT_DOUBLE_EQ(handle->layer()->borderWidth(), 3);
    EXPECT_TRUE(handle->layer()->masksToBounds());
    EXPECT_FALSE(handle->pointInside({15, 15}, nullptr));

    auto area = View::make(Rect::make(0, 0, 100, 100));
    auto handles = makeHandles(area);
    handles[0]->awakeFromNib();
    auto theme = croptest::defaultTheme();
    theme->cropCornerPointDiameter = 36;
    handles[0]->apply(*theme);
    area->layoutIfNeeded();
    handles[0]->layoutIfNeeded();
    EXPECT_DOUBLE_EQ(handles[0]->frame().width(), 36);
    EXPECT_DOUBLE_EQ(handles[0]->layer()->cornerRadius(), 18);
    EXPECT_EQ(handles[0]->layer()->borderColor(), theme->primaryBrandBackground2);
    EXPECT_EQ(handles[0]->fadedView()->frame(), handles[0]->bounds());
    EXPECT_EQ(handles[0]->fadedView()->backgroundColor(),
              theme->uiSecondaryForeground->withAlpha(0.45));
    EXPECT_EQ(handles[0]->position(), MagnifyView::Position::topLeft);
    EXPECT_EQ(handles[3]->position(), MagnifyView::Position::bottomLeft);
}

TEST(CornerHandle, ProgrammingErrorsStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto handle = CornerPoint::make();
            handle->setTag(5);
            (void)handle->position();
        },
        "tag");
    EXPECT_DEATH(CornerPoint::make()->apply(*croptest::defaultTheme()), "width");
    EXPECT_DEATH(
        {
            auto imageView = ImageView::make(nullptr, Rect::make(0, 0, 10, 10));
            (void)CornerPoint::make()->normalizedCenterPoint(*imageView);
        },
        "image");
}

TEST(Loupe, CentresOnTheTouchPointAndShowsItTwiceTheSize) {
    MagnifyView::setBorderColor(Color{0.1, 0.2, 0.3, 1});
    auto area = View::make(Rect::make(0, 0, 300, 500));
    auto loupe = MagnifyView::make(MagnifyView::Position::bottomRight);
    EXPECT_EQ(loupe->frame(), Rect::make(0, 0, 100, 100));
    EXPECT_EQ(loupe->layer()->borderColor(), (Color{0.1, 0.2, 0.3, 1}));
    EXPECT_DOUBLE_EQ(loupe->layer()->borderWidth(), 3);
    EXPECT_TRUE(loupe->layer()->masksToBounds());

    loupe->setViewToMagnify(area);
    loupe->setTouchPoint({120, 80});
    EXPECT_EQ(loupe->center(), (Point{120, 80}));
    loupe->layoutIfNeeded();
    EXPECT_DOUBLE_EQ(loupe->layer()->cornerRadius(), 50);

    RecordingContext context;
    loupe->draw(context, loupe->bounds());
    ASSERT_EQ(context.calls.size(), 4u);
    using Kind = RecordingContext::Call::Kind;
    EXPECT_EQ(context.calls[0].kind, Kind::translate);
    EXPECT_EQ((Point{context.calls[0].x, context.calls[0].y}), (Point{50, 50}));
    EXPECT_EQ(context.calls[1].kind, Kind::scale);
    EXPECT_EQ((Point{context.calls[1].x, context.calls[1].y}), (Point{2, 2}));
    EXPECT_EQ(context.calls[2].kind, Kind::translate);
    EXPECT_EQ((Point{context.calls[2].x, context.calls[2].y}), (Point{-120, -80}));
    EXPECT_EQ(context.calls[3].kind, Kind::render);
    EXPECT_EQ(context.calls[3].view, area.get());

    // A loupe made after the colour changes takes the new colour; the old one keeps its own.
    MagnifyView::setBorderColor(Color{0.9, 0.1, 0.1, 1});
    EXPECT_EQ(MagnifyView::make(MagnifyView::Position::topLeft)->layer()->borderColor(),
              (Color{0.9, 0.1, 0.1, 1}));
    EXPECT_EQ(loupe->layer()->borderColor(), (Color{0.1, 0.2, 0.3, 1}));
}

TEST(Loupe, WithoutATouchPointRendersNothing) {
    auto loupe = MagnifyView::make(MagnifyView::Position::topLeft);
    loupe->setViewToMagnify(View::make(Rect::make(0, 0, 10, 10)));
    RecordingContext context;
    loupe->draw(context, loupe->bounds());
    EXPECT_EQ(context.calls.size(), 2u);
    EXPECT_EQ(MagnifyView::positionFromRawValue(0), std::nullopt);
    EXPECT_EQ(MagnifyView::positionFromRawValue(3), MagnifyView::Position::bottomRight);
    EXPECT_EQ(MagnifyView::positionFromRawValue(5), std::nullopt);
}

TEST(CropTouchLayer, LetsPansBeginAndIsNoKeyboardStop) {
    auto layer = CropControlView::make(Rect::make(0, 0, 100, 100));
    auto pan = PanGestureRecognizer::make();
    EXPECT_TRUE(layer->gestureRecognizerShouldBegin(*pan));
    auto tap = TapGestureRecognizer::make();
    EXPECT_TRUE(layer->gestureRecognizerShouldBegin(*tap));
    EXPECT_FALSE(layer->canBecomeFocused());
    EXPECT_FALSE(layer->isAccessibilityElement());
}
