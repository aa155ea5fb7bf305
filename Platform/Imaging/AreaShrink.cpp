#include "Platform/Imaging/AreaShrink.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Platform/Imaging/ParallelHandOver.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

class Shrink : public cv::ParallelLoopBody {
public:
    Shrink(const cv::Mat& source, cv::Mat& out, std::vector<Tap> columns, std::vector<Tap> rows,
           std::vector<int> firstTapOfRow)
        : source_(source),
          out_(out),
          columns_(std::move(columns)),
          rows_(std::move(rows)),
          firstTapOfRow_(std::move(firstTapOfRow)) {}

    // Runs the loop over every output row, on OpenCV's workers.
    void run() {
        QUORVEL_HAND_OVER_RELEASE(&start_);
        cv::parallel_for_(cv::Range(0, out_.rows), *this,
                          static_cast<double>(out_.total()) / (1 << 16));
        QUORVEL_HAND_OVER_ACQUIRE(&done_);
    }

    void operator()(const cv::Range& range) const override {
        QUORVEL_HAND_OVER_ACQUIRE(&start_);
        shrinkRows(range);
        QUORVEL_HAND_OVER_RELEASE(&done_);
    }

private:
    void shrinkRows(const cv::Range& range) const {
        const int width = out_.cols * 4;
        std::vector<float> row(static_cast<size_t>(width));
        std::vector<float> sum(static_cast<size_t>(width), 0.0f);
        const int begin = firstTapOfRow_[static_cast<size_t>(range.start)];
        const int end = firstTapOfRow_[static_cast<size_t>(range.end)];
        int current = rows_[static_cast<size_t>(begin)].out;
        for (int j = begin; j < end; ++j) {
            const Tap& tap = rows_[static_cast<size_t>(j)];
            shrinkRow(source_.ptr<std::uint8_t>(tap.in), row.data());
            const float weight = tap.weight;
            if (tap.out != current) {
                store(current, sum.data());
                for (int x = 0; x < width; ++x) {
                    sum[static_cast<size_t>(x)] = weight * row[static_cast<size_t>(x)];
                }
                current = tap.out;
            } else {
                for (int x = 0; x < width; ++x) {
                    sum[static_cast<size_t>(x)] += weight * row[static_cast<size_t>(x)];
                }
            }
        }
        store(current, sum.data());
    }

    // The weighted sums of one source row for every output column, four channels at a time:
    // each channel sees the same additions in the same order as it would on its own.
    void shrinkRow(const std::uint8_t* in, float* row) const {
        std::fill_n(row, out_.cols * 4, 0.0f);
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        size_t k = 0;
        while (k < columns_.size()) {
            const int out = columns_[k].out;
            __m128 total = _mm_setzero_ps();
            for (; k < columns_.size() && columns_[k].out == out; ++k) {
                std::int32_t word;
                std::memcpy(&word, in + 4 * columns_[k].in, sizeof word);
                const __m128i bytes = _mm_cvtsi32_si128(word);
                const __m128 pixel =
                    _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
                total = _mm_add_ps(total, _mm_mul_ps(pixel, _mm_set1_ps(columns_[k].weight)));
            }
            _mm_storeu_ps(row + 4 * out, total);
        }
#else
        for (const Tap& tap : columns_) {
            for (int c = 0; c < 4; ++c) {
                row[4 * tap.out + c] += in[4 * tap.in + c] * tap.weight;
            }
        }
#endif
    }

    void store(int y, const float* sum) const {
        std::uint8_t* out = out_.ptr<std::uint8_t>(y);
        for (int x = 0; x < out_.cols * 4; ++x) {
            out[x] = roundToByte(sum[x]);
        }
    }

    const cv::Mat& source_;
    cv::Mat& out_;
    std::vector<Tap> columns_;
    std::vector<Tap> rows_;
    std::vector<int> firstTapOfRow_;
    // Where the race checker is told of the hand-over to the workers and back.
    mutable char start_ = 0;
    mutable char done_ = 0;
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
    Shrink shrink(source, out, areaTaps(source.cols, out.cols, scaleX), std::move(rows),
                  std::move(firstTapOfRow));
    shrink.run();
    return true;
}

}  // namespace quorvel::platform
