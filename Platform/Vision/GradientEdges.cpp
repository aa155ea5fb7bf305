#include "Platform/Vision/GradientEdges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace platform::vision {

namespace {

// Ridge pixels of the gradient magnitude, with the magnitude class each one reaches: 1 for
// `levels[0]`, 2 for `levels[1]` and so on (0 for pixels that are not on a ridge or are weaker
// than `levels[0]`). The border rows and columns are left at 0.
// Squared gradient magnitude.
cv::Mat squaredMagnitude(const cv::Mat& dx, const cv::Mat& dy) {
    const int w = dx.cols;
    const int h = dx.rows;
    cv::Mat magnitude(h, w, CV_32S);
    for (int y = 0; y < h; ++y) {
        const int16_t* gx = dx.ptr<int16_t>(y);
        const int16_t* gy = dy.ptr<int16_t>(y);
        int32_t* m = magnitude.ptr<int32_t>(y);
        int x = 0;
        for (; x + cv::v_int16x8::nlanes <= w; x += cv::v_int16x8::nlanes) {
            const cv::v_int16x8 a = cv::v_load(gx + x);
            const cv::v_int16x8 b = cv::v_load(gy + x);
            cv::v_int16x8 lo, hi;
            cv::v_zip(a, b, lo, hi);
            // Interleaved (gx, gy) pairs: a dot product per pair gives gx^2 + gy^2.
            cv::v_store(m + x, cv::v_dotprod(lo, lo));
            cv::v_store(m + x + 4, cv::v_dotprod(hi, hi));
        }
        for (; x < w; ++x) {
            m[x] = gx[x] * gx[x] + gy[x] * gy[x];
        }
    }
    return magnitude;
}

cv::Mat thinnedLevels(const cv::Mat& dx, const cv::Mat& dy, const cv::Mat& magnitude,
                      const std::array<int, 4>& levels) {
    const int w = dx.cols;
    const int h = dx.rows;
    std::array<int32_t, 4> squared{};
    for (size_t i = 0; i < 4; ++i) {
        squared[i] = levels[i] * levels[i];
    }
    cv::Mat out = cv::Mat::zeros(h, w, CV_8U);
    // tan(22.5 degrees) and tan(67.5 degrees) in 15-bit fixed point.
    constexpr int32_t kTan22 = 13573;
    constexpr int32_t kTan67 = 79109;
    // Offsets (in magnitude elements) of the two neighbours across the edge, for a gradient
    // that points along x, along y, along the anti-diagonal and along the diagonal.
    const ptrdiff_t stride = static_cast<ptrdiff_t>(magnitude.step1());
    const std::array<ptrdiff_t, 4> before{-1, -stride, -stride + 1, -stride - 1};
    const std::array<ptrdiff_t, 4> after{1, stride, stride - 1, stride + 1};
    for (int y = 1; y < h - 1; ++y) {
        const int16_t* gx = dx.ptr<int16_t>(y);
        const int16_t* gy = dy.ptr<int16_t>(y);
        const int32_t* row = magnitude.ptr<int32_t>(y);
        uint8_t* o = out.ptr<uint8_t>(y);
        for (int x = 1; x < w - 1; ++x) {
            const int32_t m = row[x];
            if (m < squared[0]) {
                continue;
            }
            const int32_t ax = std::abs(gx[x]);
            const int32_t ay = std::abs(gy[x]);
            const int32_t scaled = ay << 15;
            const int diagonal = ((gx[x] ^ gy[x]) < 0) ? 2 : 3;
            const int direction = scaled < ax * kTan22 ? 0 : (scaled > ax * kTan67 ? 1 : diagonal);
            const bool ridge = (m > row[x + before[static_cast<size_t>(direction)]]) &
                               (m >= row[x + after[static_cast<size_t>(direction)]]);
            o[x] = static_cast<uint8_t>(
                ridge * (1 + (m >= squared[1]) + (m >= squared[2]) + (m >= squared[3])));
        }
    }
    return out;
}

// Edges that start on ridge pixels of at least class `seed` and continue through 8-connected
// ridge pixels of at least class `grow`. The border of `levels` must be 0 (thinnedLevels leaves
// it so), which keeps every neighbour looked at inside the image.
cv::Mat trace(const cv::Mat& levels, uint8_t grow, uint8_t seed) {
    CV_Assert(levels.isContinuous());
    const int w = levels.cols;
    const size_t total = levels.total();
    cv::Mat edges = cv::Mat::zeros(levels.size(), CV_8U);
    const uint8_t* l = levels.data;
    uint8_t* e = edges.data;
    const std::array<ptrdiff_t, 8> neighbours{-w - 1, -w, -w + 1, -1, 1, w - 1, w, w + 1};
    std::vector<ptrdiff_t> stack;
    for (size_t i = 0; i < total; ++i) {
        if (l[i] < seed || e[i]) {
            continue;
        }
        e[i] = 255;
        stack.push_back(static_cast<ptrdiff_t>(i));
        while (!stack.empty()) {
            const ptrdiff_t p = stack.back();
            stack.pop_back();
            for (const ptrdiff_t offset : neighbours) {
                const ptrdiff_t n = p + offset;
                if (l[n] >= grow && !e[n]) {
                    e[n] = 255;
                    stack.push_back(n);
                }
            }
        }
    }
    return edges;
}

}  // namespace

GradientEdges findGradientEdges(const cv::Mat& channel, EdgeThresholds faint, EdgeThresholds strong,
                                bool wantFaint) {
    GradientEdges result;
    cv::Mat blurred;
    cv::GaussianBlur(channel, blurred, cv::Size(3, 3), 0);
    cv::Sobel(blurred, result.dx, CV_16S, 1, 0);
    cv::Sobel(blurred, result.dy, CV_16S, 0, 1);
    const cv::Mat magnitude = squaredMagnitude(result.dx, result.dy);
    // Four magnitude classes, in increasing order, cover both threshold pairs.
    std::array<int, 4> levels{faint.low, faint.high, strong.low, strong.high};
    if (!wantFaint) {
        levels = {strong.low, strong.low, strong.low, strong.high};
    }
    std::array<int, 4> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const cv::Mat thinned = thinnedLevels(result.dx, result.dy, magnitude, sorted);
    // A pixel reaches `threshold` when its class is at least the number of levels up to it.
    auto classOf = [&](int threshold) {
        return static_cast<uint8_t>(std::upper_bound(sorted.begin(), sorted.end(), threshold) -
                                    sorted.begin());
    };
    result.strong = trace(thinned, classOf(strong.low), classOf(strong.high));
    if (wantFaint) {
        result.faint = trace(thinned, classOf(faint.low), classOf(faint.high));
    }
    return result;
}

}  // namespace platform::vision
