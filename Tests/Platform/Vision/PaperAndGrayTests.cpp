#include <gtest/gtest.h>

#include <array>
#include <opencv2/imgproc.hpp>

#include "Platform/Vision/PaperAndGray.h"

namespace {

using quorvel::platform::vision::paperAndGray;

TEST(PaperAndGray, MatchOpenCvsChannelsForBothByteOrders) {
    cv::RNG rng(11);
    // Widths with and without a tail shorter than a vector.
    for (const int width : {1, 15, 16, 33, 481}) {
        SCOPED_TRACE(width);
        cv::Mat bgra(7, width, CV_8UC4);
        rng.fill(bgra, cv::RNG::UNIFORM, 0, 256);
        std::array<cv::Mat, 4> planes;
        cv::split(bgra, planes.data());
        cv::Mat paper, gray;
        cv::min(planes[0], planes[1], paper);
        cv::min(paper, planes[2], paper);
        cv::cvtColor(bgra, gray, cv::COLOR_BGRA2GRAY);

        cv::Mat argb(bgra.size(), CV_8UC4);
        const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
        cv::mixChannels(&bgra, 1, &argb, 1, fromTo, 4);
        for (const bool isArgb : {false, true}) {
            cv::Mat ownPaper, ownGray;
            paperAndGray(isArgb ? argb : bgra, isArgb, ownPaper, ownGray);
            EXPECT_EQ(cv::countNonZero(ownPaper != paper), 0) << "argb " << isArgb;
            EXPECT_EQ(cv::countNonZero(ownGray != gray), 0) << "argb " << isArgb;
        }
    }
}

}  // namespace
