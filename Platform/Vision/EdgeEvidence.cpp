#include "Platform/Vision/EdgeEvidence.h"

#include <algorithm>
#include <cmath>

namespace quorvel::platform::vision {

EdgeEvidence::EdgeEvidence(const cv::Mat& image, int firstColour)
    : image_(image),
      channels_(image.channels()),
      firstColour_(image.channels() == 4 ? firstColour : 0),
      step_(static_cast<ptrdiff_t>(image.step[0])),
      interiorRight_(image.cols - 1),
      interiorBottom_(image.rows - 1) {
#if defined(__SSE2__)
    colourShift_ = _mm_cvtsi32_si128(8 * firstColour_);
#endif
}

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
    auto accumulate = [&](auto sample) {
        for (int k = 0; k < count; ++k) {
            const double t = kMargin + (1 - 2 * kMargin) * (k + 0.5) / count;
            const cv::Point2d c = a + (b - a) * t;
            const double in1 = sample(c.x - outward.x * near, c.y - outward.y * near);
            const double in2 = sample(c.x - outward.x * far, c.y - outward.y * far);
            const double out1 = sample(c.x + outward.x * near, c.y + outward.y * near);
            const double out2 = sample(c.x + outward.x * far, c.y + outward.y * far);
            if (in1 < 0 || in2 < 0 || out1 < 0 || out2 < 0) {
                continue;
            }
            contrast += (in1 + in2 - out1 - out2) / 2;
            if (std::min(in1, in2) - std::max(out1, out2) >= threshold) {
                ++brighter;
            } else if (std::min(out1, out2) - std::max(in1, in2) >= threshold) {
                ++darker;
            }
        }
    };
    // When the band around the whole side lies inside the image, no sample needs clamping.
    const cv::Point2d reach = outward * std::max(std::abs(near), std::abs(far));
    if (interior(a.x - reach.x, a.y - reach.y) && interior(a.x + reach.x, a.y + reach.y) &&
        interior(b.x - reach.x, b.y - reach.y) && interior(b.x + reach.x, b.y + reach.y)) {
        accumulate([this](double x, double y) { return sampleInterior(x, y); });
    } else {
        accumulate([this](double x, double y) { return brightness(x, y); });
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
    std::vector<double> profile(static_cast<size_t>(samples));
    std::vector<double> step(static_cast<size_t>(samples), 0.0);
    points.reserve(static_cast<size_t>(profiles));
    for (int k = 0; k < profiles; ++k) {
        const double t = search.margin + (1 - 2 * search.margin) * k / (profiles - 1);
        const cv::Point2d centre = a + (b - a) * t;
        // A profile whose outermost samples need no clamping is read without any checks.
        bool fast = false;
        const cv::Point2d reachOut = outward * static_cast<double>(reach + span);
        const cv::Point2d reachAlong = along * (search.averaging * search.averagingSpacing);
        if (interior(centre.x - reachOut.x - reachAlong.x, centre.y - reachOut.y - reachAlong.y) &&
            interior(centre.x - reachOut.x + reachAlong.x, centre.y - reachOut.y + reachAlong.y) &&
            interior(centre.x + reachOut.x - reachAlong.x, centre.y + reachOut.y - reachAlong.y) &&
            interior(centre.x + reachOut.x + reachAlong.x, centre.y + reachOut.y + reachAlong.y)) {
            fast = true;
            const double scale = 1.0 / (2 * search.averaging + 1);
            for (int j = 0; j < samples; ++j) {
                const cv::Point2d c = centre + outward * static_cast<double>(j - (reach + span));
                double sum = 0;
                for (int o = -search.averaging; o <= search.averaging; ++o) {
                    const cv::Point2d p = c + along * (o * search.averagingSpacing);
                    sum += sampleInterior(p.x, p.y);
                }
                profile[static_cast<size_t>(j)] = sum * scale;
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
            profile[static_cast<size_t>(j)] = sum / (2 * search.averaging + 1);
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
