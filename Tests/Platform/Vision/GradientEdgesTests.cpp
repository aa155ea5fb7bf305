#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "Platform/Vision/GradientEdges.h"

namespace {

using quorvel::platform::vision::findGradientEdges;

// A vertical brightness step between columns 19 and 20 of a 40 x 30 image.
cv::Mat verticalStep(int left, int right) {
    cv::Mat image(30, 40, CV_8U, cv::Scalar(left));
    image(cv::Rect(20, 0, 20, 30)).setTo(right);
    return image;
}

int edgeColumnsInRow(const cv::Mat& edges, int row, int* column) {
    int count = 0;
    for (int x = 0; x < edges.cols; ++x) {
        if (edges.at<uchar>(row, x)) {
            ++count;
            *column = x;
        }
    }
    return count;
}

TEST(GradientEdges, TraceAStepAsAOnePixelLineAtTheStep) {
    const auto edges = findGradientEdges(verticalStep(60, 160), {8, 24}, {20, 50});
    for (int y = 2; y < 28; ++y) {
        int column = -1;
        ASSERT_EQ(edgeColumnsInRow(edges.strong, y, &column), 1) << "row " << y;
        EXPECT_TRUE(column == 19 || column == 20) << "row " << y;
        EXPECT_EQ(edgeColumnsInRow(edges.faint, y, &column), 1) << "row " << y;
    }
    EXPECT_GT(edges.dx.at<short>(15, 20), 0);
    EXPECT_EQ(edges.dy.at<short>(15, 20), 0);
}

TEST(GradientEdges, KeepAFaintStepOnlyAmongTheFaintEdges) {
    // A step of 10 levels (a Sobel response of about 30): above the faint thresholds, below the
    // strong ones.
    const auto edges = findGradientEdges(verticalStep(100, 110), {8, 24}, {20, 50});
    EXPECT_EQ(cv::countNonZero(edges.strong), 0);
    EXPECT_GT(cv::countNonZero(edges.faint), 20);
}

TEST(GradientEdges, FollowAWeakeningEdgeFromItsStrongPart) {
    // The step fades gently from strong at the top to weak (a Sobel response of about 18, above
    // the low threshold but below the high one) from row 20 on.
    cv::Mat image(40, 40, CV_8U, cv::Scalar(100));
    for (int y = 0; y < 40; ++y) {
        image(cv::Rect(20, y, 20, 1)).setTo(100 + std::max(6, 40 - 2 * y));
    }
    const auto edges = findGradientEdges(image, {8, 24}, {20, 50});
    int column = -1;
    EXPECT_EQ(edgeColumnsInRow(edges.faint, 30, &column), 1);
    // Without a strong part nothing starts a faint edge either.
    const auto alone = findGradientEdges(verticalStep(100, 104), {8, 24}, {20, 50});
    EXPECT_EQ(cv::countNonZero(alone.faint), 0);
}

TEST(GradientEdges, LeaveTheFaintMapEmptyWhenNotAskedFor) {
    const auto edges = findGradientEdges(verticalStep(60, 160), {8, 24}, {20, 50}, false);
    EXPECT_TRUE(edges.faint.empty());
    EXPECT_GT(cv::countNonZero(edges.strong), 20);
}

TEST(GradientEdges, TraceTheSameFaintEdgesWhenTracedAlone) {
    // Noise over a few steps gives edges of every strength, some faint ones reached only
    // through weak pixels.
    cv::Mat image(90, 120, CV_8U);
    cv::RNG(5).fill(image, cv::RNG::NORMAL, 120, 12);
    cv::rectangle(image, cv::Rect(20, 15, 70, 50), cv::Scalar(150), cv::FILLED);
    cv::GaussianBlur(image, image, cv::Size(0, 0), 1.2);
    const auto both = findGradientEdges(image, {8, 24}, {20, 50});
    const auto alone = quorvel::platform::vision::findFaintEdges(image, {8, 24});
    EXPECT_TRUE(alone.strong.empty());
    ASSERT_EQ(alone.faint.size(), both.faint.size());
    EXPECT_GT(cv::countNonZero(both.faint), cv::countNonZero(both.strong));
    EXPECT_EQ(cv::countNonZero(alone.faint != both.faint), 0);
}

TEST(GradientEdges, OutlineADiscWithAThinClosedRingInEveryDirection) {
    // Every gradient direction occurs along a circle; the disc is placed so that its outline
    // crosses both whole vectors of pixels and the leftover columns at the right.
    cv::Mat image(61, 67, CV_8U, cv::Scalar(40));
    const cv::Point centre(40, 30);
    cv::circle(image, centre, 24, cv::Scalar(200), cv::FILLED, cv::LINE_AA);
    const auto edges = findGradientEdges(image, {8, 24}, {20, 50});
    // Walking out from the centre along 72 rays, each ray meets the outline, near the circle.
    for (int k = 0; k < 72; ++k) {
        const double angle = k * CV_PI / 36;
        int hits = 0;
        double first = 0;
        for (double r = 0; r < 30; r += 0.25) {
            const int x = cvRound(centre.x + r * std::cos(angle));
            const int y = cvRound(centre.y + r * std::sin(angle));
            if (edges.strong.at<uchar>(y, x) && hits++ == 0) {
                first = r;
            }
        }
        EXPECT_GT(hits, 0) << "ray " << k;
        EXPECT_NEAR(first, 24, 1.6) << "ray " << k;
    }
    // Thin: no edge pixel has edge pixels on both sides across the edge, so a 2x2 block is
    // never entirely edge.
    for (int y = 0; y + 1 < edges.strong.rows; ++y) {
        for (int x = 0; x + 1 < edges.strong.cols; ++x) {
            EXPECT_LT(cv::countNonZero(edges.strong(cv::Rect(x, y, 2, 2))), 4)
                << "at " << x << ", " << y;
        }
    }
    // Closed: one edge chain, the ring.
    cv::Mat labels;
    EXPECT_EQ(cv::connectedComponents(edges.strong, labels, 8), 2);
}

TEST(GradientEdges, FindNothingOnAFlatImage) {
    const auto edges =
        findGradientEdges(cv::Mat(20, 20, CV_8U, cv::Scalar(128)), {8, 24}, {20, 50});
    EXPECT_EQ(cv::countNonZero(edges.strong), 0);
    EXPECT_EQ(cv::countNonZero(edges.faint), 0);
}

// The derivatives are those of OpenCV's 3x3 Gaussian blur followed by its 3x3 Sobel filters,
// value for value, at the border too, for widths on and off the vector width, and for a view
// into a larger image (whose blur reads the pixels around the view).
TEST(GradientEdges, GiveTheDerivativesOfOpenCVsBlurAndSobel) {
    cv::RNG random(20240611);
    cv::Mat large(90, 130, CV_8U);
    random.fill(large, cv::RNG::UNIFORM, 0, 256);
    std::vector<cv::Mat> images{large(cv::Rect(3, 5, 101, 70))};
    for (const cv::Size size :
         {cv::Size(5, 4), cv::Size(16, 3), cv::Size(17, 9), cv::Size(64, 48), cv::Size(123, 77)}) {
        cv::Mat noise(size, CV_8U);
        random.fill(noise, cv::RNG::UNIFORM, 0, 256);
        images.push_back(noise);
        cv::Mat smooth(size, CV_8U);
        random.fill(smooth, cv::RNG::NORMAL, 128, 30);
        images.push_back(smooth);
    }
    for (const cv::Mat& image : images) {
        cv::Mat blurred, dx, dy;
        cv::GaussianBlur(image, blurred, cv::Size(3, 3), 0);
        cv::Sobel(blurred, dx, CV_16S, 1, 0);
        cv::Sobel(blurred, dy, CV_16S, 0, 1);
        const auto edges = findGradientEdges(image, {8, 24}, {20, 50});
        EXPECT_EQ(cv::norm(edges.dx, dx, cv::NORM_INF), 0) << image.size();
        EXPECT_EQ(cv::norm(edges.dy, dy, cv::NORM_INF), 0) << image.size();
    }
}

}  // namespace
