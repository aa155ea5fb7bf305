#pragma once

#include <opencv2/core.hpp>

namespace quorvel::platform::vision {

/// Thin edges of one 8-bit channel at two sensitivities, from a single gradient pass.
struct GradientEdges {
    cv::Mat dx;      ///< CV_16S horizontal 3x3 Sobel derivative of the smoothed channel
    cv::Mat dy;      ///< CV_16S vertical derivative
    cv::Mat faint;   ///< CV_8U, 255 on edges traced with the faint thresholds, else 0
    cv::Mat strong;  ///< CV_8U, 255 on edges traced with the strong thresholds, else 0
};

/// Hysteresis thresholds on the gradient magnitude (Sobel scale): edges start at pixels at or
/// above `high` and continue through neighbours at or above `low`.
struct EdgeThresholds {
    int low = 20;
    int high = 50;
};

/// Smooths `channel` (CV_8UC1) with a 3x3 Gaussian, takes Sobel derivatives, thins the gradient
/// magnitude to its ridges across the edge direction and traces edges with both threshold pairs.
/// This is Canny's method with the costly part, thinning, shared by the two sensitivities.
/// `faint` is left empty when `wantFaint` is false.
GradientEdges findGradientEdges(const cv::Mat& channel, EdgeThresholds faint, EdgeThresholds strong,
                                bool wantFaint = true);

/// The same with the faint thresholds only: `strong` is left empty.
GradientEdges findFaintEdges(const cv::Mat& channel, EdgeThresholds faint);

}  // namespace quorvel::platform::vision
