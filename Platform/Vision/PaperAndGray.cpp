#include "Platform/Vision/PaperAndGray.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <opencv2/core/hal/intrin.hpp>

#include "Platform/Vision/WideVectors.h"

namespace quorvel::platform::vision {

namespace {

#if QUORVEL_WIDE_VECTORS
// Stores 32 values of at most 255, held in the 32-bit lanes of four vectors, as bytes.
QUORVEL_WIDE inline void storeBytes(const __m256i* lanes, __m256i order, uint8_t* out) {
    const __m256i low = _mm256_packus_epi32(lanes[0], lanes[1]);
    const __m256i high = _mm256_packus_epi32(lanes[2], lanes[3]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high), order));
}

// The rows' first pixels 32 at a time with 256-bit vectors, the same arithmetic as below.
// Returns how many pixels it did.
QUORVEL_WIDE int paperAndGrayWide(const uint8_t* p, int w, int blue, int green, int red,
                                  uint8_t* lightest, uint8_t* luminance) {
    const __m256i byte = _mm256_set1_epi32(0xff);
    const __m256i blueWeight = _mm256_set1_epi32(3735);
    const __m256i greenWeight = _mm256_set1_epi32(19235);
    const __m256i redWeight = _mm256_set1_epi32(9798);
    const __m256i half = _mm256_set1_epi32(1 << 14);
    // After packing 32-bit lanes to bytes within each 128-bit half, groups of four pixels come
    // out as 0, 2, 4, 6, 1, 3, 5, 7; this puts them back in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m128i blueShift = _mm_cvtsi32_si128(8 * blue);
    const __m128i greenShift = _mm_cvtsi32_si128(8 * green);
    const __m128i redShift = _mm_cvtsi32_si128(8 * red);
    int x = 0;
    for (; x + 32 <= w; x += 32) {
        __m256i smallest[4];
        __m256i luma[4];
        for (int i = 0; i < 4; ++i) {
            const __m256i v =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4 * (x + 8 * i)));
            const __m256i b = _mm256_and_si256(_mm256_srl_epi32(v, blueShift), byte);
            const __m256i g = _mm256_and_si256(_mm256_srl_epi32(v, greenShift), byte);
            const __m256i r = _mm256_and_si256(_mm256_srl_epi32(v, redShift), byte);
            smallest[i] = _mm256_min_epu32(_mm256_min_epu32(b, g), r);
            const __m256i sum =
                _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(b, blueWeight),
                                                  _mm256_mullo_epi32(g, greenWeight)),
                                 _mm256_add_epi32(_mm256_mullo_epi32(r, redWeight), half));
            luma[i] = _mm256_srli_epi32(sum, 15);
        }
        storeBytes(smallest, order, lightest + x);
        storeBytes(luma, order, luminance + x);
    }
    return x;
}
#endif

}  // namespace

// Luma as cv::cvtColor computes it: (3735 B + 19235 G + 9798 R + 2^14) >> 15.
void paperAndGray(const cv::Mat& image, bool argb, cv::Mat& paper, cv::Mat& gray) {
    paper.create(image.size(), CV_8U);
    gray.create(image.size(), CV_8U);
    const int blue = argb ? 3 : 0;
    const int green = argb ? 2 : 1;
    const int red = argb ? 1 : 2;
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    const cv::v_uint16x8 blueWeight = cv::v_setall_u16(3735);
    const cv::v_uint16x8 greenWeight = cv::v_setall_u16(19235);
    const cv::v_uint16x8 redWeight = cv::v_setall_u16(9798);
    const cv::v_uint32x4 half = cv::v_setall_u32(1 << 14);
    // Luma of eight pixels from their 16-bit colours.
    auto luma = [&](const cv::v_uint16x8& b, const cv::v_uint16x8& g, const cv::v_uint16x8& r) {
        cv::v_uint32x4 b0, b1, g0, g1, r0, r1;
        cv::v_mul_expand(b, blueWeight, b0, b1);
        cv::v_mul_expand(g, greenWeight, g0, g1);
        cv::v_mul_expand(r, redWeight, r0, r1);
        return cv::v_pack((b0 + g0 + r0 + half) >> 15, (b1 + g1 + r1 + half) >> 15);
    };
    const bool wide = hasWideVectors();
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t* p = image.ptr<uint8_t>(y);
        uint8_t* lightest = paper.ptr<uint8_t>(y);
        uint8_t* luminance = gray.ptr<uint8_t>(y);
        int x = 0;
#if QUORVEL_WIDE_VECTORS
        if (wide) {
            x = paperAndGrayWide(p, image.cols, blue, green, red, lightest, luminance);
        }
#endif
        for (; x + kLanes <= image.cols; x += kLanes) {
            std::array<cv::v_uint8x16, 4> c;
            cv::v_load_deinterleave(p + 4 * x, c[0], c[1], c[2], c[3]);
            const cv::v_uint8x16& b = c[static_cast<size_t>(blue)];
            const cv::v_uint8x16& g = c[static_cast<size_t>(green)];
            const cv::v_uint8x16& r = c[static_cast<size_t>(red)];
            cv::v_store(lightest + x, cv::v_min(cv::v_min(b, g), r));
            cv::v_uint16x8 b0, b1, g0, g1, r0, r1;
            cv::v_expand(b, b0, b1);
            cv::v_expand(g, g0, g1);
            cv::v_expand(r, r0, r1);
            cv::v_store(luminance + x, cv::v_pack(luma(b0, g0, r0), luma(b1, g1, r1)));
        }
        for (; x < image.cols; ++x) {
            const uint8_t* q = p + 4 * x;
            const int b = q[blue], g = q[green], r = q[red];
            lightest[x] = static_cast<uint8_t>(std::min(std::min(b, g), r));
            luminance[x] = static_cast<uint8_t>((b * 3735 + g * 19235 + r * 9798 + 16384) >> 15);
        }
    }
}

cv::Mat chromaOf(const cv::Mat& image, bool argb) {
    cv::Mat chroma(image.size(), CV_8U);
    const int channels = image.channels();
    const int first = argb ? 1 : 0;
    constexpr int kLanes = cv::v_uint8x16::nlanes;
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t* row = image.ptr<uint8_t>(y);
        uint8_t* out = chroma.ptr<uint8_t>(y);
        int x = 0;
        for (; x + kLanes <= image.cols; x += kLanes) {
            std::array<cv::v_uint8x16, 4> c;
            if (channels == 4) {
                cv::v_load_deinterleave(row + 4 * x, c[0], c[1], c[2], c[3]);
            } else {
                cv::v_load_deinterleave(row + 3 * x, c[0], c[1], c[2]);
            }
            const auto& p = c[static_cast<size_t>(first)];
            const auto& q = c[static_cast<size_t>(first) + 1];
            const auto& r = c[static_cast<size_t>(first) + 2];
            cv::v_store(out + x, cv::v_max(cv::v_max(p, q), r) - cv::v_min(cv::v_min(p, q), r));
        }
        for (const uint8_t* p = row + channels * x + first; x < image.cols; ++x, p += channels) {
            const uint8_t high = std::max(std::max(p[0], p[1]), p[2]);
            const uint8_t low = std::min(std::min(p[0], p[1]), p[2]);
            out[x] = static_cast<uint8_t>(high - low);
        }
    }
    return chroma;
}

}  // namespace quorvel::platform::vision
