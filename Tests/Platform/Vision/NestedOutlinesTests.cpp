#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <vector>

#include "Platform/Vision/EdgeEvidence.h"
#include "Platform/Vision/NestedOutlines.h"

namespace {

using quorvel::platform::vision::EdgeEvidence;
using quorvel::platform::vision::extensionSupport;
using quorvel::platform::vision::findNesting;
using quorvel::platform::vision::preferredOfNested;
using quorvel::platform::vision::Quad;

constexpr double kTolerance = 6;
constexpr double kThreshold = 4;

Quad box(double left, double top, double right, double bottom) {
    return {cv::Point2d(left, top), cv::Point2d(right, top), cv::Point2d(right, bottom),
            cv::Point2d(left, bottom)};
}

// A bright sheet from (100, 60) to (300, 260) on a dark surface.
cv::Mat sheetOnDarkSurface() {
    cv::Mat image(320, 400, CV_8UC1, cv::Scalar(60));
    cv::rectangle(image, cv::Rect(100, 60, 201, 201), cv::Scalar(220), cv::FILLED);
    return image;
}

TEST(NestedOutlines, RecognisesOutlinesThatDifferOnlyInHowFarOneSideReaches) {
    const Quad page = box(100, 60, 300, 260);
    const Quad belowRule = box(100, 106, 300, 260);
    const auto nesting = findNesting(page, belowRule, kTolerance);
    ASSERT_TRUE(nesting.has_value());
    EXPECT_EQ(nesting->inner[0], cv::Point2d(100, 106));
    EXPECT_EQ(nesting->outer[0], cv::Point2d(100, 60));
    EXPECT_EQ(nesting->side, 0u);
    // The same pair named the other way round, with the corners starting elsewhere.
    const Quad turned{belowRule[2], belowRule[3], belowRule[0], belowRule[1]};
    const auto again = findNesting(turned, page, kTolerance);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->inner[0], cv::Point2d(100, 106));
}

TEST(NestedOutlines, DoesNotPairOutlinesThatCrossTurnOrDiffer) {
    const Quad page = box(100, 60, 300, 260);
    // The bottom side tilted through the page's: one corner further out, one further in.
    const Quad crossing{cv::Point2d(100, 60), cv::Point2d(300, 60), cv::Point2d(300, 290),
                        cv::Point2d(100, 230)};
    EXPECT_FALSE(findNesting(page, crossing, kTolerance).has_value());
    // The bottom side turned about its left corner.
    const Quad turned{cv::Point2d(100, 60), cv::Point2d(300, 60), cv::Point2d(300, 300),
                      cv::Point2d(100, 262)};
    EXPECT_FALSE(findNesting(page, turned, kTolerance).has_value());
    EXPECT_FALSE(findNesting(page, box(150, 90, 350, 290), kTolerance).has_value());
    // Near-duplicates are not nested either.
    EXPECT_FALSE(findNesting(page, box(101, 61, 300, 263), kTolerance).has_value());
}

TEST(NestedOutlines, PrefersThePageOverALinePrintedAcrossIt) {
    cv::Mat image = sheetOnDarkSurface();
    cv::rectangle(image, cv::Rect(100, 100, 201, 6), cv::Scalar(70), cv::FILLED);
    cv::GaussianBlur(image, image, cv::Size(3, 3), 0);
    const EdgeEvidence evidence(image);
    const Quad page = box(99.5, 59.5, 300.5, 260.5);
    const Quad belowRule = box(99.5, 105.5, 300.5, 260.5);
    const auto nesting = findNesting(belowRule, page, kTolerance);
    ASSERT_TRUE(nesting.has_value());
    EXPECT_GT(extensionSupport(evidence, *nesting, kThreshold), 0.8);
    EXPECT_EQ(preferredOfNested({belowRule, page}, evidence, kTolerance, kThreshold), 1u);
    EXPECT_EQ(preferredOfNested({page, belowRule}, evidence, kTolerance, kThreshold), 0u);
}

TEST(NestedOutlines, PrefersThePageOverOneStretchedOntoAnEdgeOfTheSurface) {
    // A bright bar across the surface a little beyond the sheet's bottom, like a ledge in the
    // background: the outline through the bar's edge takes in a strip of dark surface.
    cv::Mat image = sheetOnDarkSurface();
    cv::rectangle(image, cv::Rect(0, 290, 400, 30), cv::Scalar(230), cv::FILLED);
    cv::GaussianBlur(image, image, cv::Size(3, 3), 0);
    const EdgeEvidence evidence(image);
    const Quad page = box(99.5, 59.5, 300.5, 260.5);
    const Quad withStrip = box(99.5, 59.5, 300.5, 289.5);
    const auto nesting = findNesting(withStrip, page, kTolerance);
    ASSERT_TRUE(nesting.has_value());
    EXPECT_LT(extensionSupport(evidence, *nesting, kThreshold), 0.2);
    EXPECT_EQ(preferredOfNested({withStrip, page}, evidence, kTolerance, kThreshold), 1u);
    EXPECT_EQ(preferredOfNested({page, withStrip}, evidence, kTolerance, kThreshold), 0u);
}

TEST(NestedOutlines, KeepsTheFirstOutlineWhenNothingIsNestedWithIt) {
    const cv::Mat image = sheetOnDarkSurface();
    const EdgeEvidence evidence(image);
    EXPECT_EQ(preferredOfNested({box(99.5, 59.5, 300.5, 260.5), box(20, 20, 80, 80)}, evidence,
                                kTolerance, kThreshold),
              0u);
    EXPECT_EQ(preferredOfNested({box(99.5, 59.5, 300.5, 260.5)}, evidence, kTolerance, kThreshold),
              0u);
}

}  // namespace
