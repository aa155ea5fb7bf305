#include <gtest/gtest.h>

#include <array>
#include <opencv2/imgproc.hpp>

#include "Platform/Vision/PaperAndGray.h"

namespace {

using quorvel::platform::vision::chromaOf;
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

TEST(PaperAndGray, ColourfulnessIsTheSpreadOfTheColourBytesWhateverTheirOrder) {
    cv::RNG rng(12);
    // Wide enough for whole vectors and a tail.
    cv::Mat bgr(5, 37, CV_8UC3);
    rng.fill(bgr, cv::RNG::UNIFORM, 0, 256);
    std::array<cv::Mat, 3> planes;
    cv::split(bgr, planes.data());
    cv::Mat high, low;
    cv::max(cv::max(planes[0], planes[1]), planes[2], high);
    cv::min(cv::min(planes[0], planes[1]), planes[2], low);
    const cv::Mat expected = high - low;

    cv::Mat bgra, argb(bgr.size(), CV_8UC4);
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
    cv::mixChannels(&bgra, 1, &argb, 1, fromTo, 4);
    // The alpha byte, wherever it sits, is not a colour.
    cv::insertChannel(cv::Mat(argb.size(), CV_8UC1, cv::Scalar(0)), argb, 0);
    cv::insertChannel(cv::Mat(bgra.size(), CV_8UC1, cv::Scalar(255)), bgra, 3);
    EXPECT_EQ(cv::countNonZero(chromaOf(bgr, false) != expected), 0);
    EXPECT_EQ(cv::countNonZero(chromaOf(bgra, false) != expected), 0);
    EXPECT_EQ(cv::countNonZero(chromaOf(argb, true) != expected), 0);
}

}  // namespace
