#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/core.hpp>

#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {
namespace {

using quorvel::platform::ImageOrientation;
using quorvel::platform::Point;
using quorvel::platform::RectangleObservation;

RectangleObservation candidate(Point tl, Point tr, Point br, Point bl) {
    return RectangleObservation{tl, tr, bl, br, 1.0f};
}

void expectCorners(const RectangleFeature& f, Point tl, Point tr, Point br, Point bl) {
    EXPECT_EQ(f.topLeft, tl);
    EXPECT_EQ(f.topRight, tr);
    EXPECT_EQ(f.bottomRight, br);
    EXPECT_EQ(f.bottomLeft, bl);
}

const RectangleObservation example = candidate({0.1, 0.9}, {0.6, 0.9}, {0.6, 0.2}, {0.1, 0.2});

TEST(RectangleFeatureChoice, EmptyListGivesNothing) {
    EXPECT_EQ(RectangleFeature::biggestAdjustedRectangle({}, std::nullopt), nullptr);
    EXPECT_EQ(RectangleFeature::biggestAdjustedRectangle({}, ImageOrientation::right), nullptr);
}

TEST(RectangleFeatureChoice, KeepsFirstOnEqualScoreAndTakesStrictlyBigger) {
    const auto small = candidate({0, 1}, {0.5, 1}, {0.5, 0.5}, {0, 0.5});
    const auto sameSize = candidate({0.2, 1}, {0.7, 1}, {0.7, 0.5}, {0.2, 0.5});
    auto first = RectangleFeature::biggestAdjustedRectangle({small, sameSize}, std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bottomLeft, (Point{0, 1}));

    const auto big = candidate({0, 1}, {1, 1}, {1, 0}, {0, 0});
    auto bigger = RectangleFeature::biggestAdjustedRectangle({small, big}, std::nullopt);
    EXPECT_EQ(bigger->bottomRight, (Point{1, 1}));
}

TEST(RectangleFeatureChoice, NotANumberScoreNeverWins) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto small = candidate({0, 1}, {0.5, 1}, {0.5, 0.5}, {0, 0.5});
    const auto broken = candidate({nan, 1}, {1, 1}, {1, 0}, {0, 0});
    auto f = RectangleFeature::biggestAdjustedRectangle({small, broken}, std::nullopt);
    EXPECT_EQ(f->bottomLeft, (Point{0, 1}));
    // The first candidate is kept even when its own score is not a number, unless a later one
    // scores strictly more than zero.
    const auto point = candidate({0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
    auto g = RectangleFeature::biggestAdjustedRectangle({broken, point}, std::nullopt);
    EXPECT_TRUE(std::isnan(g->bottomLeft.x) || std::isnan(g->topLeft.x) ||
                std::isnan(g->topRight.x) || std::isnan(g->bottomRight.x));
}

TEST(RectangleFeatureOrdering, WorkedExampleStraightOrientations) {
    for (std::optional<ImageOrientation> orientation :
         {std::optional<ImageOrientation>{}, std::optional{ImageOrientation::up},
          std::optional{ImageOrientation::upMirrored}, std::optional{ImageOrientation::down},
          std::optional{ImageOrientation::downMirrored}}) {
        auto f = RectangleFeature::biggestAdjustedRectangle({example}, orientation);
        ASSERT_TRUE(f);
        expectCorners(*f, {0.1, 0.2}, {0.6, 0.2}, {0.6, 0.9}, {0.1, 0.9});
    }
}

TEST(RectangleFeatureOrdering, WorkedExampleTransposedOrientations) {
    for (ImageOrientation orientation : {ImageOrientation::leftMirrored, ImageOrientation::right,
                                         ImageOrientation::rightMirrored, ImageOrientation::left}) {
        auto f = RectangleFeature::biggestAdjustedRectangle({example}, orientation);
        ASSERT_TRUE(f);
        expectCorners(*f, {0.2, 0.1}, {0.9, 0.1}, {0.9, 0.6}, {0.2, 0.6});
    }
}

TEST(RectangleFeatureOrdering, UnitSquare) {
    auto f = RectangleFeature::biggestAdjustedRectangle({candidate({0, 1}, {1, 1}, {1, 0}, {0, 0})},
                                                        std::nullopt);
    expectCorners(*f, {0, 0}, {1, 0}, {1, 1}, {0, 1});
}

TEST(RectangleFeatureOrdering, FourEqualPointsKeepInputOrder) {
    // Input order is topLeft, topRight, bottomLeft, bottomRight; s[0] becomes bottomLeft.
    const RectangleObservation same{{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, 1};
    auto f = RectangleFeature::biggestAdjustedRectangle({same}, std::nullopt);
    expectCorners(*f, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});

    // Distinguish the points by a tiny offset that does not change the single-precision keys
    // ordering between equal-key points: a point exactly left of the centre sorts first.
    auto g = RectangleFeature::biggestAdjustedRectangle(
        {candidate({0, 0.5}, {1, 1}, {1, 0}, {0.5, 0})}, std::nullopt);
    EXPECT_EQ(g->bottomLeft, (Point{0, 0.5}));
}

TEST(RectangleFeatureGeometry, ScaleMapsEveryCornerIndependently) {
    RectangleFeature f({0.5, 0.25}, {0.5, 0.25}, {0.5, 0.25}, {0.5, 0.25});
    f.scaleFeature({1920, 1080});
    expectCorners(f, {960, 270}, {960, 270}, {960, 270}, {960, 270});
}

TEST(RectangleFeatureGeometry, CornerVariance) {
    RectangleFeature a({0, 0}, {10, 0}, {10, 10}, {0, 10});
    RectangleFeature b({0, 0}, {10, 0}, {10, 10}, {0, 10});
    EXPECT_EQ(a.cornerVarianceFrom(b), 0.0f);
    b.bottomRight = {13, 14};
    EXPECT_EQ(a.cornerVarianceFrom(b), 5.0f);
    EXPECT_EQ(b.cornerVarianceFrom(a), 5.0f);
}

TEST(RectangleFeatureGeometry, StraighteningTakesTheCamerasLensWhereTheOutlineCannotTellIt) {
    // A 200 × 300 card tipped back 35° about its horizontal axis, through a long lens (focal
    // length 4000 on a 1000 × 1500 picture): only its left and right sides converge, so the
    // outline alone does not fix the lens.
    const double focalLength = 4000, tilt = 35 * std::acos(-1.0) / 180, distance = 2400;
    auto seen = [&](double x, double y) {
        const double depth = distance + y * std::sin(tilt);
        return Point{500 + focalLength * x / depth, 750 + focalLength * y * std::cos(tilt) / depth};
    };
    const RectangleFeature card(seen(-100, 150), seen(100, 150), seen(100, -150), seen(-100, -150));
    const auto picture = platform::FilterImage::fromPixels(
        cv::Mat(1500, 1000, CV_8UC4, cv::Scalar(255, 255, 255, 255)));
    ASSERT_TRUE(picture);

    const auto straight = RectangleFeature::correctPerspective(*picture, card, 1.0, focalLength);
    ASSERT_TRUE(straight);
    EXPECT_NEAR(straight->extent().width() / straight->extent().height(), 200.0 / 300.0, 0.005);
}

}  // namespace
}  // namespace quorvel
