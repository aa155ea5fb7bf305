#include "Platform/Vision/QuadGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel::platform::vision {

namespace {

double cross(cv::Point2d a, cv::Point2d b) {
    return a.x * b.y - a.y * b.x;
}

// Image coordinates are far too small for the square to overflow, so this skips the care (and
// the cost) of std::hypot: the shape tests call it for every outline considered.
double length(cv::Point2d v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

}  // namespace

std::optional<cv::Point2d> intersect(const Line& a, const Line& b) {
    const double denominator = cross(a.direction, b.direction);
    if (std::abs(denominator) < 1e-9) {
        return std::nullopt;
    }
    const double t = cross(b.point - a.point, b.direction) / denominator;
    return a.point + a.direction * t;
}

double distance(const Line& line, cv::Point2d p) {
    return std::abs(cross(line.direction, p - line.point));
}

cv::Point2d principalAxis(double cxx, double cxy, double cyy) {
    // The axis at half the angle of (cxx - cyy, 2 cxy).
    const double c2 = cxx - cyy;
    const double s2 = 2 * cxy;
    const double r = std::hypot(c2, s2);
    if (!(r > 0)) {
        return {1, 0};
    }
    const double cosine = std::sqrt(std::max(0.0, 0.5 * (1 + c2 / r)));
    const double sine = std::sqrt(std::max(0.0, 0.5 * (1 - c2 / r)));
    return {cosine, s2 < 0 ? -sine : sine};
}

double signedArea(const Quad& quad) {
    double area = 0;
    for (size_t i = 0; i < 4; ++i) {
        area += cross(quad[i], quad[(i + 1) % 4]);
    }
    return area / 2;
}

bool isConvex(const Quad& quad) {
    int sign = 0;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Point2d a = quad[(i + 1) % 4] - quad[i];
        const cv::Point2d b = quad[(i + 2) % 4] - quad[(i + 1) % 4];
        if (length(a) < 1e-6) {
            return false;
        }
        const double z = cross(a, b);
        if (std::abs(z) < 1e-9) {
            return false;
        }
        const int s = z > 0 ? 1 : -1;
        if (sign != 0 && s != sign) {
            return false;
        }
        sign = s;
    }
    return true;
}

double maximumCornerDeviation(const Quad& quad) {
    double worst = 0;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Point2d a = quad[(i + 3) % 4] - quad[i];
        const cv::Point2d b = quad[(i + 1) % 4] - quad[i];
        const double la = length(a);
        const double lb = length(b);
        if (la < 1e-9 || lb < 1e-9) {
            return 90;
        }
        const double c = std::clamp(a.dot(b) / (la * lb), -1.0, 1.0);
        worst = std::max(worst, std::abs(std::acos(c) * 180 / CV_PI - 90));
    }
    return worst;
}

std::pair<double, double> meanSideLengths(const Quad& quad) {
    const double s01 = length(quad[1] - quad[0]);
    const double s12 = length(quad[2] - quad[1]);
    const double s23 = length(quad[3] - quad[2]);
    const double s30 = length(quad[0] - quad[3]);
    return {(s01 + s23) / 2, (s12 + s30) / 2};
}

double maximumCornerDistance(const Quad& a, const Quad& b) {
    double worst = 0;
    for (size_t i = 0; i < 4; ++i) {
        worst = std::max(worst, length(a[i] - b[i]));
    }
    return worst;
}

Quad orderCorners(const Quad& quad) {
    Quad q = quad;
    if (signedArea(q) < 0) {
        std::swap(q[1], q[3]);
    }
    size_t best = 0;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (size_t start = 0; start < 4; ++start) {
        const cv::Point2d top = q[(start + 1) % 4] - q[start];
        const cv::Point2d bottom = q[(start + 2) % 4] - q[(start + 3) % 4];
        const double lt = length(top);
        const double lb = length(bottom);
        if (lt < 1e-12 || lb < 1e-12) {
            continue;
        }
        // Cosine of each edge's angle with +x; ties (exactly 45 degrees) go to the corner
        // nearest the image's top-left.
        const double score = top.x / lt + bottom.x / lb;
        const double tieBreak = -(q[start].x + q[start].y) * 1e-12;
        if (score + tieBreak > bestScore) {
            bestScore = score + tieBreak;
            best = start;
        }
    }
    Quad ordered;
    for (size_t i = 0; i < 4; ++i) {
        ordered[i] = q[(best + i) % 4];
    }
    return ordered;
}

std::optional<Quad> enclosingQuad(const std::vector<cv::Point2d>& convexPolygon) {
    std::vector<cv::Point2d> poly = convexPolygon;
    if (poly.size() < 4) {
        return std::nullopt;
    }
    // Work in screen-clockwise order so "outward" is the same side for every edge.
    double area = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        area += cross(poly[i], poly[(i + 1) % poly.size()]);
    }
    if (area < 0) {
        std::reverse(poly.begin(), poly.end());
    }
    while (poly.size() > 4) {
        const size_t n = poly.size();
        double bestAdded = std::numeric_limits<double>::infinity();
        size_t bestEdge = n;
        cv::Point2d bestPoint;
        for (size_t i = 0; i < n; ++i) {
            const cv::Point2d& before = poly[(i + n - 1) % n];
            const cv::Point2d& a = poly[i];
            const cv::Point2d& b = poly[(i + 1) % n];
            const cv::Point2d& after = poly[(i + 2) % n];
            const cv::Point2d d1 = a - before;
            const cv::Point2d d2 = b - after;
            const double denominator = cross(d1, d2);
            if (std::abs(denominator) < 1e-12) {
                continue;
            }
            // Extend edge (before, a) past a and edge (after, b) past b; they must meet ahead.
            const double t = cross(b - a, d2) / denominator;
            const double u = cross(b - a, d1) / denominator;
            if (t < 0 || u < 0) {
                continue;
            }
            const cv::Point2d x = a + d1 * t;
            const double added = std::abs(cross(x - a, b - a)) / 2;
            if (added < bestAdded) {
                bestAdded = added;
                bestEdge = i;
                bestPoint = x;
            }
        }
        if (bestEdge == n) {
            return std::nullopt;
        }
        poly[bestEdge] = bestPoint;
        poly.erase(poly.begin() + static_cast<std::ptrdiff_t>((bestEdge + 1) % n));
    }
    return Quad{poly[0], poly[1], poly[2], poly[3]};
}

}  // namespace quorvel::platform::vision

namespace quorvel::platform::vision {

namespace {

// Without a starting line: of the lines through evenly spread pairs of points, the one with the
// most points within `band`.
std::optional<Line> consensusLine(const std::vector<EdgePoint>& points, double band) {
    const size_t n = points.size();
    const size_t tries = std::min<size_t>(48, n * (n - 1) / 2);
    std::optional<Line> best;
    size_t bestCount = 0;
    for (size_t k = 0; k < tries; ++k) {
        const size_t i = (k * 7919) % n;
        const size_t j = (i + 1 + (k * 104729) % (n - 1)) % n;
        const cv::Point2d d = points[j].position - points[i].position;
        const double length = std::hypot(d.x, d.y);
        if (length < 1e-9) {
            continue;
        }
        const Line candidate{points[i].position, d / length};
        size_t count = 0;
        for (const EdgePoint& p : points) {
            count += distance(candidate, p.position) <= band ? 1 : 0;
        }
        if (count > bestCount) {
            bestCount = count;
            best = candidate;
        }
    }
    return best;
}

}  // namespace

std::optional<Line> fitLineRobust(const std::vector<EdgePoint>& points, double cutoff,
                                  const std::optional<Line>& start,
                                  std::vector<EdgePoint>* inliers) {
    if (points.size() < 2) {
        return std::nullopt;
    }
    std::optional<Line> line = start ? start : consensusLine(points, 4 * cutoff);
    if (!line) {
        return std::nullopt;
    }
    // Start the re-weighting generously, then tighten to the cutoff. Each round weighs every
    // point by its distance from the current line (Tukey's biweight) and takes the principal
    // axis of the weighted points, its sums all from one pass: taken relative to the first
    // point, which keeps them small.
    const cv::Point2d origin = points.front().position;
    const std::array<double, 5> scales{4.0, 2.0, 1.0, 1.0, 1.0};
    for (double scale : scales) {
        const double c = cutoff * scale;
        int used = 0;
        double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
        for (const EdgePoint& point : points) {
            const double r = distance(*line, point.position) / c;
            if (r >= 1) {
                continue;
            }
            const double w = (1 - r * r) * (1 - r * r);
            const cv::Point2d d = point.position - origin;
            ++used;
            sw += w;
            sx += w * d.x;
            sy += w * d.y;
            sxx += w * d.x * d.x;
            sxy += w * d.x * d.y;
            syy += w * d.y * d.y;
        }
        if (used < 2) {
            break;
        }
        if (sw <= 1e-9) {
            continue;
        }
        const cv::Point2d mean(sx / sw, sy / sw);
        const cv::Point2d direction =
            principalAxis(sxx - sx * mean.x, sxy - sx * mean.y, syy - sy * mean.y);
        line = Line{origin + mean, direction};
    }
    int kept = 0;
    if (inliers) {
        inliers->clear();
    }
    for (const EdgePoint& p : points) {
        if (distance(*line, p.position) <= cutoff) {
            ++kept;
            if (inliers) {
                inliers->push_back(p);
            }
        }
    }
    if (kept < 2) {
        return std::nullopt;
    }
    return line;
}

}  // namespace quorvel::platform::vision
