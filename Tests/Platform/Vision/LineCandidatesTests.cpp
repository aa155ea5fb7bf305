#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "Platform/Vision/LineCandidates.h"

namespace {

using quorvel::platform::vision::lineCandidates;
using quorvel::platform::vision::LineQuadLimits;
using quorvel::platform::vision::Quad;

// The outline of a bright rectangle from (left, top) to the image's last column and row, drawn as
// one-pixel edges, with the gradients of the rectangle itself.
struct Outline {
    cv::Mat edges, dx, dy;
};

Outline outlineToTheCorner(cv::Size size, int left, int top) {
    // The rectangle is drawn in a larger image whose dark margin beyond the last column and row
    // gives those sides their gradients too.
    cv::Mat image(size + cv::Size(4, 4), CV_8U, cv::Scalar(40));
    image(cv::Rect(left, top, size.width - left, size.height - top)).setTo(220);
    cv::Mat dx, dy;
    cv::Sobel(image, dx, CV_16S, 1, 0);
    cv::Sobel(image, dy, CV_16S, 0, 1);
    Outline outline;
    outline.dx = dx(cv::Rect(cv::Point(0, 0), size)).clone();
    outline.dy = dy(cv::Rect(cv::Point(0, 0), size)).clone();
    outline.edges = cv::Mat::zeros(size, CV_8U);
    cv::rectangle(outline.edges, cv::Point(left, top), cv::Point(size.width - 1, size.height - 1),
                  255);
    return outline;
}

bool hasCorner(const Quad& quad, cv::Point2d expected) {
    for (const cv::Point2d& corner : quad) {
        if (std::hypot(corner.x - expected.x, corner.y - expected.y) < 1.0) {
            return true;
        }
    }
    return false;
}

void expectOutline(const std::vector<Quad>& quads, cv::Size size, int left, int top) {
    ASSERT_FALSE(quads.empty());
    const Quad& best = quads.front();
    EXPECT_TRUE(hasCorner(best, {double(left), double(top)}));
    EXPECT_TRUE(hasCorner(best, {size.width - 1.0, double(top)}));
    EXPECT_TRUE(hasCorner(best, {size.width - 1.0, size.height - 1.0}));
    EXPECT_TRUE(hasCorner(best, {double(left), size.height - 1.0}));
}

TEST(LineCandidates, FindAnOutlineWhoseSidesRunAlongTheLastColumnAndRow) {
    const cv::Size size(160, 120);
    const Outline outline = outlineToTheCorner(size, 30, 20);
    expectOutline(lineCandidates(outline.edges, outline.dx, outline.dy, LineQuadLimits{}), size, 30,
                  20);
}

TEST(LineCandidates, FindAnOutlineInAnImageOnlyAFewDozenPixelsWide) {
    const cv::Size size(40, 90);
    const Outline outline = outlineToTheCorner(size, 8, 12);
    expectOutline(lineCandidates(outline.edges, outline.dx, outline.dy, LineQuadLimits{}), size, 8,
                  12);
}

TEST(LineCandidates, FindNothingWithoutEdges) {
    const cv::Mat none = cv::Mat::zeros(50, 70, CV_8U);
    const cv::Mat flat = cv::Mat::zeros(50, 70, CV_16S);
    EXPECT_TRUE(lineCandidates(none, flat, flat, LineQuadLimits{}).empty());
}

// A receipt standing upright, 60 x 240 pixels, with its corners.
const Quad kReceipt{cv::Point2d(200, 40), cv::Point2d(260, 40), cv::Point2d(260, 280),
                    cv::Point2d(200, 280)};

// The gradients of a bright receipt with three dark print bars across its middle, and an edge map
// in which its sides, the bars and its top end are whole while its foot shows only in short pieces,
// as a receipt's foot on a pale counter does.
struct ReceiptEdges {
    cv::Mat edges, dx, dy;
};

ReceiptEdges receiptWithFaintEnds() {
    cv::Mat image(320, 480, CV_8U, cv::Scalar(90));
    cv::rectangle(image, cv::Rect(200, 40, 61, 241), cv::Scalar(220), cv::FILLED);
    ReceiptEdges result;
    result.edges = cv::Mat::zeros(image.size(), CV_8U);
    const cv::Scalar on(255);
    cv::line(result.edges, cv::Point(200, 40), cv::Point(200, 280), on);
    cv::line(result.edges, cv::Point(260, 40), cv::Point(260, 280), on);
    cv::line(result.edges, cv::Point(200, 40), cv::Point(260, 40), on);
    for (const int y : {150, 158, 166}) {
        cv::rectangle(image, cv::Rect(206, y, 49, 4), cv::Scalar(40), cv::FILLED);
        cv::line(result.edges, cv::Point(206, y), cv::Point(254, y), on);
        cv::line(result.edges, cv::Point(206, y + 3), cv::Point(254, y + 3), on);
    }
    // A third of the foot, in three pieces.
    for (const int x : {204, 226, 248}) {
        cv::line(result.edges, cv::Point(x, 280), cv::Point(x + 7, 280), on);
    }
    // Long level stripes of the surface beside it outnumber and outweigh the receipt's own short
    // lines across.
    for (int y = 10; y < 310; y += 7) {
        cv::rectangle(image, cv::Rect(10, y, 150, 3), cv::Scalar(160), cv::FILLED);
        cv::line(result.edges, cv::Point(10, y), cv::Point(159, y), on);
    }
    cv::Mat blurred;
    cv::GaussianBlur(image, blurred, cv::Size(3, 3), 0);
    cv::Sobel(blurred, result.dx, CV_16S, 1, 0);
    cv::Sobel(blurred, result.dy, CV_16S, 0, 1);
    return result;
}

double worstCornerDistance(const Quad& found, const Quad& truth) {
    double worst = 0;
    for (const cv::Point2d& corner : truth) {
        double nearest = 1e9;
        for (const cv::Point2d& p : found) {
            nearest = std::min(nearest, cv::norm(p - corner));
        }
        worst = std::max(worst, nearest);
    }
    return worst;
}

TEST(LineCandidates, ClosesAPairOfSidesWithAnEndFainterThanThePrintBetweenThem) {
    const ReceiptEdges receipt = receiptWithFaintEnds();
    LineQuadLimits limits;
    limits.minimumExtent = 30;
    limits.angleTolerance = 40;
    const auto quads = lineCandidates(receipt.edges, receipt.dx, receipt.dy, limits);
    ASSERT_FALSE(quads.empty());
    double best = 1e9;
    for (const Quad& quad : quads) {
        best = std::min(best, worstCornerDistance(quad, kReceipt));
    }
    EXPECT_LT(best, 2.0) << "the receipt's own outline is not among " << quads.size();
}

}  // namespace
