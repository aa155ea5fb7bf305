#pragma once

#include <opencv2/core.hpp>

namespace quorvel::platform::vision {

/// The two channels the outline search works on, from a CV_8UC4 image whose bytes are B, G, R, A
/// (`argb` false) or A, R, G, B (`argb` true): "paper brightness", the smallest of each pixel's
/// three colour bytes, and luma exactly as cv::cvtColor computes it from B, G, R. Both CV_8UC1,
/// the image's size.
void paperAndGray(const cv::Mat& image, bool argb, cv::Mat& paper, cv::Mat& gray);

/// How coloured each pixel of a CV_8UC3 (B, G, R) or CV_8UC4 image is: the largest of its three
/// colour bytes minus the smallest. CV_8UC1, the image's size.
cv::Mat chromaOf(const cv::Mat& image, bool argb);

}  // namespace quorvel::platform::vision
