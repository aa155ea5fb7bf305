#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>

#include "Platform/Vision/EdgeEvidence.h"

namespace {

using quorvel::platform::vision::EdgeEvidence;
using quorvel::platform::vision::EdgeSearch;

// Bilinear interpolation of the smallest channel, clamped to the outermost pixels.
double referenceBrightness(const cv::Mat& image, double x, double y) {
    auto at = [&](int px, int py) {
        const cv::Vec4b v = image.at<cv::Vec4b>(py, px);
        return static_cast<double>(std::min({v[0], v[1], v[2]}));
    };
    x = std::clamp(x, 0.0, image.cols - 1.0);
    y = std::clamp(y, 0.0, image.rows - 1.0);
    const int x0 = std::min(static_cast<int>(x), image.cols - 1);
    const int y0 = std::min(static_cast<int>(y), image.rows - 1);
    const int x1 = std::min(x0 + 1, image.cols - 1);
    const int y1 = std::min(y0 + 1, image.rows - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
    const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
    return top * (1 - fy) + bottom * fy;
}

TEST(EdgeEvidence, BrightnessIsTheBilinearSmallestChannelEverywhereInsideTheImage) {
    cv::Mat image(13, 17, CV_8UC4);
    cv::RNG rng(3);
    rng.fill(image, cv::RNG::UNIFORM, 0, 256);
    const EdgeEvidence evidence(image);
    for (int i = 0; i < 2000; ++i) {
        const double x = rng.uniform(-0.5, image.cols - 0.5);
        const double y = rng.uniform(-0.5, image.rows - 0.5);
        ASSERT_NEAR(evidence.brightness(x, y), referenceBrightness(image, x, y), 1e-9)
            << x << ", " << y;
    }
    EXPECT_EQ(evidence.brightness(-0.6, 3), -1);
    EXPECT_EQ(evidence.brightness(3, image.rows - 0.4), -1);
}

TEST(EdgeEvidence, EdgePointsNearTheBorderMatchThoseInTheMiddle) {
    // A vertical step from dark (left) to bright (right) at x = 9.5, reaching the top and bottom
    // rows; the profile on the bottom row needs clamping, the others do not.
    cv::Mat image(40, 20, CV_8UC1, cv::Scalar(40));
    image.colRange(10, 20).setTo(200);
    const EdgeEvidence evidence(image);
    EdgeSearch search;
    search.radius = 4;
    search.spacing = 1;
    search.maximumProfiles = 64;
    search.margin = 0;
    search.averaging = 0;
    // Side from top to bottom at x = 8; outward points left, the bright inside is to the right.
    const auto points = evidence.findEdgePoints({8, 0}, {8, 39}, {-1, 0}, 1, search);
    ASSERT_EQ(points.size(), 40u);
    for (const auto& p : points) {
        EXPECT_NEAR(p.position.x, 9.5, 0.05) << p.position.y;
    }
}

}  // namespace
