#include <gtest/gtest.h>

#include <cmath>

#include "Platform/Vision/QuadGeometry.h"

namespace {

using quorvel::platform::vision::EdgePoint;
using quorvel::platform::vision::Line;
using quorvel::platform::vision::Quad;

TEST(QuadGeometry, OrdersCornersClockwiseFromTheTopLeft) {
    const Quad scrambled{cv::Point2d(10, 90), cv::Point2d(100, 95), cv::Point2d(95, 5),
                         cv::Point2d(5, 10)};  // counter-clockwise, starting bottom-left
    const Quad ordered = quorvel::platform::vision::orderCorners(scrambled);
    EXPECT_EQ(ordered[0], cv::Point2d(5, 10));
    EXPECT_EQ(ordered[1], cv::Point2d(95, 5));
    EXPECT_EQ(ordered[2], cv::Point2d(100, 95));
    EXPECT_EQ(ordered[3], cv::Point2d(10, 90));
}

TEST(QuadGeometry, KeepsTheTopEdgeOnTopForATurnedQuadrilateral) {
    // A tall rectangle turned 40 degrees clockwise about the origin.
    const double a = 40 * CV_PI / 180;
    auto turn = [&](double x, double y) {
        return cv::Point2d(x * std::cos(a) - y * std::sin(a), x * std::sin(a) + y * std::cos(a));
    };
    const Quad page{turn(-50, -80), turn(50, -80), turn(50, 80), turn(-50, 80)};
    const Quad shifted{page[2], page[3], page[0], page[1]};
    const Quad ordered = quorvel::platform::vision::orderCorners(shifted);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(ordered[i].x, page[i].x, 1e-9);
        EXPECT_NEAR(ordered[i].y, page[i].y, 1e-9);
    }
}

TEST(QuadGeometry, MeasuresCornerDeviationAndConvexity) {
    const Quad square{cv::Point2d(0, 0), cv::Point2d(10, 0), cv::Point2d(10, 10),
                      cv::Point2d(0, 10)};
    EXPECT_NEAR(quorvel::platform::vision::maximumCornerDeviation(square), 0, 1e-9);
    EXPECT_TRUE(quorvel::platform::vision::isConvex(square));
    const Quad sheared{cv::Point2d(0, 0), cv::Point2d(10, 0), cv::Point2d(20, 10),
                       cv::Point2d(10, 10)};
    EXPECT_NEAR(quorvel::platform::vision::maximumCornerDeviation(sheared), 45, 1e-9);
    const Quad bowTie{cv::Point2d(0, 0), cv::Point2d(10, 10), cv::Point2d(10, 0),
                      cv::Point2d(0, 10)};
    EXPECT_FALSE(quorvel::platform::vision::isConvex(bowTie));
}

TEST(QuadGeometry, IntersectsLinesAndRefusesParallelOnes) {
    const Line horizontal{cv::Point2d(0, 5), cv::Point2d(1, 0)};
    const Line vertical{cv::Point2d(3, 0), cv::Point2d(0, 1)};
    const auto crossing = quorvel::platform::vision::intersect(horizontal, vertical);
    ASSERT_TRUE(crossing.has_value());
    EXPECT_NEAR(crossing->x, 3, 1e-12);
    EXPECT_NEAR(crossing->y, 5, 1e-12);
    EXPECT_FALSE(
        quorvel::platform::vision::intersect(horizontal, Line{cv::Point2d(0, 9), cv::Point2d(1, 0)})
            .has_value());
}

TEST(QuadGeometry, EnclosingQuadRestoresTheCornersOfAClippedRectangle) {
    // A 100 x 60 rectangle with two corners cut off (dog-eared) and one rounded.
    const std::vector<cv::Point2d> polygon{
        cv::Point2d(8, 0),   cv::Point2d(100, 0), cv::Point2d(100, 52), cv::Point2d(98, 57),
        cv::Point2d(94, 60), cv::Point2d(0, 60),  cv::Point2d(0, 8)};
    const auto quad = quorvel::platform::vision::enclosingQuad(polygon);
    ASSERT_TRUE(quad.has_value());
    const Quad ordered = quorvel::platform::vision::orderCorners(*quad);
    const Quad expected{cv::Point2d(0, 0), cv::Point2d(100, 0), cv::Point2d(100, 60),
                        cv::Point2d(0, 60)};
    EXPECT_LT(quorvel::platform::vision::maximumCornerDistance(ordered, expected), 1e-6);
    EXPECT_FALSE(quorvel::platform::vision::enclosingQuad(
                     {cv::Point2d(0, 0), cv::Point2d(1, 0), cv::Point2d(0, 1)})
                     .has_value());
}

TEST(QuadGeometry, RobustLineFitIgnoresOutliers) {
    std::vector<EdgePoint> points;
    for (int i = 0; i < 40; ++i) {
        points.push_back({cv::Point2d(i, 0.5 * i + 2 + ((i % 2) ? 0.2 : -0.2)), i / 40.0});
    }
    for (int i = 0; i < 12; ++i) {
        points.push_back({cv::Point2d(3 * i, 40 + i), i / 12.0});  // clutter far off the line
    }
    std::vector<EdgePoint> inliers;
    const auto line = quorvel::platform::vision::fitLineRobust(points, 1.0, std::nullopt, &inliers);
    ASSERT_TRUE(line.has_value());
    EXPECT_NEAR(std::abs(line->direction.y / line->direction.x), 0.5, 0.01);
    EXPECT_LT(quorvel::platform::vision::distance(*line, cv::Point2d(20, 12)), 0.1);
    EXPECT_EQ(inliers.size(), 40u);
    EXPECT_FALSE(quorvel::platform::vision::fitLineRobust({points[0]}, 1.0).has_value());
}

}  // namespace
