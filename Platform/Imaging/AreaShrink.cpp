#include "Platform/Imaging/AreaShrink.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Platform/Imaging/ParallelRanges.h"

namespace quorvel::platform {

namespace {

// One source pixel's share of one output pixel.
struct Tap {
    int out;  // output pixel (or row)
    int in;   // source pixel (or row)
    float weight;
};

// The shares along one axis, output by output and source by source, as OpenCV weighs them.
std::vector<Tap> areaTaps(int sourceSize, int outSize, double scale) {
    std::vector<Tap> taps;
    taps.reserve(static_cast<size_t>(sourceSize) * 2);
    for (int o = 0; o < outSize; ++o) {
        const double from = o * scale;
        const double to = from + scale;
        const double cell = std::min(scale, sourceSize - from);
        int first = static_cast<int>(std::ceil(from));
        int last = static_cast<int>(std::floor(to));
        last = std::min(last, sourceSize - 1);
        first = std::min(first, last);
        if (first - from > 1e-3) {
            taps.push_back({o, first - 1, static_cast<float>((first - from) / cell)});
        }
        for (int s = first; s < last; ++s) {
            taps.push_back({o, s, static_cast<float>(1.0 / cell)});
        }
        if (to - last > 1e-3) {
            taps.push_back(
                {o, last, static_cast<float>(std::min(std::min(to - last, 1.), cell) / cell)});
        }
    }
    return taps;
}

inline std::uint8_t roundToByte(float value) {
    // Round half to even, as cvRound does, then saturate.
    const long rounded = std::lrint(value);
    return static_cast<std::uint8_t>(std::clamp(rounded, 0L, 255L));
}

// The column taps laid out for the row pass: every output pixel gets the same number of taps,
// the shorter ones padded with weight 0 on their last source pixel. Adding 0 × pixel (+0) to a
// sum of non-negative products leaves it as it is, so the sums keep their bytes.
struct ColumnTaps {
    int perOutput = 0;
    std::vector<int> in;        // source pixel of each tap, output by output
    std::vector<float> weight;  // its weight

    ColumnTaps(const std::vector<Tap>& taps, int outSize) {
        std::vector<int> count(static_cast<size_t>(outSize), 0);
        for (const Tap& tap : taps) ++count[static_cast<size_t>(tap.out)];
        perOutput = *std::max_element(count.begin(), count.end());
        in.assign(static_cast<size_t>(outSize) * perOutput, 0);
        weight.assign(in.size(), 0.0f);
        std::fill(count.begin(), count.end(), 0);
        for (const Tap& tap : taps) {
            const size_t at = static_cast<size_t>(tap.out) * perOutput +
                              static_cast<size_t>(count[static_cast<size_t>(tap.out)]++);
            in[at] = tap.in;
            weight[at] = tap.weight;
        }
        for (int o = 0; o < outSize; ++o) {
            for (int j = count[static_cast<size_t>(o)]; j < perOutput; ++j) {
                in[static_cast<size_t>(o) * perOutput + j] =
                    in[static_cast<size_t>(o) * perOutput + std::max(j - 1, 0)];
            }
        }
    }
};

class Shrink : public cv::ParallelLoopBody {
public:
    Shrink(const cv::Mat& source, cv::Mat& out, ColumnTaps columns, std::vector<Tap> rows,
           std::vector<int> firstTapOfRow)
        : source_(source),
          out_(out),
          columns_(std::move(columns)),
          rows_(std::move(rows)),
          firstTapOfRow_(std::move(firstTapOfRow)) {}

    void operator()(const cv::Range& range) const override {
        const int width = out_.cols * 4;
        std::vector<float> row(static_cast<size_t>(width));
        std::vector<float> sum(static_cast<size_t>(width), 0.0f);
        std::vector<float> pixels(static_cast<size_t>(source_.cols) * 4);
        const int begin = firstTapOfRow_[static_cast<size_t>(range.start)];
        const int end = firstTapOfRow_[static_cast<size_t>(range.end)];
        int current = rows_[static_cast<size_t>(begin)].out;
        for (int j = begin; j < end; ++j) {
            const Tap& tap = rows_[static_cast<size_t>(j)];
            toFloats(source_.ptr<std::uint8_t>(tap.in), pixels.data());
            shrinkRow(pixels.data(), row.data());
            if (tap.out != current) {
                store(current, sum.data());
                weigh(row.data(), tap.weight, sum.data(), false);
                current = tap.out;
            } else {
                weigh(row.data(), tap.weight, sum.data(), true);
            }
        }
        store(current, sum.data());
    }

private:
    // sum = weight × row, or sum += weight × row: a multiplication, then an addition, per value.
    void weigh(const float* row, float weight, float* sum, bool add) const {
        const int width = out_.cols * 4;
        int x = 0;
#if defined(__SSE2__)
        const __m128 w = _mm_set1_ps(weight);
        if (add) {
            for (; x + 4 <= width; x += 4) {
                _mm_storeu_ps(sum + x, _mm_add_ps(_mm_loadu_ps(sum + x),
                                                  _mm_mul_ps(w, _mm_loadu_ps(row + x))));
            }
        } else {
            for (; x + 4 <= width; x += 4) {
                _mm_storeu_ps(sum + x, _mm_mul_ps(w, _mm_loadu_ps(row + x)));
            }
        }
#endif
        for (; x < width; ++x) {
            sum[x] = add ? sum[x] + weight * row[x] : weight * row[x];
        }
    }

    // The bytes of one source row as floats (exactly).
    void toFloats(const std::uint8_t* in, float* pixels) const {
        const int count = source_.cols * 4;
        int x = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        for (; x + 16 <= count; x += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
            const __m128i low = _mm_unpacklo_epi8(bytes, zero);
            const __m128i high = _mm_unpackhi_epi8(bytes, zero);
            _mm_storeu_ps(pixels + x, _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)));
            _mm_storeu_ps(pixels + x + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)));
            _mm_storeu_ps(pixels + x + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)));
            _mm_storeu_ps(pixels + x + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)));
        }
#endif
        for (; x < count; ++x) {
            pixels[x] = in[x];
        }
    }

    // The weighted sums of one source row for every output column, four channels at a time:
    // each channel sees the same additions in the same order as it would on its own.
    void shrinkRow(const float* in, float* row) const {
        switch (columns_.perOutput) {
            case 1:
                return shrinkRowWith<1>(in, row);
            case 2:
                return shrinkRowWith<2>(in, row);
            case 3:
                return shrinkRowWith<3>(in, row);
            case 4:
                return shrinkRowWith<4>(in, row);
            default:
                return shrinkRowWith<0>(in, row);
        }
    }

    // kTaps taps per output pixel (0: as many as columns_ says).
    template <int kTaps>
    void shrinkRowWith(const float* in, float* row) const {
        const int taps = kTaps > 0 ? kTaps : columns_.perOutput;
        const int* source = columns_.in.data();
        const float* weight = columns_.weight.data();
        for (int out = 0; out < out_.cols; ++out, source += taps, weight += taps) {
#if defined(__SSE2__)
            __m128 total = _mm_setzero_ps();
#pragma GCC unroll 4
            for (int k = 0; k < taps; ++k) {
                const __m128 pixel = _mm_loadu_ps(in + 4 * source[k]);
                total = _mm_add_ps(total, _mm_mul_ps(pixel, _mm_set1_ps(weight[k])));
            }
            _mm_storeu_ps(row + 4 * out, total);
#else
            for (int c = 0; c < 4; ++c) {
                float total = 0.0f;
                for (int k = 0; k < taps; ++k) {
                    total += in[4 * source[k] + c] * weight[k];
                }
                row[4 * out + c] = total;
            }
#endif
        }
    }

    void store(int y, const float* sum) const {
        std::uint8_t* out = out_.ptr<std::uint8_t>(y);
        int x = 0;
#if defined(__SSE2__)
        // Rounded half to even by the conversion, then saturated to 0–255 by the two packs.
        for (; x + 16 <= out_.cols * 4; x += 16) {
            const __m128i a = _mm_cvtps_epi32(_mm_loadu_ps(sum + x));
            const __m128i b = _mm_cvtps_epi32(_mm_loadu_ps(sum + x + 4));
            const __m128i c = _mm_cvtps_epi32(_mm_loadu_ps(sum + x + 8));
            const __m128i d = _mm_cvtps_epi32(_mm_loadu_ps(sum + x + 12));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
        }
#endif
        for (; x < out_.cols * 4; ++x) {
            out[x] = roundToByte(sum[x]);
        }
    }

    const cv::Mat& source_;
    cv::Mat& out_;
    ColumnTaps columns_;
    std::vector<Tap> rows_;
    std::vector<int> firstTapOfRow_;
};

}  // namespace

bool shrinkByArea(const cv::Mat& source, cv::Mat& out) {
    if (source.type() != CV_8UC4 || out.type() != CV_8UC4 || source.dims != 2 || out.dims != 2 ||
        out.empty() || out.cols > source.cols || out.rows > source.rows ||
        out.size() == source.size()) {
        return false;
    }
    const double scaleX = 1. / (static_cast<double>(out.cols) / source.cols);
    const double scaleY = 1. / (static_cast<double>(out.rows) / source.rows);
    if (!(scaleX >= 1) || !(scaleY >= 1)) {
        return false;
    }
    const int wholeX = cv::saturate_cast<int>(scaleX);
    const int wholeY = cv::saturate_cast<int>(scaleY);
    if (std::abs(scaleX - wholeX) < DBL_EPSILON && std::abs(scaleY - wholeY) < DBL_EPSILON) {
        return false;  // OpenCV averages whole blocks instead
    }
    auto rows = areaTaps(source.rows, out.rows, scaleY);
    std::vector<int> firstTapOfRow(static_cast<size_t>(out.rows) + 1);
    int y = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        if (k == 0 || rows[k].out != rows[k - 1].out) {
            firstTapOfRow[static_cast<size_t>(y++)] = static_cast<int>(k);
        }
    }
    if (y != out.rows) {
        return false;
    }
    firstTapOfRow[static_cast<size_t>(out.rows)] = static_cast<int>(rows.size());
    const Shrink shrink(source, out, ColumnTaps(areaTaps(source.cols, out.cols, scaleX), out.cols),
                        std::move(rows), std::move(firstTapOfRow));
    forEachRange(
        cv::Range(0, out.rows), [&shrink](const cv::Range& rows) { shrink(rows); },
        static_cast<double>(out.total()) / (1 << 16));
    return true;
}

}  // namespace quorvel::platform
