#include "Platform/Vision/PaperAndGray.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <opencv2/core/hal/intrin.hpp>

namespace quorvel::platform::vision {

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
    for (int y = 0; y < image.rows; ++y) {
        const uint8_t* p = image.ptr<uint8_t>(y);
        uint8_t* lightest = paper.ptr<uint8_t>(y);
        uint8_t* luminance = gray.ptr<uint8_t>(y);
        int x = 0;
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
