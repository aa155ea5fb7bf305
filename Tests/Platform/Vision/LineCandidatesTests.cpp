#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "Platform/Vision/LineCandidates.h"

namespace {

using quorvel::platform::vision::lineCandidates;
using quorvel::platform::vision::LineQuadLimits;
using quorvel::platform::vision::Quad;

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
