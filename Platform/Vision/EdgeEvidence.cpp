#include "Platform/Vision/EdgeEvidence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Platform/Vision/WideVectors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvel::platform::vision {

EdgeEvidence::EdgeEvidence(const cv::Mat& image, int firstColour)
    : image_(image),
      channels_(image.channels()),
      firstColour_(image.channels() == 4 ? firstColour : 0),
      step_(static_cast<ptrdiff_t>(image.step[0])),
      interiorRight_(image.cols - 1),
      interiorBottom_(image.rows - 1),
      // Rounding may carry a point that lies just inside onto the last row or column; runs hold
      // it back so that its right and lower neighbours stay inside the image.
      runRight_(std::nextafter(static_cast<float>(image.cols - 1), 0.0f)),
      runBottom_(std::nextafter(static_cast<float>(image.rows - 1), 0.0f)),
      wideGather_(hasWideVectors() &&
                  (image.channels() == 4 || (image.channels() == 1 && image.cols >= 4)) &&
                  static_cast<double>(image.rows) * static_cast<double>(image.step[0]) <
                      static_cast<double>(INT32_MAX) - 8) {}

double EdgeEvidence::pixel(int x, int y) const {
    const uchar* p = image_.data + static_cast<ptrdiff_t>(y) * step_ +
                     static_cast<ptrdiff_t>(x) * channels_ + firstColour_;
    if (channels_ == 1) {
        return p[0];
    }
    return std::min(std::min(p[0], p[1]), p[2]);
}

double EdgeEvidence::brightness(double x, double y) const {
    if (interior(x, y)) {
        return sampleInterior(x, y);
    }
    const int w = image_.cols;
    const int h = image_.rows;
    if (!(x >= -0.5 && y >= -0.5 && x <= w - 0.5 && y <= h - 0.5)) {
        return -1;
    }
    // Within half a pixel of the border: clamp to the outermost pixels.
    x = std::clamp(x, 0.0, w - 1.0);
    y = std::clamp(y, 0.0, h - 1.0);
    const int x0 = std::min(static_cast<int>(x), w - 1);
    const int y0 = std::min(static_cast<int>(y), h - 1);
    const int x1 = std::min(x0 + 1, w - 1);
    const int y1 = std::min(y0 + 1, h - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    const double top = pixel(x0, y0) * (1 - fx) + pixel(x1, y0) * fx;
    const double bottom = pixel(x0, y1) * (1 - fx) + pixel(x1, y1) * fx;
    return top * (1 - fy) + bottom * fy;
}

namespace {

// The brightness of the pixel at `r0` and of its right, lower and lower-right neighbours, in that
// order: the pixel itself for one channel, else the smallest of its colour bytes, which start
// `firstColour` bytes into it.
template <int kChannels>
__attribute__((always_inline)) inline void cornerValues(const uchar* r0, ptrdiff_t step,
                                                        int firstColour, int32_t* values) {
    const uchar* r1 = r0 + step;
    if constexpr (kChannels == 1) {
        values[0] = r0[0];
        values[1] = r0[1];
        values[2] = r1[0];
        values[3] = r1[1];
    }
#if defined(__SSE2__)
    else if constexpr (kChannels == 4) {
        // Both pixels of a row in one load; shifted so that each 32-bit lane starts with its
        // pixel's colour bytes, each lane ends up holding the smallest of them.
        uint64_t top;
        uint64_t bottom;
        std::memcpy(&top, r0, sizeof top);
        std::memcpy(&bottom, r1, sizeof bottom);
        const __m128i v =
            _mm_srl_epi32(_mm_set_epi64x(static_cast<int64_t>(bottom), static_cast<int64_t>(top)),
                          _mm_cvtsi32_si128(8 * firstColour));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values),
                         _mm_and_si128(_mm_min_epu8(_mm_min_epu8(v, _mm_srli_epi32(v, 8)),
                                                    _mm_srli_epi32(v, 16)),
                                       _mm_set1_epi32(0xff)));
    }
#endif
    else {
        const uchar* a = r0 + firstColour;
        const uchar* b = r1 + firstColour;
        constexpr int c = kChannels;
        values[0] = std::min(std::min(a[0], a[1]), a[2]);
        values[1] = std::min(std::min(a[c], a[c + 1]), a[c + 2]);
        values[2] = std::min(std::min(b[0], b[1]), b[2]);
        values[3] = std::min(std::min(b[c], b[c + 1]), b[c + 2]);
    }
}

}  // namespace

double EdgeEvidence::sampleInterior(double x, double y) const {
    const int x0 = static_cast<int>(x);
    const int y0 = static_cast<int>(y);
    const double fx = x - x0;
    const double fy = y - y0;
    const uchar* pixel =
        image_.data + static_cast<ptrdiff_t>(y0) * step_ + static_cast<ptrdiff_t>(x0) * channels_;
    int32_t c[4];
    switch (channels_) {
        case 1:
            cornerValues<1>(pixel, step_, firstColour_, c);
            break;
        case 3:
            cornerValues<3>(pixel, step_, firstColour_, c);
            break;
        default:
            cornerValues<4>(pixel, step_, firstColour_, c);
            break;
    }
    const double top = c[0] + (c[1] - c[0]) * fx;
    const double bottom = c[2] + (c[3] - c[2]) * fx;
    return top + (bottom - top) * fy;
}

namespace {

// Bilinear brightness at `n` points (x0 + k dx, y0 + k dy) of an image, each held within
// [0, right] x [0, bottom] so that its right and lower neighbours are inside the image.
template <int kChannels>
void sampleRunOf(const uchar* data, ptrdiff_t step, int firstColour, float right, float bottom,
                 float x0, float y0, float dx, float dy, int n, float* out) {
    auto origin = [&](int column, int row) {
        return data + static_cast<ptrdiff_t>(row) * step +
               static_cast<ptrdiff_t>(column) * kChannels;
    };
    int k = 0;
#if defined(__SSE2__)
    const __m128 zero = _mm_setzero_ps();
    alignas(16) int32_t column[4];
    alignas(16) int32_t row[4];
    alignas(16) int32_t corner[4][4];  // per point: top-left, top-right, bottom-left, bottom-right
    for (; k + 4 <= n; k += 4) {
        const __m128 index = _mm_set_ps(k + 3.0f, k + 2.0f, k + 1.0f, static_cast<float>(k));
        const __m128 px = _mm_min_ps(
            _mm_max_ps(_mm_add_ps(_mm_set1_ps(x0), _mm_mul_ps(index, _mm_set1_ps(dx))), zero),
            _mm_set1_ps(right));
        const __m128 py = _mm_min_ps(
            _mm_max_ps(_mm_add_ps(_mm_set1_ps(y0), _mm_mul_ps(index, _mm_set1_ps(dy))), zero),
            _mm_set1_ps(bottom));
        const __m128i ix = _mm_cvttps_epi32(px);
        const __m128i iy = _mm_cvttps_epi32(py);
        const __m128 fx = _mm_sub_ps(px, _mm_cvtepi32_ps(ix));
        const __m128 fy = _mm_sub_ps(py, _mm_cvtepi32_ps(iy));
        _mm_store_si128(reinterpret_cast<__m128i*>(column), ix);
        _mm_store_si128(reinterpret_cast<__m128i*>(row), iy);
        for (int i = 0; i < 4; ++i) {
            cornerValues<kChannels>(origin(column[i], row[i]), step, firstColour, corner[i]);
        }
        // One vector per corner, four points wide.
        __m128 p00 = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(corner[0])));
        __m128 p01 = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(corner[1])));
        __m128 p10 = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(corner[2])));
        __m128 p11 = _mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(corner[3])));
        _MM_TRANSPOSE4_PS(p00, p01, p10, p11);
        const __m128 upper = _mm_add_ps(p00, _mm_mul_ps(_mm_sub_ps(p01, p00), fx));
        const __m128 lower = _mm_add_ps(p10, _mm_mul_ps(_mm_sub_ps(p11, p10), fx));
        _mm_storeu_ps(out + k, _mm_add_ps(upper, _mm_mul_ps(_mm_sub_ps(lower, upper), fy)));
    }
#endif
    // The same arithmetic one point at a time.
    for (; k < n; ++k) {
        const float index = static_cast<float>(k);
        const float px = std::min(std::max(x0 + index * dx, 0.0f), right);
        const float py = std::min(std::max(y0 + index * dy, 0.0f), bottom);
        const int ix = static_cast<int>(px);
        const int iy = static_cast<int>(py);
        const float fx = px - static_cast<float>(ix);
        const float fy = py - static_cast<float>(iy);
        int32_t c[4];
        cornerValues<kChannels>(origin(ix, iy), step, firstColour, c);
        const float upper = static_cast<float>(c[0]) + static_cast<float>(c[1] - c[0]) * fx;
        const float lower = static_cast<float>(c[2]) + static_cast<float>(c[3] - c[2]) * fx;
        out[k] = upper + (lower - upper) * fy;
    }
}

#if QUORVEL_WIDE_VECTORS
// Points k ... k + 7 of a run as in sampleRunOf, held inside the image: their pixels and the
// fractions beyond them.
struct WidePoints {
    __m256i column;
    __m256i row;
    __m256 fx;
    __m256 fy;
};

QUORVEL_WIDE inline WidePoints widePoints(int k, float x0, float y0, float dx, float dy,
                                          float right, float bottom) {
    const __m256 index = _mm256_add_ps(_mm256_set1_ps(static_cast<float>(k)),
                                       _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7));
    auto held = [&](float start, float stride, float last) QUORVEL_WIDE {
        return _mm256_min_ps(
            _mm256_max_ps(
                _mm256_add_ps(_mm256_set1_ps(start), _mm256_mul_ps(index, _mm256_set1_ps(stride))),
                _mm256_setzero_ps()),
            _mm256_set1_ps(last));
    };
    const __m256 px = held(x0, dx, right);
    const __m256 py = held(y0, dy, bottom);
    WidePoints points;
    points.column = _mm256_cvttps_epi32(px);
    points.row = _mm256_cvttps_epi32(py);
    points.fx = _mm256_sub_ps(px, _mm256_cvtepi32_ps(points.column));
    points.fy = _mm256_sub_ps(py, _mm256_cvtepi32_ps(points.row));
    return points;
}

// The bilinear blend of four corner values, as in sampleRunOf.
QUORVEL_WIDE inline __m256 blend(__m256 p00, __m256 p01, __m256 p10, __m256 p11, __m256 fx,
                                 __m256 fy) {
    const __m256 upper = _mm256_add_ps(p00, _mm256_mul_ps(_mm256_sub_ps(p01, p00), fx));
    const __m256 lower = _mm256_add_ps(p10, _mm256_mul_ps(_mm256_sub_ps(p11, p10), fx));
    return _mm256_add_ps(upper, _mm256_mul_ps(_mm256_sub_ps(lower, upper), fy));
}

// The brightness at eight points of a one-channel image, each point's pixel pairs fetched by
// two gathers. The image is at least 4 pixels wide.
QUORVEL_WIDE inline __m256 grayGroup(const uchar* data, ptrdiff_t step, const WidePoints& points) {
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i byte = _mm256_set1_epi32(0xff);
    // A pixel and its right neighbour are read as one 32-bit word, starting two pixels to their
    // left where the row has them, so that no word reaches past the row's end.
    const __m256i back =
        _mm256_and_si256(_mm256_cmpgt_epi32(points.column, one), _mm256_set1_epi32(2));
    const __m256i offset = _mm256_sub_epi32(
        _mm256_add_epi32(
            _mm256_mullo_epi32(points.row, _mm256_set1_epi32(static_cast<int32_t>(step))),
            points.column),
        back);
    const __m256i shift = _mm256_slli_epi32(back, 3);
    const __m256i upperPair = _mm256_srlv_epi32(
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(data), offset, 1), shift);
    const __m256i lowerPair = _mm256_srlv_epi32(
        _mm256_i32gather_epi32(reinterpret_cast<const int*>(data + step), offset, 1), shift);
    const __m256 p00 = _mm256_cvtepi32_ps(_mm256_and_si256(upperPair, byte));
    const __m256 p01 = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(upperPair, 8), byte));
    const __m256 p10 = _mm256_cvtepi32_ps(_mm256_and_si256(lowerPair, byte));
    const __m256 p11 = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(lowerPair, 8), byte));
    return blend(p00, p01, p10, p11, points.fx, points.fy);
}

// The brightness at eight points of a four-channel image: each point's two pixels of a row are
// fetched as one 64-bit word by a gather, and each pixel's colour bytes reduced to their
// smallest.
QUORVEL_WIDE inline __m256 colourGroup(const uchar* data, ptrdiff_t step, __m128i colourShift,
                                       const WidePoints& points) {
    const __m256i byte = _mm256_set1_epi32(0xff);
    // The pixel pairs of points 0-3 and 4-7 are gathered into separate vectors; picking the
    // left (or right) pixels of both leaves the points in the order 0, 1, 4, 5, 2, 3, 6, 7.
    const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const __m256i offset = _mm256_add_epi32(
        _mm256_mullo_epi32(points.row, _mm256_set1_epi32(static_cast<int32_t>(step))),
        _mm256_slli_epi32(points.column, 2));
    const __m128i first = _mm256_castsi256_si128(offset);
    const __m128i second = _mm256_extracti128_si256(offset, 1);
    const auto* upperRow = reinterpret_cast<const long long*>(data);
    const auto* lowerRow = reinterpret_cast<const long long*>(data + step);
    // Each 32-bit lane: one pixel, reduced to the smallest of its colour bytes.
    const __m256i words[4] = {
        _mm256_i32gather_epi64(upperRow, first, 1), _mm256_i32gather_epi64(upperRow, second, 1),
        _mm256_i32gather_epi64(lowerRow, first, 1), _mm256_i32gather_epi64(lowerRow, second, 1)};
    __m256 values[4];
    for (int i = 0; i < 4; ++i) {
        const __m256i v = _mm256_srl_epi32(words[i], colourShift);
        values[i] = _mm256_castsi256_ps(_mm256_and_si256(
            _mm256_min_epu8(_mm256_min_epu8(v, _mm256_srli_epi32(v, 8)), _mm256_srli_epi32(v, 16)),
            byte));
    }
    const __m256 p00 = _mm256_cvtepi32_ps(
        _mm256_castps_si256(_mm256_shuffle_ps(values[0], values[1], _MM_SHUFFLE(2, 0, 2, 0))));
    const __m256 p01 = _mm256_cvtepi32_ps(
        _mm256_castps_si256(_mm256_shuffle_ps(values[0], values[1], _MM_SHUFFLE(3, 1, 3, 1))));
    const __m256 p10 = _mm256_cvtepi32_ps(
        _mm256_castps_si256(_mm256_shuffle_ps(values[2], values[3], _MM_SHUFFLE(2, 0, 2, 0))));
    const __m256 p11 = _mm256_cvtepi32_ps(
        _mm256_castps_si256(_mm256_shuffle_ps(values[2], values[3], _MM_SHUFFLE(3, 1, 3, 1))));
    // Blended in the gathered order, then put back in the points' own.
    const __m256 fx = _mm256_permutevar8x32_ps(points.fx, order);
    const __m256 fy = _mm256_permutevar8x32_ps(points.fy, order);
    return _mm256_permutevar8x32_ps(blend(p00, p01, p10, p11, fx, fy), order);
}

// sampleRunOf<1> or sampleRunOf<4>, eight points at a time with gathers: the same arithmetic, so
// the same values. Every byte offset fits in 32 bits.
template <int kChannels>
QUORVEL_WIDE void sampleRunWide(const uchar* data, ptrdiff_t step, int firstColour, float right,
                                float bottom, float x0, float y0, float dx, float dy, int n,
                                float* out) {
    static_assert(kChannels == 1 || kChannels == 4);
    const __m128i colourShift = _mm_cvtsi32_si128(8 * firstColour);
    int k = 0;
    for (; k < n; k += 8) {
        const WidePoints points = widePoints(k, x0, y0, dx, dy, right, bottom);
        __m256 values;
        if constexpr (kChannels == 1) {
            values = grayGroup(data, step, points);
        } else {
            values = colourGroup(data, step, colourShift, points);
        }
        if (k + 8 <= n) {
            _mm256_storeu_ps(out + k, values);
        } else {
            // The last group is sampled whole: its points beyond the run are held inside the
            // image like any other.
            alignas(32) float last[8];
            _mm256_store_ps(last, values);
            std::copy(last, last + (n - k), out + k);
        }
    }
}
#endif

}  // namespace

void EdgeEvidence::sampleRun(double x, double y, double dx, double dy, int n, float* out) const {
    const float x0 = static_cast<float>(x);
    const float y0 = static_cast<float>(y);
    const float fdx = static_cast<float>(dx);
    const float fdy = static_cast<float>(dy);
#if QUORVEL_WIDE_VECTORS
    if (wideGather_) {
        (channels_ == 1 ? sampleRunWide<1> : sampleRunWide<4>)(image_.data, step_, firstColour_,
                                                               runRight_, runBottom_, x0, y0, fdx,
                                                               fdy, n, out);
        return;
    }
#endif
    auto run = [&](auto sampler) {
        sampler(image_.data, step_, firstColour_, runRight_, runBottom_, x0, y0, fdx, fdy, n, out);
    };
    switch (channels_) {
        case 1:
            run(sampleRunOf<1>);
            break;
        case 3:
            run(sampleRunOf<3>);
            break;
        default:
            run(sampleRunOf<4>);
            break;
    }
}

SideSupport EdgeEvidence::measureSide(cv::Point2d a, cv::Point2d b, cv::Point2d outward,
                                      double near, double far, double threshold,
                                      double spacing) const {
    SideSupport result;
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    constexpr double kMargin = 0.06;
    const int count = std::clamp(static_cast<int>(length * (1 - 2 * kMargin) / spacing), 6, 160);
    int brighter = 0;
    int darker = 0;
    double contrast = 0;
    auto tally = [&](double in1, double in2, double out1, double out2) {
        contrast += (in1 + in2 - out1 - out2) / 2;
        if (std::min(in1, in2) - std::max(out1, out2) >= threshold) {
            ++brighter;
        } else if (std::min(out1, out2) - std::max(in1, in2) >= threshold) {
            ++darker;
        }
    };
    // Sample k lies at a + (b - a) * t with t = kMargin + (1 - 2 kMargin)(k + 0.5) / count.
    const cv::Point2d first = a + (b - a) * (kMargin + (1 - 2 * kMargin) * 0.5 / count);
    const cv::Point2d stride = (b - a) * ((1 - 2 * kMargin) / count);
    // When the band around the whole side lies inside the image, no sample needs clamping, and
    // each of the four lines of samples is read as one run.
    const cv::Point2d reach = outward * std::max(std::abs(near), std::abs(far));
    if (interior(a.x - reach.x, a.y - reach.y) && interior(a.x + reach.x, a.y + reach.y) &&
        interior(b.x - reach.x, b.y - reach.y) && interior(b.x + reach.x, b.y + reach.y)) {
        constexpr int kMostSamples = 160;
        float lines[4][kMostSamples];
        const double offsets[4] = {-near, -far, near, far};
        for (int line = 0; line < 4; ++line) {
            const cv::Point2d start = first + outward * offsets[line];
            sampleRun(start.x, start.y, stride.x, stride.y, count, lines[line]);
        }
        for (int k = 0; k < count; ++k) {
            tally(lines[0][k], lines[1][k], lines[2][k], lines[3][k]);
        }
    } else {
        for (int k = 0; k < count; ++k) {
            const cv::Point2d c = first + stride * static_cast<double>(k);
            const double in1 = brightness(c.x - outward.x * near, c.y - outward.y * near);
            const double in2 = brightness(c.x - outward.x * far, c.y - outward.y * far);
            const double out1 = brightness(c.x + outward.x * near, c.y + outward.y * near);
            const double out2 = brightness(c.x + outward.x * far, c.y + outward.y * far);
            if (in1 >= 0 && in2 >= 0 && out1 >= 0 && out2 >= 0) {
                tally(in1, in2, out1, out2);
            }
        }
    }
    result.contrast = contrast / count;
    result.polarity = brighter >= darker ? 1 : -1;
    result.support = static_cast<double>(std::max(brighter, darker)) / count;
    return result;
}

std::vector<EdgePoint> EdgeEvidence::findEdgePoints(cv::Point2d a, cv::Point2d b,
                                                    cv::Point2d outward, int polarity,
                                                    const EdgeSearch& search) const {
    std::vector<EdgePoint> points;
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length < 1e-6) {
        return points;
    }
    const cv::Point2d along = (b - a) / length;
    const double usable = length * (1 - 2 * search.margin);
    const int profiles =
        std::clamp(static_cast<int>(usable / search.spacing) + 1, 2, search.maximumProfiles);
    const int span = std::max(1, static_cast<int>(std::lround(search.derivativeSpan)));
    const int reach = std::max(1, static_cast<int>(std::ceil(search.radius)));
    const int samples = 2 * (reach + span) + 1;
    std::vector<float> profile(static_cast<size_t>(samples));
    std::vector<float> run(static_cast<size_t>(samples));
    std::vector<double> step(static_cast<size_t>(samples), 0.0);
    points.reserve(static_cast<size_t>(profiles));
    const float scale = 1.0f / static_cast<float>(2 * search.averaging + 1);
    for (int k = 0; k < profiles; ++k) {
        const double t = search.margin + (1 - 2 * search.margin) * k / (profiles - 1);
        const cv::Point2d centre = a + (b - a) * t;
        // A profile whose outermost samples need no clamping is read as runs without checks.
        bool fast = false;
        const cv::Point2d reachOut = outward * static_cast<double>(reach + span);
        const cv::Point2d reachAlong = along * (search.averaging * search.averagingSpacing);
        if (interior(centre.x - reachOut.x - reachAlong.x, centre.y - reachOut.y - reachAlong.y) &&
            interior(centre.x - reachOut.x + reachAlong.x, centre.y - reachOut.y + reachAlong.y) &&
            interior(centre.x + reachOut.x - reachAlong.x, centre.y + reachOut.y - reachAlong.y) &&
            interior(centre.x + reachOut.x + reachAlong.x, centre.y + reachOut.y + reachAlong.y)) {
            fast = true;
            for (int o = -search.averaging; o <= search.averaging; ++o) {
                const cv::Point2d start = centre - reachOut + along * (o * search.averagingSpacing);
                float* into = o == -search.averaging ? profile.data() : run.data();
                sampleRun(start.x, start.y, outward.x, outward.y, samples, into);
                if (into != profile.data()) {
                    for (int j = 0; j < samples; ++j) {
                        profile[static_cast<size_t>(j)] += run[static_cast<size_t>(j)];
                    }
                }
            }
            if (search.averaging > 0) {
                for (float& value : profile) {
                    value *= scale;
                }
            }
        }
        bool inside = true;
        for (int j = 0; j < samples && inside && !fast; ++j) {
            const double s = j - (reach + span);
            double sum = 0;
            for (int o = -search.averaging; o <= search.averaging; ++o) {
                const cv::Point2d p = centre + outward * s + along * (o * search.averagingSpacing);
                const double v = brightness(p.x, p.y);
                if (v < 0) {
                    inside = false;
                    break;
                }
                sum += v;
            }
            profile[static_cast<size_t>(j)] = static_cast<float>(sum / (2 * search.averaging + 1));
        }
        if (!inside) {
            continue;
        }
        int best = -1;
        double bestStep = search.threshold;
        for (int j = span; j < samples - span; ++j) {
            const size_t u = static_cast<size_t>(j);
            step[u] = polarity * (profile[u - static_cast<size_t>(span)] -
                                  profile[u + static_cast<size_t>(span)]);
            if (j > span && j < samples - span - 1 && step[u] > bestStep) {
                bestStep = step[u];
                best = j;
            }
        }
        if (best < 0) {
            continue;
        }
        // The step must peak inside the search band, not keep rising beyond it.
        const size_t u = static_cast<size_t>(best);
        const double before = step[u - 1];
        const double after = step[u + 1];
        const double curvature = before - 2 * step[u] + after;
        double offset = 0;
        if (curvature < 0) {
            offset = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
        }
        const double s = best - (reach + span) + offset;
        points.push_back({centre + outward * s, t});
    }
    return points;
}

cv::Point2d outwardNormal(const Quad& quad, size_t side) {
    const cv::Point2d a = quad[side];
    const cv::Point2d b = quad[(side + 1) % 4];
    const cv::Point2d d = b - a;
    const double length = std::hypot(d.x, d.y);
    if (length < 1e-12) {
        return {0, 0};
    }
    cv::Point2d n(d.y / length, -d.x / length);
    const cv::Point2d centre = (quad[0] + quad[1] + quad[2] + quad[3]) / 4;
    if (n.dot((a + b) / 2 - centre) < 0) {
        n = -n;
    }
    return n;
}

}  // namespace quorvel::platform::vision
