#include "Platform/Vision/GradientEdges.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace quorvel::platform::vision {

namespace {

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

// Ridge pixels of the gradient magnitude, with the magnitude class each one reaches: 1 for
// `levels[0]`, 2 for `levels[1]` and so on (0 for pixels that are not on a ridge or are weaker
// than `levels[0]`). The border rows and columns are left at 0.
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
    // Direction tests on eight 16-bit gradients at once. With q = floor(|gx| tan(22.5))
    // (a 16-bit high multiply by tan(22.5) * 2^16), the gradient points along x when
    // |gy| <= q and along y when |gy| - 2 |gx| > q, as |gx| tan(67.5) = 2 |gx| + |gx| tan(22.5).
    // Both match the fixed-point tests of the scalar loop below for every non-zero gradient.
    const cv::v_int16x8 vTan22 = cv::v_setall_s16(static_cast<int16_t>(2 * kTan22));
    const cv::v_int16x8 vZero16 = cv::v_setzero_s16();
    const cv::v_int32x4 vOne = cv::v_setall_s32(1);
    std::array<cv::v_int32x4, 4> vSquared;
    for (size_t i = 0; i < 4; ++i) {
        vSquared[i] = cv::v_setall_s32(squared[i]);
    }
    // Ridge test and class of four pixels, given their direction masks.
    auto classes = [&](const int32_t* row, cv::v_int32x4 alongX, cv::v_int32x4 alongY,
                       cv::v_int32x4 anti) {
        const cv::v_int32x4 m = cv::v_load(row);
        const cv::v_int32x4 beforeDiagonal =
            cv::v_select(anti, cv::v_load(row - stride + 1), cv::v_load(row - stride - 1));
        const cv::v_int32x4 afterDiagonal =
            cv::v_select(anti, cv::v_load(row + stride - 1), cv::v_load(row + stride + 1));
        const cv::v_int32x4 beforeValue =
            cv::v_select(alongX, cv::v_load(row - 1),
                         cv::v_select(alongY, cv::v_load(row - stride), beforeDiagonal));
        const cv::v_int32x4 afterValue =
            cv::v_select(alongX, cv::v_load(row + 1),
                         cv::v_select(alongY, cv::v_load(row + stride), afterDiagonal));
        const cv::v_int32x4 ridge = (m > beforeValue) & (m >= afterValue) & (m >= vSquared[0]);
        // Comparison masks are -1 where true.
        const cv::v_int32x4 level =
            vOne - (m >= vSquared[1]) - (m >= vSquared[2]) - (m >= vSquared[3]);
        return level & ridge;
    };
    constexpr int kLanes = cv::v_int16x8::nlanes;
    for (int y = 1; y < h - 1; ++y) {
        const int16_t* gx = dx.ptr<int16_t>(y);
        const int16_t* gy = dy.ptr<int16_t>(y);
        const int32_t* row = magnitude.ptr<int32_t>(y);
        uint8_t* o = out.ptr<uint8_t>(y);
        int x = 1;
        for (; x + kLanes <= w - 1; x += kLanes) {
            // Flat stretches (the output is already zero there) are passed over.
            if (!cv::v_check_any((cv::v_load(row + x) >= vSquared[0]) |
                                 (cv::v_load(row + x + kLanes / 2) >= vSquared[0]))) {
                continue;
            }
            const cv::v_int16x8 sx = cv::v_load(gx + x);
            const cv::v_int16x8 sy = cv::v_load(gy + x);
            const cv::v_int16x8 ax = cv::v_reinterpret_as_s16(cv::v_abs(sx));
            const cv::v_int16x8 ay = cv::v_reinterpret_as_s16(cv::v_abs(sy));
            const cv::v_int16x8 q = cv::v_mul_hi(ax, vTan22);
            const cv::v_int16x8 alongX = ay <= q;
            const cv::v_int16x8 alongY = (ay - ax - ax) > q;
            const cv::v_int16x8 anti = (sx ^ sy) < vZero16;
            cv::v_int32x4 xLow, xHigh, yLow, yHigh, aLow, aHigh;
            cv::v_expand(alongX, xLow, xHigh);
            cv::v_expand(alongY, yLow, yHigh);
            cv::v_expand(anti, aLow, aHigh);
            const cv::v_int32x4 first = classes(row + x, xLow, yLow, aLow);
            const cv::v_int32x4 second = classes(row + x + kLanes / 2, xHigh, yHigh, aHigh);
            cv::v_pack_u_store(o + x, cv::v_pack(first, second));
        }
        for (; x < w - 1; ++x) {
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
    const ptrdiff_t w = levels.cols;
    const size_t total = levels.total();
    cv::Mat edges = cv::Mat::zeros(levels.size(), CV_8U);
    // A copy of the classes in which every pixel taken is cleared, so that one test per
    // neighbour tells whether it continues the edge.
    std::vector<uint8_t> open(levels.data, levels.data + total);
    uint8_t* l = open.data();
    uint8_t* e = edges.data;
    // Every pixel is pushed at most once, so the stack never outgrows the image; its slots are
    // written before they are read.
    const std::unique_ptr<ptrdiff_t[]> stack(new ptrdiff_t[total]);
    size_t depth = 0;
    auto take = [&](ptrdiff_t n) __attribute__((always_inline)) {
        l[n] = 0;
        e[n] = 255;
        stack[depth++] = n;
    };
    // Whole blocks without a seed are passed over at once.
    constexpr size_t kBlock = cv::v_uint8x16::nlanes;
    const cv::v_uint8x16 belowSeed = cv::v_setall_u8(static_cast<uint8_t>(seed - 1));
    for (size_t block = 0; block < total; block += kBlock) {
        const size_t blockEnd = std::min(total, block + kBlock);
        if (blockEnd == block + kBlock && !cv::v_check_any(cv::v_load(l + block) > belowSeed)) {
            continue;
        }
        for (size_t i = block; i < blockEnd; ++i) {
            if (l[i] < seed) {
                continue;
            }
            take(static_cast<ptrdiff_t>(i));
            while (depth > 0) {
                const ptrdiff_t p = stack[--depth];
                const uint8_t* above = l + p - w;
                const uint8_t* here = l + p;
                const uint8_t* below = l + p + w;
                if (above[-1] >= grow) take(p - w - 1);
                if (above[0] >= grow) take(p - w);
                if (above[1] >= grow) take(p - w + 1);
                if (here[-1] >= grow) take(p - 1);
                if (here[1] >= grow) take(p + 1);
                if (below[-1] >= grow) take(p + w - 1);
                if (below[0] >= grow) take(p + w);
                if (below[1] >= grow) take(p + w + 1);
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

}  // namespace quorvel::platform::vision
