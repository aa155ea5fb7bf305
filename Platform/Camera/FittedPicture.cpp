#include "Platform/Camera/FittedPicture.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <opencv2/imgproc.hpp>

namespace quorvel::platform {
namespace {

// The surround's blur grows by this many pixels of standard deviation per pixel of distance from
// the picture: the grain of the border line is gone within a few pixels, and a bright object that
// crosses the border fades out instead of running on as a stripe.
constexpr double kSpread = 1.0;
// The surround loses this share of its brightness per the target's longer side of distance.
// Darkening is itself a brightness change across the border; this slow, it stays far below the
// smallest step an outline search counts as an edge, even on a copy reduced eight times.
constexpr double kDarkening = 0.6;

// The surround beyond `edge`, the picture's outermost line as drawn (BGRA, one row): `count` rows,
// row d - 1 being the line d pixels out.
cv::Mat continueOutward(const cv::Mat& edge, int count, double longSide) {
    if (count <= 0) {
        return {};
    }
    cv::Mat surround(count, edge.cols, CV_8UC3);
    cv::Mat current;
    cv::cvtColor(edge, current, cv::COLOR_BGRA2BGR);
    current.convertTo(current, CV_32F);
    double variance = 0;  // of the blur applied so far
    for (int d = 1; d <= count; ++d) {
        // The widest odd box whose variance, (width² - 1) / 12, fits into what is still missing:
        // boxes one after another add up to a Gaussian, at a cost that does not grow with width.
        const double missing = kSpread * kSpread * d * d - variance;
        const int half = static_cast<int>((std::sqrt(12 * missing + 1) - 1) / 2);
        if (half > 0) {
            const int width = 2 * half + 1;
            cv::blur(current, current, cv::Size(width, 1));
            variance += (width * width - 1) / 12.0;
        }
        cv::Mat line = surround.row(d - 1);
        current.convertTo(line, CV_8U, 1 - kDarkening * d / longSide);
    }
    cv::cvtColor(surround, surround, cv::COLOR_BGR2BGRA);
    return surround;
}

}  // namespace

bool FittedPicture::draw(const cv::Mat& picture, cv::Mat& target) {
    if (picture.empty() || target.empty()) {
        return false;
    }
    try {
        const double scale = std::min(static_cast<double>(target.cols) / picture.cols,
                                      static_cast<double>(target.rows) / picture.rows);
        const int width =
            std::clamp(static_cast<int>(std::lround(picture.cols * scale)), 1, target.cols);
        const int height =
            std::clamp(static_cast<int>(std::lround(picture.rows * scale)), 1, target.rows);
        const int left = (target.cols - width) / 2;
        const int top = (target.rows - height) / 2;
        const int right = left + width - 1;
        const int bottom = top + height - 1;
        cv::Mat scaled;
        cv::resize(picture, scaled, cv::Size(width, height), 0, 0,
                   scale < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
        cv::Mat area = target(cv::Rect(left, top, width, height));
        cv::cvtColor(scaled, area, cv::COLOR_BGR2BGRA);

        // Beside the picture first, then above and below it across the whole width, corners
        // included. The surround is made a line per row, and turned into place beside.
        const double longSide = std::max(target.cols, target.rows);
        const cv::Range rows(top, bottom + 1);
        cv::Mat beside;
        cv::transpose(continueOutward(target(rows, cv::Range(left, left + 1)).t(), left, longSide),
                      beside);
        cv::Mat leftOfPicture = target(rows, cv::Range(0, left));
        cv::flip(beside, leftOfPicture, 1);
        cv::Mat rightOfPicture = target(rows, cv::Range(right + 1, target.cols));
        cv::transpose(continueOutward(target(rows, cv::Range(right, right + 1)).t(),
                                      target.cols - 1 - right, longSide),
                      rightOfPicture);
        cv::Mat above = target.rowRange(0, top);
        cv::flip(continueOutward(target.row(top), top, longSide), above, 0);
        cv::Mat below = target.rowRange(bottom + 1, target.rows);
        continueOutward(target.row(bottom), target.rows - 1 - bottom, longSide).copyTo(below);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace quorvel::platform
