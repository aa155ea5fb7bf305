#include <gtest/gtest.h>

#include <numbers>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"

namespace {

using quorvel::platform::AffineTransform;
using quorvel::platform::Color;
using quorvel::platform::EdgeInsets;
using quorvel::platform::Point;
using quorvel::platform::Rect;
using quorvel::platform::Size;

void expectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(Rect, EdgesAndCentreOfAPositiveRect) {
    const Rect rect = Rect::make(10, 20, 30, 40);
    EXPECT_EQ(rect.minX(), 10);
    EXPECT_EQ(rect.midX(), 25);
    EXPECT_EQ(rect.maxX(), 40);
    EXPECT_EQ(rect.minY(), 20);
    EXPECT_EQ(rect.midY(), 40);
    EXPECT_EQ(rect.maxY(), 60);
    EXPECT_EQ(rect.center(), (Point{25, 40}));
}

TEST(Rect, NegativeSizeReadsAsStandardized) {
    const Rect rect = Rect::make(40, 60, -30, -40);
    EXPECT_EQ(rect.minX(), 10);
    EXPECT_EQ(rect.maxX(), 40);
    EXPECT_EQ(rect.minY(), 20);
    EXPECT_EQ(rect.maxY(), 60);
    EXPECT_EQ(rect.width(), 30);
    EXPECT_EQ(rect.height(), 40);
    EXPECT_EQ(rect.standardized(), Rect::make(10, 20, 30, 40));
}

TEST(Rect, ContainsIsHalfOpenAndEmptyRectsHoldNothing) {
    const Rect rect = Rect::make(0, 0, 10, 10);
    EXPECT_TRUE(rect.contains({0, 0}));
    EXPECT_TRUE(rect.contains({9.99, 5}));
    EXPECT_FALSE(rect.contains({10, 5}));
    EXPECT_FALSE(rect.contains({5, 10}));
    EXPECT_TRUE(Rect::make(5, 5, 0, 10).isEmpty());
    EXPECT_FALSE(Rect::make(5, 5, 0, 10).contains({5, 6}));
}

TEST(Rect, IntersectionOfOverlappingAndSeparateRects) {
    const Rect a = Rect::make(0, 0, 10, 10);
    EXPECT_EQ(a.intersection(Rect::make(5, -5, 10, 10)), Rect::make(5, 0, 5, 5));
    EXPECT_FALSE(a.intersection(Rect::make(10, 0, 5, 5)).has_value());  // touching edges only
    EXPECT_FALSE(a.intersects(Rect::make(20, 20, 1, 1)));
}

TEST(Rect, InsetsShrinkEachSideAndNeverGoBelowZero) {
    const Rect rect = Rect::make(0, 0, 100, 50);
    EXPECT_EQ(rect.inset(EdgeInsets{1, 2, 3, 4}), Rect::make(2, 1, 94, 46));
    EXPECT_EQ(rect.insetBy(10, 5), Rect::make(10, 5, 80, 40));
    EXPECT_EQ(rect.insetBy(-1, -1), Rect::make(-1, -1, 102, 52));
    EXPECT_EQ(rect.insetBy(60, 0).size, (Size{0, 50}));
    EXPECT_EQ(rect.offsetBy(3, -4), Rect::make(3, -4, 100, 50));
}

TEST(AffineTransform, BasicTransformsMovePoints) {
    expectNear(AffineTransform::translation(3, 4).apply(Point{1, 1}), {4, 5});
    expectNear(AffineTransform::scale(2, -3).apply(Point{1, 1}), {2, -3});
    // y points down, so a quarter turn takes the x axis onto the y axis: clockwise on screen.
    expectNear(AffineTransform::rotation(std::numbers::pi / 2).apply(Point{1, 0}), {0, 1});
    EXPECT_TRUE(AffineTransform::identity().isIdentity());
    EXPECT_FALSE(AffineTransform::translation(1, 0).isIdentity());
}

TEST(AffineTransform, ConcatenationAppliesTheReceiverFirst) {
    const auto scale = AffineTransform::scale(2, 2);
    const auto move = AffineTransform::translation(10, 0);
    expectNear(scale.concatenating(move).apply(Point{1, 1}), {12, 2});
    expectNear(move.concatenating(scale).apply(Point{1, 1}), {22, 2});
}

TEST(AffineTransform, ModifiersApplyTheirStepBeforeTheTransform) {
    const auto move = AffineTransform::translation(10, 0);
    // Scale first, then move.
    expectNear(move.scaledBy(2, 2).apply(Point{1, 1}), {12, 2});
    expectNear(move.translatedBy(0, 5).apply(Point{0, 0}), {10, 5});
    expectNear(move.rotatedBy(std::numbers::pi).apply(Point{1, 0}), {9, 0});
}

TEST(AffineTransform, InverseUndoesTheTransformAndSingularHasNone) {
    const auto transform = AffineTransform::rotation(0.3).scaledBy(2, 5).translatedBy(7, -2);
    const auto inverse = transform.inverted();
    ASSERT_TRUE(inverse.has_value());
    expectNear(inverse->apply(transform.apply(Point{3, 4})), {3, 4});
    EXPECT_FALSE(AffineTransform::scale(0, 1).inverted().has_value());
}

TEST(AffineTransform, SizesIgnoreTranslationAndRectsGiveTheirBoundingBox) {
    const auto transform = AffineTransform::translation(100, 100).scaledBy(2, 3);
    EXPECT_EQ(transform.apply(Size{4, 5}), (Size{8, 15}));
    const Rect turned =
        AffineTransform::rotation(std::numbers::pi / 2).apply(Rect::make(0, 0, 10, 20));
    EXPECT_NEAR(turned.minX(), -20, 1e-9);
    EXPECT_NEAR(turned.maxX(), 0, 1e-9);
    EXPECT_NEAR(turned.minY(), 0, 1e-9);
    EXPECT_NEAR(turned.maxY(), 10, 1e-9);
}

TEST(Color, WithAlphaKeepsTheComponents) {
    const Color color{0.1, 0.2, 0.3, 1.0};
    EXPECT_EQ(color.withAlpha(0.25), (Color{0.1, 0.2, 0.3, 0.25}));
    EXPECT_EQ(Color::clear(), (Color{0, 0, 0, 0}));
    EXPECT_EQ(Color::fromRGBA8(255, 0, 51), (Color{1, 0, 0.2, 1}));
    EXPECT_NE(color, color.withAlpha(0.5));
}

}  // namespace
