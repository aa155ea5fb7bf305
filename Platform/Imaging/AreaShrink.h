#pragma once

#include <opencv2/core.hpp>

namespace quorvel::platform {

// Shrinks a four-channel 8-bit image to out's size (out must already be CV_8UC4 of that size) by
// area averaging, with exactly the arithmetic of OpenCV's INTER_AREA resize for a ratio that is
// not a whole number (the same weights and float sums in the same order, so the same bytes),
// but on the four channels of a pixel at once. False, with `out` left alone, where OpenCV would
// take another path: another pixel type, no reduction in both directions, or whole-number
// ratios on both axes.
bool shrinkByArea(const cv::Mat& source, cv::Mat& out);

}  // namespace quorvel::platform
