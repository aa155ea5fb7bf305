#include "Platform/Camera/SensorNoise.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace quorvel::platform {

SensorNoise::SensorNoise(int maximumSide, double sigma, std::uint64_t seed)
    : maximumSide_(maximumSide) {
    if (sigma <= 0 || maximumSide <= 0) {
        return;
    }
    // Values around a bias, so that unsigned saturating adds can also darken: the bias is taken
    // off again after the add.
    bias_ = static_cast<int>(std::ceil(std::min(3 * sigma, 60.0)));
    try {
        const int side = maximumSide + kMaximumOffset;
        cv::Mat colour8(side, side, CV_8UC3);
        cv::RNG rng(seed);
        rng.fill(colour8, cv::RNG::NORMAL, cv::Scalar::all(bias_), cv::Scalar::all(sigma));
        cv::Mat alpha = cv::Mat::zeros(side, side, CV_8UC1);
        std::vector<cv::Mat> planes;
        cv::split(colour8, planes);
        planes.push_back(alpha);
        cv::merge(planes, canvas_);
    } catch (const std::exception&) {
        canvas_.release();
    }
}

void SensorNoise::apply(cv::Mat& bgra, int offsetX, int offsetY) const {
    if (canvas_.empty() || bgra.type() != CV_8UC4) {
        return;
    }
    offsetX = std::clamp(offsetX, 0, kMaximumOffset - 1);
    offsetY = std::clamp(offsetY, 0, kMaximumOffset - 1);
    try {
        // A picture larger than the canvas gets it tile by tile, each tile at an offset of its
        // own; a picture within it is one tile at the offset given.
        for (int top = 0, row = 0; top < bgra.rows; top += maximumSide_, ++row) {
            for (int left = 0, column = 0; left < bgra.cols; left += maximumSide_, ++column) {
                const cv::Rect tile(left, top, std::min(maximumSide_, bgra.cols - left),
                                    std::min(maximumSide_, bgra.rows - top));
                const int x = (offsetX + 29 * column + 13 * row) % kMaximumOffset;
                const int y = (offsetY + 17 * column + 37 * row) % kMaximumOffset;
                cv::Mat pixels = bgra(tile);
                cv::add(pixels, canvas_(cv::Rect(x, y, tile.width, tile.height)), pixels);
                cv::subtract(pixels, cv::Scalar(bias_, bias_, bias_, 0), pixels);
            }
        }
    } catch (const std::exception&) {
    }
}

}  // namespace quorvel::platform
