// Shapes taller than a few dozen device pixels are filled and stroked by the painter's own
// rasteriser (straight into raster images) or band by band (behind a clip path, on other
// devices). These tests hold both to what QPainter draws for the same shape, and pin what the
// crop overlay relies on: the dimming's hole stays clear and the outline's joins stay closed.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "PaintingTestSupport.h"
#include "Platform/UI/Qt/PathFiller.h"
#include "Platform/UI/ShapeLayer.h"

namespace quorvel::platform {
namespace {

using testing::near;
using testing::render;
using testing::rgba;
using testing::transparent;

// How far two pictures of one shape are apart: the largest difference of one component, and
// how many pixels differ by more than `tolerance`.
struct Difference {
    int largest = 0;
    int pixelsAbove = 0;
};

Difference compare(const QImage& a, const QImage& b, int tolerance) {
    Difference result;
    const QImage left = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < left.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(left.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(right.constScanLine(y));
        for (int x = 0; x < left.width(); ++x) {
            const int d = std::max(
                {std::abs(qRed(p[x]) - qRed(q[x])), std::abs(qGreen(p[x]) - qGreen(q[x])),
                 std::abs(qBlue(p[x]) - qBlue(q[x])), std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
            result.largest = std::max(result.largest, d);
            if (d > tolerance) {
                ++result.pixelsAbove;
            }
        }
    }
    return result;
}

// A 342 × 456 point picture at 3 pixels per point over a yellow ground.
QImage canvas(QImage::Format format = QImage::Format_ARGB32_Premultiplied) {
    QImage image(1026, 1368, format);
    image.setDevicePixelRatio(3);
    image.fill(QColor(200, 180, 40));
    return image;
}

using Drawing = std::function<void(QPainter&)>;

QImage drawn(QImage image, const Drawing& draw, const Drawing& setUp = {}) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (setUp) {
        setUp(painter);
    }
    draw(painter);
    painter.end();
    return image;
}

// The crop overlay's outline: a quadrilateral whose first side is drawn twice, so the outline
// ends with a join at the first corner.
QPainterPath quadrilateral() {
    QPainterPath path;
    path.moveTo(72, 80);
    path.lineTo(280, 70);
    path.lineTo(290, 420);
    path.lineTo(50, 430);
    path.lineTo(72, 80);
    path.lineTo(280, 70);
    return path;
}

// The crop overlay's dimming: the whole area with the quadrilateral cut out.
QPainterPath dimming() {
    QPainterPath path;
    path.addRect(0, 0, 342, 456);
    path.addPath(quadrilateral());
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

QPen outlinePen() {
    QPen pen(QColor(0, 122, 255), 3);
    pen.setJoinStyle(Qt::SvgMiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

const QColor dim(0, 0, 0, 77);

// --- Against QPainter -------------------------------------------------------------------------

TEST(PaintingLargeShapeTest, StraightEdgedFillsMatchQPainterOnRasterImages) {
    const QImage expected = drawn(canvas(), [](QPainter& p) { p.fillPath(dimming(), dim); });
    const QImage actual = drawn(canvas(), [](QPainter& p) { PathFiller::fill(p, dimming(), dim); });
    const Difference difference = compare(expected, actual, 2);
    EXPECT_LE(difference.largest, 3);
    EXPECT_LE(difference.pixelsAbove, 0);
}

TEST(PaintingLargeShapeTest, StrokesMatchQPainterWithTheSameJoins) {
    for (const Qt::PenJoinStyle join : {Qt::SvgMiterJoin, Qt::BevelJoin, Qt::RoundJoin}) {
        QPen pen = outlinePen();
        pen.setJoinStyle(join);
        const QImage expected =
            drawn(canvas(), [&](QPainter& p) { p.strokePath(quadrilateral(), pen); });
        const QImage actual =
            drawn(canvas(), [&](QPainter& p) { PathFiller::stroke(p, quadrilateral(), pen); });
        const Difference difference = compare(expected, actual, 8);
        // Edge pixels may differ by a few levels where the two round the corners' positions
        // (and flatten the round joins) differently.
        EXPECT_EQ(difference.pixelsAbove, 0)
            << join << ": largest difference " << difference.largest;
    }
}

TEST(PaintingLargeShapeTest, CurvedFillsAgreeWithQPainterAlongTheCurves) {
    QPainterPath rounded;
    rounded.addRoundedRect(10.3, 20.7, 300, 400, 30, 30);
    QPainterPath ellipse;
    ellipse.addEllipse(-50, -30, 400, 300);
    for (const QPainterPath& path : {rounded, ellipse}) {
        const QImage expected =
            drawn(canvas(), [&](QPainter& p) { p.fillPath(path, QColor(0, 90, 0, 160)); });
        const QImage actual =
            drawn(canvas(), [&](QPainter& p) { PathFiller::fill(p, path, QColor(0, 90, 0, 160)); });
        const Difference difference = compare(expected, actual, 3);
        // Only pixels along the curved edges, where QPainter's curves and these part by a
        // small fraction of a pixel, and few of them.
        EXPECT_LT(difference.pixelsAbove, 1000);
        EXPECT_LE(difference.largest, 24);
    }
}

TEST(PaintingLargeShapeTest, ThePaintersOpacityApplies) {
    QPainterPath ellipse;
    ellipse.addEllipse(20, 20, 300, 400);
    const auto halfOpaque = [](QPainter& p) { p.setOpacity(0.5); };
    const QImage expected = drawn(
        canvas(), [&](QPainter& p) { p.fillPath(ellipse, QColor(10, 20, 250)); }, halfOpaque);
    const QImage actual = drawn(
        canvas(), [&](QPainter& p) { PathFiller::fill(p, ellipse, QColor(10, 20, 250)); },
        halfOpaque);
    const QColor centre = actual.pixelColor(513, 660);
    EXPECT_TRUE(near(centre, expected.pixelColor(513, 660), 1));
    EXPECT_LT(compare(expected, actual, 3).pixelsAbove, 1026 * 1368 / 500);
}

TEST(PaintingLargeShapeTest, BehindAClipPathOnlyTheClippedAreaIsPainted) {
    const auto circle = [](QPainter& p) {
        QPainterPath clip;
        clip.addEllipse(QPointF(100, 100), 50, 50);
        p.setClipPath(clip);
    };
    const auto overlay = [](QPainter& p) {
        PathFiller::fill(p, dimming(), dim);
        PathFiller::stroke(p, quadrilateral(), outlinePen());
    };
    const auto reference = [](QPainter& p) {
        p.fillPath(dimming(), dim);
        p.strokePath(quadrilateral(), outlinePen());
    };
    const QImage actual = drawn(canvas(), overlay, circle);
    const QImage expected = drawn(canvas(), reference, circle);
    const Difference difference = compare(expected, actual, 8);
    EXPECT_LE(difference.pixelsAbove, 0) << "largest difference " << difference.largest;
    // Outside the circle: the ground; inside, outside the quadrilateral: dimmed.
    EXPECT_TRUE(near(actual.pixelColor(3 * 200, 3 * 200), QColor(200, 180, 40), 0));
    EXPECT_FALSE(near(actual.pixelColor(3 * 80, 3 * 70), QColor(200, 180, 40), 10));
}

TEST(PaintingLargeShapeTest, DevicesOtherThanImagesGetTheSamePicture) {
    QPixmap pixmap(1026, 1368);
    pixmap.setDevicePixelRatio(3);
    pixmap.fill(QColor(200, 180, 40));
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        PathFiller::fill(painter, dimming(), dim);
        PathFiller::stroke(painter, quadrilateral(), outlinePen());
    }
    const QImage expected = drawn(canvas(), [](QPainter& p) {
        p.fillPath(dimming(), dim);
        p.strokePath(quadrilateral(), outlinePen());
    });
    EXPECT_LE(compare(expected, pixmap.toImage(), 8).pixelsAbove, 0);
}

TEST(PaintingLargeShapeTest, OpaqueImagesStayOpaque) {
    const QImage actual = drawn(canvas(QImage::Format_RGB32), [](QPainter& p) {
        PathFiller::fill(p, dimming(), dim);
        PathFiller::stroke(p, quadrilateral(), outlinePen());
    });
    for (int y = 0; y < actual.height(); y += 7) {
        const auto* row = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        for (int x = 0; x < actual.width(); x += 3) {
            ASSERT_EQ(qAlpha(row[x]), 255) << x << ", " << y;
        }
    }
}

TEST(PaintingLargeShapeTest, ShapesReachingPastTheDeviceAreCutAtItsEdges) {
    QPainterPath huge;
    huge.addRect(-5000, -300, 10000, 900);
    const QImage actual =
        drawn(canvas(), [&](QPainter& p) { PathFiller::fill(p, huge, QColor(255, 0, 0)); });
    EXPECT_TRUE(near(actual.pixelColor(0, 0), rgba(255, 0, 0), 0));
    EXPECT_TRUE(near(actual.pixelColor(1025, 1367), rgba(255, 0, 0), 0));
}

// --- The crop overlay through the view painter ------------------------------------------------

struct Overlay {
    std::shared_ptr<View> host = View::make(Rect::make(0, 0, 342, 456));
    std::shared_ptr<ShapeLayer> fill = ShapeLayer::make();
    std::shared_ptr<ShapeLayer> outline = ShapeLayer::make();

    Overlay() {
        const std::vector<Point> corners{{72, 80}, {280, 70}, {290, 420}, {50, 430}};
        BezierPath path;
        path.moveTo(corners[0]);
        for (std::size_t i = 1; i < corners.size(); ++i) {
            path.addLineTo(corners[i]);
        }
        path.addLineTo(corners[0]);
        path.addLineTo(corners[1]);
        BezierPath mask = BezierPath::rect(Rect::make(0, 0, 342, 456));
        mask.append(path);
        mask.setUsesEvenOddFillRule(true);
        fill->setPath(mask);
        fill->setFillRule(FillRule::evenOdd);
        fill->setFillColor(Color{0, 0, 0, 0.3});
        outline->setPath(path);
        outline->setFillColor(std::nullopt);
        outline->setStrokeColor(testing::blue);
        outline->setLineWidth(3);
        host->layer()->addSublayer(fill);
        host->layer()->addSublayer(outline);
    }
};

TEST(PaintingLargeShapeTest, TheDimmingLeavesTheQuadrilateralClear) {
    Overlay overlay;
    const auto picture = render(*overlay.host, 3);
    EXPECT_TRUE(near(picture.at(170, 250), transparent, 0)) << "inside the quadrilateral";
    EXPECT_TRUE(near(picture.at(20, 20), rgba(0, 0, 0, 77), 1));
    EXPECT_TRUE(near(picture.at(330, 440), rgba(0, 0, 0, 77), 1));
    EXPECT_TRUE(near(picture.at(170, 445), rgba(0, 0, 0, 77), 1)) << "below the bottom side";
}

TEST(PaintingLargeShapeTest, TheOutlinesJoinsAreClosed) {
    Overlay overlay;
    overlay.fill->setHidden(true);
    const auto picture = render(*overlay.host, 3);
    // Just inside each corner, on the bisector of its angle: on the stroke's inner edge.
    const std::vector<std::pair<Point, Point>> corners{{{72, 80}, {73.2, 81.2}},
                                                       {{280, 70}, {278.8, 71.2}},
                                                       {{290, 420}, {288.6, 418.6}},
                                                       {{50, 430}, {51.4, 428.6}}};
    for (const auto& [corner, inside] : corners) {
        EXPECT_TRUE(near(picture.at(corner.x, corner.y), rgba(0, 0, 255), 0))
            << corner.x << ", " << corner.y;
        EXPECT_TRUE(near(picture.at(inside.x, inside.y), rgba(0, 0, 255), 60))
            << inside.x << ", " << inside.y;
    }
    // The mitre of the top left corner reaches out beyond the corner, up and to the left, where
    // a bevel would have cut it off.
    EXPECT_TRUE(near(picture.at(70.9, 78.9), rgba(0, 0, 255), 60));
    EXPECT_TRUE(near(picture.at(170, 250), transparent, 0));
}

// --- Rounded masks -----------------------------------------------------------------------------

std::shared_ptr<View> coloured(const Rect& frame, const Color& colour) {
    auto view = View::make(frame);
    view->setBackgroundColor(colour);
    return view;
}

// A round loupe-like view of 100 points over a blue ground, holding a green band (a shape layer)
// reaching beyond it left and right, and over it a red subview overflowing it to the right.
struct RoundMask {
    std::shared_ptr<View> root = coloured(Rect::make(0, 0, 200, 200), testing::blue);
    std::shared_ptr<View> round = View::make(Rect::make(50, 50, 100, 100));

    RoundMask() {
        round->layer()->setCornerRadius(50);
        round->setClipsToBounds(true);
        round->addSubview(coloured(Rect::make(0, 0, 140, 45), testing::red));
        auto shape = ShapeLayer::make();
        shape->setPath(BezierPath::rect(Rect::make(-40, 40, 200, 20)));
        shape->setFillColor(testing::green);
        round->layer()->addSublayer(shape);
        root->addSubview(round);
    }
};

TEST(PaintingLargeShapeTest, ARoundMaskCutsItsContentWithSoftEdges) {
    RoundMask scene;
    const auto picture = render(*scene.root, 3);
    EXPECT_TRUE(near(picture.at(100, 70), rgba(255, 0, 0), 0)) << "inside";
    EXPECT_TRUE(near(picture.at(100, 102), rgba(0, 255, 0), 0)) << "the shape, inside";
    EXPECT_TRUE(near(picture.at(52, 52), rgba(0, 0, 255), 0)) << "outside the round corner";
    EXPECT_TRUE(near(picture.at(170, 70), rgba(0, 0, 255), 0)) << "overflowing content is cut";
    EXPECT_TRUE(near(picture.at(30, 100), rgba(0, 0, 255), 0)) << "so is the shape";
    // On the rim, red and blue mix.
    const QColor rim = picture.at(95.4, 50.1);
    EXPECT_GT(rim.red(), 20);
    EXPECT_GT(rim.blue(), 20);
    EXPECT_EQ(rim.alpha(), 255);
}

TEST(PaintingLargeShapeTest, ARoundMaskAgreesWithAClipPath) {
    RoundMask scene;
    const auto picture = render(*scene.root, 3);
    // The same scene drawn by QPainter behind the round clip path.
    QImage expected(600, 600, QImage::Format_ARGB32_Premultiplied);
    expected.setDevicePixelRatio(3);
    expected.fill(QColor(0, 0, 255));
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath circle;
        circle.addRoundedRect(50, 50, 100, 100, 50, 50);
        painter.setClipPath(circle);
        painter.fillRect(QRectF(10, 90, 200, 20), QColor(0, 255, 0));
        painter.fillRect(QRectF(50, 50, 140, 45), QColor(255, 0, 0));
    }
    const Difference difference = compare(expected, picture.image, 8);
    // Only along the rim, where the two round the circle's outline differently.
    EXPECT_LT(difference.pixelsAbove, 100) << "largest difference " << difference.largest;
}

TEST(PaintingLargeShapeTest, ARoundMaskPartlyOffThePictureAndInsideAnotherMask) {
    auto root = coloured(Rect::make(0, 0, 120, 120), testing::blue);
    auto outer = View::make(Rect::make(-40, -40, 120, 120));
    outer->layer()->setCornerRadius(30);
    outer->setClipsToBounds(true);
    outer->addSubview(coloured(Rect::make(0, 0, 120, 120), testing::green));
    auto inner = View::make(Rect::make(60, 60, 60, 60));
    inner->layer()->setCornerRadius(30);
    inner->setClipsToBounds(true);
    inner->addSubview(coloured(Rect::make(0, 0, 60, 60), testing::red));
    outer->addSubview(inner);
    root->addSubview(outer);
    const auto picture = render(*root, 3);
    EXPECT_TRUE(near(picture.at(1, 1), rgba(0, 255, 0), 0));
    EXPECT_TRUE(near(picture.at(50, 50), rgba(255, 0, 0), 0)) << "the inner mask, within both";
    EXPECT_TRUE(near(picture.at(78, 78), rgba(0, 0, 255), 0)) << "cut by the outer corner";
    EXPECT_TRUE(near(picture.at(21, 30), rgba(0, 255, 0), 0)) << "outside the inner circle";
    EXPECT_TRUE(near(picture.at(100, 100), rgba(0, 0, 255), 0));
}

}  // namespace
}  // namespace quorvel::platform
