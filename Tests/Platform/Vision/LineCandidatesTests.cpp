#include <gtest/gtest.h>

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

}  // namespace
