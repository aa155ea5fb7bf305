#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "Platform/Imaging/AreaShrink.h"

namespace quorvel::platform {
namespace {

TEST(AreaShrink, GivesOpenCvsAreaResizeByteForByte) {
    cv::RNG rng(4);
    int compared = 0;
    for (int trial = 0; trial < 120; ++trial) {
        const cv::Size from(2 + rng.uniform(0, 300), 2 + rng.uniform(0, 200));
        const cv::Size to(1 + rng.uniform(0, from.width - 1), 1 + rng.uniform(0, from.height - 1));
        cv::Mat source(from, CV_8UC4);
        rng.fill(source, cv::RNG::UNIFORM, 0, 256);
        cv::Mat own(to, CV_8UC4, cv::Scalar::all(7));
        if (!shrinkByArea(source, own)) {
            continue;  // both ratios whole numbers
        }
        ++compared;
        cv::Mat expected;
        cv::resize(source, expected, to, 0, 0, cv::INTER_AREA);
        ASSERT_EQ(cv::countNonZero(own.reshape(1) != expected.reshape(1)), 0)
            << from << " to " << to;
    }
    EXPECT_GT(compared, 100);
}

TEST(AreaShrink, AShrunkPageMatchesOpenCvToo) {
    // The size of a straightened page going into the blur test.
    cv::Mat source(2811, 1577, CV_8UC4);
    cv::randu(source, cv::Scalar::all(0), cv::Scalar::all(256));
    const cv::Size to(800, 1426);
    cv::Mat own(to, CV_8UC4);
    ASSERT_TRUE(shrinkByArea(source, own));
    cv::Mat expected;
    cv::resize(source, expected, to, 0, 0, cv::INTER_AREA);
    EXPECT_EQ(cv::countNonZero(own.reshape(1) != expected.reshape(1)), 0);
}

TEST(AreaShrink, LeavesWholeRatiosGrowthAndOtherTypesToOpenCv) {
    cv::Mat source(40, 60, CV_8UC4, cv::Scalar::all(9));
    cv::Mat half(20, 30, CV_8UC4);
    EXPECT_FALSE(shrinkByArea(source, half));
    cv::Mat larger(50, 70, CV_8UC4);
    EXPECT_FALSE(shrinkByArea(source, larger));
    cv::Mat same(40, 60, CV_8UC4);
    EXPECT_FALSE(shrinkByArea(source, same));
    cv::Mat threeChannels(40, 60, CV_8UC3);
    cv::Mat smaller(25, 33, CV_8UC3);
    EXPECT_FALSE(shrinkByArea(threeChannels, smaller));
}

}  // namespace
}  // namespace quorvel::platform
