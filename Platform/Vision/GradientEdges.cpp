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

// The channel smoothed with a 3x3 Gaussian and its 3x3 Sobel derivatives, as cv::GaussianBlur
// (sigma 0) and cv::Sobel (CV_16S) give them, both mirroring the image at its border without
// repeating the edge pixel (BORDER_REFLECT_101), but from two passes of separable integer sums
// instead of three filter calls. The blur is exact in integers: with the weights 1 2 1 down and
// across summing to S (at most 16 * 255), the smoothed value is S / 16 rounded half up,
// (S + 8) >> 4. OpenCV's blur of a view into a larger image reads the pixels around the view
// instead of mirroring; views, and images narrower than 16 or lower than 3 pixels, go through
// OpenCV.
void smoothedGradients(const cv::Mat& channel, cv::Mat& dx, cv::Mat& dy) {
    const int w = channel.cols;
    const int h = channel.rows;
    if (w < 16 || h < 3 || channel.isSubmatrix()) {
        cv::Mat blurred;
        cv::GaussianBlur(channel, blurred, cv::Size(3, 3), 0);
        cv::Sobel(blurred, dx, CV_16S, 1, 0);
        cv::Sobel(blurred, dy, CV_16S, 0, 1);
        return;
    }
    CV_Assert(channel.type() == CV_8UC1);
    auto mirrored = [h](int y) { return y < 0 ? -y : (y >= h ? 2 * h - 2 - y : y); };
    constexpr int kLanes = cv::v_uint16x8::nlanes;
    // One row of vertical sums with a mirrored column on either side: sums[1 + x] for x.
    std::vector<uint16_t> sums(static_cast<size_t>(w) + 2);
    std::vector<int16_t> across(static_cast<size_t>(w) + 2);
    std::vector<int16_t> down(static_cast<size_t>(w) + 2);
    auto mirrorColumns = [w](auto* row) {
        row[0] = row[2];
        row[w + 1] = row[w - 1];
    };
    cv::Mat blurred(h, w, CV_8U);
    const cv::v_uint16x8 half = cv::v_setall_u16(8);
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = channel.ptr<uint8_t>(mirrored(y - 1));
        const uint8_t* b = channel.ptr<uint8_t>(y);
        const uint8_t* c = channel.ptr<uint8_t>(mirrored(y + 1));
        uint16_t* v = sums.data() + 1;
        int x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            const cv::v_uint16x8 middle = cv::v_load_expand(b + x);
            cv::v_store(v + x,
                        cv::v_load_expand(a + x) + middle + middle + cv::v_load_expand(c + x));
        }
        for (; x < w; ++x) {
            v[x] = static_cast<uint16_t>(a[x] + 2 * b[x] + c[x]);
        }
        mirrorColumns(sums.data());
        uint8_t* out = blurred.ptr<uint8_t>(y);
        x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            const cv::v_uint16x8 middle = cv::v_load(v + x);
            const cv::v_uint16x8 s =
                cv::v_load(v + x - 1) + middle + middle + cv::v_load(v + x + 1);
            cv::v_pack_store(out + x, (s + half) >> 4);
        }
        for (; x < w; ++x) {
            out[x] = static_cast<uint8_t>((v[x - 1] + 2 * v[x] + v[x + 1] + 8) >> 4);
        }
    }
    dx.create(h, w, CV_16S);
    dy.create(h, w, CV_16S);
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = blurred.ptr<uint8_t>(mirrored(y - 1));
        const uint8_t* b = blurred.ptr<uint8_t>(y);
        const uint8_t* c = blurred.ptr<uint8_t>(mirrored(y + 1));
        // Smoothed down the column for the x derivative, differenced down it for the y one.
        int16_t* s = across.data() + 1;
        int16_t* d = down.data() + 1;
        int x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            const cv::v_int16x8 top = cv::v_reinterpret_as_s16(cv::v_load_expand(a + x));
            const cv::v_int16x8 middle = cv::v_reinterpret_as_s16(cv::v_load_expand(b + x));
            const cv::v_int16x8 bottom = cv::v_reinterpret_as_s16(cv::v_load_expand(c + x));
            cv::v_store(s + x, top + middle + middle + bottom);
            cv::v_store(d + x, bottom - top);
        }
        for (; x < w; ++x) {
            s[x] = static_cast<int16_t>(a[x] + 2 * b[x] + c[x]);
            d[x] = static_cast<int16_t>(c[x] - a[x]);
        }
        mirrorColumns(across.data());
        mirrorColumns(down.data());
        int16_t* gx = dx.ptr<int16_t>(y);
        int16_t* gy = dy.ptr<int16_t>(y);
        x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            cv::v_store(gx + x, cv::v_load(s + x + 1) - cv::v_load(s + x - 1));
            const cv::v_int16x8 middle = cv::v_load(d + x);
            cv::v_store(gy + x, cv::v_load(d + x - 1) + middle + middle + cv::v_load(d + x + 1));
        }
        for (; x < w; ++x) {
            gx[x] = static_cast<int16_t>(s[x + 1] - s[x - 1]);
            gy[x] = static_cast<int16_t>(d[x - 1] + 2 * d[x] + d[x + 1]);
        }
    }
}

// Squared gradient magnitude of one row.
void squaredMagnitudeRow(const int16_t* gx, const int16_t* gy, int32_t* m, int w) {
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

// Ridge pixels of the gradient magnitude, with the magnitude class each one reaches: 1 for
// `levels[0]`, 2 for `levels[1]` and so on (0 for pixels that are not on a ridge or are weaker
// than `levels[0]`). The border rows and columns are left at 0. The squared magnitude is kept
// for three rows only, the ones the ridge test of a row looks at.
cv::Mat thinnedLevels(const cv::Mat& dx, const cv::Mat& dy, const std::array<int, 4>& levels) {
    const int w = dx.cols;
    const int h = dx.rows;
    std::array<int32_t, 4> squared{};
    for (size_t i = 0; i < 4; ++i) {
        squared[i] = levels[i] * levels[i];
    }
    cv::Mat out = cv::Mat::zeros(h, w, CV_8U);
    if (h < 3 || w < 3) {
        return out;
    }
    // Rows y - 1, y and y + 1 of the squared magnitude, row r in slot r mod 3.
    std::vector<int32_t> window(3 * static_cast<size_t>(w));
    auto magnitudeRow = [&](int y) { return window.data() + static_cast<ptrdiff_t>(y % 3) * w; };
    for (int y = 0; y < 2; ++y) {
        squaredMagnitudeRow(dx.ptr<int16_t>(y), dy.ptr<int16_t>(y), magnitudeRow(y), w);
    }
    // tan(22.5 degrees) and tan(67.5 degrees) in 15-bit fixed point.
    constexpr int32_t kTan22 = 13573;
    constexpr int32_t kTan67 = 79109;
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
    constexpr int kLanes = cv::v_int16x8::nlanes;
    constexpr int kHalf = kLanes / 2;
    for (int y = 1; y < h - 1; ++y) {
        squaredMagnitudeRow(dx.ptr<int16_t>(y + 1), dy.ptr<int16_t>(y + 1), magnitudeRow(y + 1), w);
        const int16_t* gx = dx.ptr<int16_t>(y);
        const int16_t* gy = dy.ptr<int16_t>(y);
        const int32_t* up = magnitudeRow(y - 1);
        const int32_t* row = magnitudeRow(y);
        const int32_t* down = magnitudeRow(y + 1);
        uint8_t* o = out.ptr<uint8_t>(y);
        int x = 1;
        for (; x + kLanes <= w - 1; x += kLanes) {
            const cv::v_int32x4 m0 = cv::v_load(row + x);
            const cv::v_int32x4 m1 = cv::v_load(row + x + kHalf);
            const cv::v_int32x4 strong0 = m0 >= vSquared[0];
            const cv::v_int32x4 strong1 = m1 >= vSquared[0];
            // Flat stretches (the output is already zero there) are passed over.
            if (!cv::v_check_any(strong0 | strong1)) {
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
            // The ridge test across each of the four directions, as 16-bit masks; the
            // gradient's direction then picks one. Comparison masks are -1 where true.
            auto peak = [&](const int32_t* before, const int32_t* after) {
                return cv::v_pack(
                    (m0 > cv::v_load(before)) & (m0 >= cv::v_load(after)),
                    (m1 > cv::v_load(before + kHalf)) & (m1 >= cv::v_load(after + kHalf)));
            };
            const cv::v_int16x8 peakX = peak(row + x - 1, row + x + 1);
            const cv::v_int16x8 peakY = peak(up + x, down + x);
            const cv::v_int16x8 peakAnti = peak(up + x + 1, down + x - 1);
            const cv::v_int16x8 peakDiagonal = peak(up + x - 1, down + x + 1);
            const cv::v_int16x8 ridge = cv::v_select(
                alongX, peakX,
                cv::v_select(alongY, peakY, cv::v_select(anti, peakAnti, peakDiagonal)));
            const cv::v_int32x4 level0 =
                (vOne - (m0 >= vSquared[1]) - (m0 >= vSquared[2]) - (m0 >= vSquared[3])) & strong0;
            const cv::v_int32x4 level1 =
                (vOne - (m1 >= vSquared[1]) - (m1 >= vSquared[2]) - (m1 >= vSquared[3])) & strong1;
            cv::v_pack_u_store(o + x, cv::v_pack(level0, level1) & ridge);
        }
        for (; x < w - 1; ++x) {
            const int32_t m = row[x];
            if (m < squared[0]) {
                continue;
            }
            const int32_t ax = std::abs(gx[x]);
            const int32_t ay = std::abs(gy[x]);
            const int32_t scaled = ay << 15;
            int32_t before = 0;
            int32_t after = 0;
            if (scaled < ax * kTan22) {
                before = row[x - 1];
                after = row[x + 1];
            } else if (scaled > ax * kTan67) {
                before = up[x];
                after = down[x];
            } else if ((gx[x] ^ gy[x]) < 0) {
                before = up[x + 1];
                after = down[x - 1];
            } else {
                before = up[x - 1];
                after = down[x + 1];
            }
            const bool ridge = (m > before) & (m >= after);
            o[x] = static_cast<uint8_t>(
                ridge * (1 + (m >= squared[1]) + (m >= squared[2]) + (m >= squared[3])));
        }
    }
    return out;
}

// Edges that start on ridge pixels of at least class `seed` and continue through 8-connected
// ridge pixels of at least class `grow` (both at least 1), written as 255 into `edges`, which
// must be zero. The search works in `levels` itself: every pixel taken gets its top bit set,
// which makes it negative as a signed byte, so that one test per neighbour tells whether it
// continues the edge. The border of `levels` must be 0 (thinnedLevels leaves it so), which keeps
// every neighbour looked at inside the image. `stack` holds one entry per pixel.
void trace(cv::Mat& levels, uint8_t grow, uint8_t seed, cv::Mat& edges, int32_t* stack) {
    CV_Assert(levels.isContinuous() && edges.isContinuous() && grow >= 1 && seed >= 1);
    const ptrdiff_t w = levels.cols;
    const size_t total = levels.total();
    auto* l = reinterpret_cast<int8_t*>(levels.data);
    uint8_t* e = edges.data;
    const auto continues = static_cast<int8_t>(grow);
    size_t depth = 0;
    auto take = [&](ptrdiff_t n) __attribute__((always_inline)) {
        l[n] = static_cast<int8_t>(l[n] | 0x80);
        e[n] = 255;
        stack[depth++] = static_cast<int32_t>(n);
    };
    // Whole blocks without a seed are passed over at once.
    constexpr size_t kBlock = cv::v_int8x16::nlanes;
    const cv::v_int8x16 belowSeed = cv::v_setall_s8(static_cast<int8_t>(seed - 1));
    for (size_t block = 0; block < total; block += kBlock) {
        const size_t blockEnd = std::min(total, block + kBlock);
        if (blockEnd == block + kBlock && !cv::v_check_any(cv::v_load(l + block) > belowSeed)) {
            continue;
        }
        for (size_t i = block; i < blockEnd; ++i) {
            if (l[i] < static_cast<int8_t>(seed)) {
                continue;
            }
            take(static_cast<ptrdiff_t>(i));
            while (depth > 0) {
                const ptrdiff_t p = stack[--depth];
                const int8_t* above = l + p - w;
                const int8_t* here = l + p;
                const int8_t* below = l + p + w;
                if (above[-1] >= continues) take(p - w - 1);
                if (above[0] >= continues) take(p - w);
                if (above[1] >= continues) take(p - w + 1);
                if (here[-1] >= continues) take(p - 1);
                if (here[1] >= continues) take(p + 1);
                if (below[-1] >= continues) take(p + w - 1);
                if (below[0] >= continues) take(p + w);
                if (below[1] >= continues) take(p + w + 1);
            }
        }
    }
}

// Clears the marks that trace sets, leaving the classes as they were.
void clearTaken(cv::Mat& levels) {
    uint8_t* l = levels.data;
    const size_t total = levels.total();
    const cv::v_uint8x16 classBits = cv::v_setall_u8(0x7f);
    size_t i = 0;
    for (; i + cv::v_uint8x16::nlanes <= total; i += cv::v_uint8x16::nlanes) {
        cv::v_store(l + i, cv::v_load(l + i) & classBits);
    }
    for (; i < total; ++i) {
        l[i] &= 0x7f;
    }
}

}  // namespace

GradientEdges findGradientEdges(const cv::Mat& channel, EdgeThresholds faint, EdgeThresholds strong,
                                bool wantFaint) {
    GradientEdges result;
    smoothedGradients(channel, result.dx, result.dy);
    // Four magnitude classes, in increasing order, cover both threshold pairs.
    std::array<int, 4> levels{faint.low, faint.high, strong.low, strong.high};
    if (!wantFaint) {
        levels = {strong.low, strong.low, strong.low, strong.high};
    }
    std::array<int, 4> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    cv::Mat thinned = thinnedLevels(result.dx, result.dy, sorted);
    CV_Assert(thinned.total() <= static_cast<size_t>(INT32_MAX));
    // A pixel reaches `threshold` when its class is at least the number of levels up to it.
    auto classOf = [&](int threshold) {
        return static_cast<uint8_t>(std::upper_bound(sorted.begin(), sorted.end(), threshold) -
                                    sorted.begin());
    };
    // Both tracings share one stack: each pushes every pixel at most once. Its slots are written
    // before they are read.
    const std::unique_ptr<int32_t[]> stack(new int32_t[thinned.total()]);
    result.strong = cv::Mat::zeros(thinned.size(), CV_8U);
    trace(thinned, classOf(strong.low), classOf(strong.high), result.strong, stack.get());
    if (wantFaint) {
        clearTaken(thinned);
        result.faint = cv::Mat::zeros(thinned.size(), CV_8U);
        trace(thinned, classOf(faint.low), classOf(faint.high), result.faint, stack.get());
    }
    return result;
}

GradientEdges findFaintEdges(const cv::Mat& channel, EdgeThresholds faint) {
    // Traced alone, a threshold pair gives the same edges whichever field it is traced into.
    GradientEdges result = findGradientEdges(channel, faint, faint, false);
    result.faint = result.strong;
    result.strong = cv::Mat();
    return result;
}

}  // namespace quorvel::platform::vision
