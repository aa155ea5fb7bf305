#include "Platform/Vision/LineCandidates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace platform::vision {

namespace {

struct LineGroup {
    Line line;
    std::vector<std::pair<double, double>> covered;  // merged intervals along the line
    double strength = 0;                             // total covered length
    double angle = 0;                                // direction in [0, pi)
};

double lineAngle(cv::Point2d d) {
    double a = std::atan2(d.y, d.x);
    if (a < 0) {
        a += CV_PI;
    }
    if (a >= CV_PI) {
        a -= CV_PI;
    }
    return a;
}

double angleBetween(double a, double b) {
    const double d = std::abs(a - b);
    return std::min(d, CV_PI - d);
}

double project(const Line& line, cv::Point2d p) {
    return (p - line.point).dot(line.direction);
}

void mergeIntervals(std::vector<std::pair<double, double>>& intervals) {
    std::sort(intervals.begin(), intervals.end());
    std::vector<std::pair<double, double>> merged;
    for (const auto& interval : intervals) {
        if (!merged.empty() && interval.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, interval.second);
        } else {
            merged.push_back(interval);
        }
    }
    intervals = std::move(merged);
}

struct Segment {
    cv::Point2d a, b;
    double length;
};

// Fits a line to a region of edge pixels (least squares, then twice more to the pixels within
// 1.5 px of it) and adds every dense run of those pixels along the line as a segment. Texture
// pixels that cling to a straight edge are dropped instead of spoiling it.
void addStraightRuns(const std::vector<cv::Point>& region, double minimumLength,
                     std::vector<Segment>& segments) {
    std::vector<cv::Point> inliers = region;
    cv::Point2d centre;
    cv::Point2d d;
    for (int pass = 0; pass < 3; ++pass) {
        if (inliers.size() < 2) {
            return;
        }
        double mx = 0, my = 0;
        for (const cv::Point& p : inliers) {
            mx += p.x;
            my += p.y;
        }
        const double n = static_cast<double>(inliers.size());
        centre = cv::Point2d(mx / n, my / n);
        double cxx = 0, cxy = 0, cyy = 0;
        for (const cv::Point& p : inliers) {
            cxx += (p.x - centre.x) * (p.x - centre.x);
            cxy += (p.x - centre.x) * (p.y - centre.y);
            cyy += (p.y - centre.y) * (p.y - centre.y);
        }
        const double angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);
        d = cv::Point2d(std::cos(angle), std::sin(angle));
        inliers.clear();
        for (const cv::Point& p : region) {
            const double s = -(p.x - centre.x) * d.y + (p.y - centre.y) * d.x;
            if (std::abs(s) <= 1.5) {
                inliers.push_back(p);
            }
        }
    }
    if (static_cast<double>(inliers.size()) < minimumLength) {
        return;
    }
    std::vector<double> t;
    t.reserve(inliers.size());
    for (const cv::Point& p : inliers) {
        t.push_back((p.x - centre.x) * d.x + (p.y - centre.y) * d.y);
    }
    std::sort(t.begin(), t.end());
    size_t first = 0;
    for (size_t i = 1; i <= t.size(); ++i) {
        if (i == t.size() || t[i] - t[i - 1] > 3) {
            const double length = t[i - 1] - t[first];
            const double count = static_cast<double>(i - first);
            if (length >= minimumLength && count >= 0.5 * length) {
                segments.push_back({centre + d * t[first], centre + d * t[i - 1], length});
            }
            first = i;
        }
    }
}

// Straight runs of edge pixels: pixels are grown into regions whose gradient direction stays
// within one bin of the seed's, and each region that is long and thin enough becomes a segment.
std::vector<Segment> findSegments(const cv::Mat& edges, const cv::Mat& dx, const cv::Mat& dy,
                                  double minimumLength) {
    constexpr int kBins = 32;
    const int w = edges.cols;
    const int h = edges.rows;
    // Direction bin of every edge pixel, -1 elsewhere, with a one-pixel frame of -1 around the
    // image so that neighbours never need a bounds check.
    const int stride = w + 2;
    std::vector<int8_t> bins(static_cast<size_t>(stride) * (h + 2), -1);
    for (int y = 0; y < h; ++y) {
        const uchar* e = edges.ptr<uchar>(y);
        const short* gx = dx.ptr<short>(y);
        const short* gy = dy.ptr<short>(y);
        int8_t* b = bins.data() + static_cast<ptrdiff_t>(y + 1) * stride + 1;
        for (int x = 0; x < w; ++x) {
            if (e[x]) {
                const float angle = cv::fastAtan2(gy[x], gx[x]);
                b[x] = static_cast<int8_t>(static_cast<int>(angle * kBins / 360.0f) % kBins);
            }
        }
    }
    const std::array<ptrdiff_t, 8> neighbours{-stride - 1, -stride,    -stride + 1, -1,
                                              1,           stride - 1, stride,      stride + 1};
    std::vector<Segment> segments;
    std::vector<cv::Point> region;
    std::vector<ptrdiff_t> stack;
    const ptrdiff_t end = static_cast<ptrdiff_t>(stride) * (h + 1);
    for (ptrdiff_t i = stride; i < end; ++i) {
        const int seed = bins[static_cast<size_t>(i)];
        if (seed < 0) {
            continue;
        }
        region.clear();
        stack.clear();
        stack.push_back(i);
        bins[static_cast<size_t>(i)] = -2;
        while (!stack.empty()) {
            const ptrdiff_t p = stack.back();
            stack.pop_back();
            region.emplace_back(static_cast<int>(p % stride) - 1, static_cast<int>(p / stride) - 1);
            for (const ptrdiff_t offset : neighbours) {
                int8_t& bin = bins[static_cast<size_t>(p + offset)];
                if (bin < 0) {
                    continue;
                }
                const int d = std::abs(bin - seed);
                if (std::min(d, kBins - d) <= 1) {
                    bin = -2;
                    stack.push_back(p + offset);
                }
            }
        }
        if (static_cast<double>(region.size()) < minimumLength) {
            continue;
        }
        addStraightRuns(region, minimumLength, segments);
    }
    return segments;
}

std::vector<LineGroup> groupSegments(std::vector<Segment> sorted) {
    std::sort(sorted.begin(), sorted.end(),
              [](const Segment& x, const Segment& y) { return x.length > y.length; });

    constexpr double kAngle = 2.5 * CV_PI / 180;
    constexpr double kOffset = 2.0;
    std::vector<LineGroup> groups;
    for (const Segment& s : sorted) {
        if (s.length < 1) {
            continue;
        }
        const cv::Point2d d = (s.b - s.a) / s.length;
        const double angle = lineAngle(d);
        LineGroup* home = nullptr;
        for (LineGroup& g : groups) {
            if (angleBetween(g.angle, angle) < kAngle && distance(g.line, s.a) < kOffset &&
                distance(g.line, s.b) < kOffset) {
                home = &g;
                break;
            }
        }
        if (!home) {
            groups.push_back({Line{(s.a + s.b) / 2, d}, {}, 0, angle});
            home = &groups.back();
        }
        double t1 = project(home->line, s.a);
        double t2 = project(home->line, s.b);
        if (t1 > t2) {
            std::swap(t1, t2);
        }
        home->covered.emplace_back(t1, t2);
    }
    for (LineGroup& g : groups) {
        mergeIntervals(g.covered);
        for (const auto& [t1, t2] : g.covered) {
            g.strength += t2 - t1;
        }
    }
    std::sort(groups.begin(), groups.end(),
              [](const LineGroup& x, const LineGroup& y) { return x.strength > y.strength; });
    return groups;
}

// Share of the stretch between two points of the line that segments cover (ends left out).
double coverage(const LineGroup& g, cv::Point2d from, cv::Point2d to) {
    double t1 = project(g.line, from);
    double t2 = project(g.line, to);
    if (t1 > t2) {
        std::swap(t1, t2);
    }
    const double margin = 0.05 * (t2 - t1);
    t1 += margin;
    t2 -= margin;
    if (t2 <= t1) {
        return 0;
    }
    double covered = 0;
    for (const auto& [a, b] : g.covered) {
        covered += std::max(0.0, std::min(b, t2) - std::max(a, t1));
    }
    return covered / (t2 - t1);
}

// The strongest lines, but a few from every direction, so that the short sides of a small page
// are not crowded out by a texture of long parallel lines.
std::vector<LineGroup> selectLines(std::vector<LineGroup> groups, size_t maximum) {
    constexpr int kBins = 12;
    constexpr size_t kPerBin = 4;
    std::array<size_t, kBins> taken{};
    std::vector<LineGroup> selected;
    std::vector<bool> used(groups.size(), false);
    for (size_t i = 0; i < groups.size() && selected.size() < maximum; ++i) {
        const int bin = std::min(kBins - 1, static_cast<int>(groups[i].angle / CV_PI * kBins));
        if (taken[static_cast<size_t>(bin)] < kPerBin) {
            ++taken[static_cast<size_t>(bin)];
            selected.push_back(groups[i]);
            used[i] = true;
        }
    }
    for (size_t i = 0; i < groups.size() && selected.size() < maximum; ++i) {
        if (!used[i]) {
            selected.push_back(groups[i]);
        }
    }
    return selected;
}

}  // namespace

std::vector<Quad> lineCandidates(const cv::Mat& edges, const cv::Mat& dx, const cv::Mat& dy,
                                 const LineQuadLimits& limits) {
    const double minimumLength = std::max(6.0, limits.minimumExtent * 0.2);
    const std::vector<LineGroup> groups =
        selectLines(groupSegments(findSegments(edges, dx, dy, minimumLength)), limits.maximumLines);

    const cv::Size size = edges.size();
    auto inside = [&](cv::Point2d p) {
        const double s = limits.outsideSlack;
        return p.x >= -s && p.y >= -s && p.x <= size.width - 1 + s && p.y <= size.height - 1 + s;
    };
    const double maxOpposite = 50 * CV_PI / 180;
    const double minimumCross = (90 - limits.angleTolerance) * CV_PI / 180;
    constexpr size_t kCrossing = 5;
    constexpr double kMinimumCoverage = 0.2;

    struct Crossing {
        size_t line;
        double coverage;
    };
    struct Scored {
        Quad quad;
        double score;
    };
    std::vector<Scored> scored;
    std::vector<Crossing> crossings;
    for (size_t i = 0; i < groups.size(); ++i) {
        for (size_t j = i + 1; j < groups.size(); ++j) {
            const LineGroup& a1 = groups[i];
            const LineGroup& a2 = groups[j];
            if (angleBetween(a1.angle, a2.angle) > maxOpposite ||
                distance(a1.line, a2.line.point) < limits.minimumExtent) {
                continue;
            }
            // Lines that could close the pair into a quadrilateral, by how much of the stretch
            // between the pair they cover.
            crossings.clear();
            for (size_t k = 0; k < groups.size(); ++k) {
                const LineGroup& b = groups[k];
                if (k == i || k == j || angleBetween(a1.angle, b.angle) < minimumCross ||
                    angleBetween(a2.angle, b.angle) < minimumCross) {
                    continue;
                }
                const auto x1 = intersect(a1.line, b.line);
                const auto x2 = intersect(a2.line, b.line);
                if (!x1 || !x2 || !inside(*x1) || !inside(*x2)) {
                    continue;
                }
                const double c = coverage(b, *x1, *x2);
                if (c >= kMinimumCoverage) {
                    crossings.push_back({k, c});
                }
            }
            std::sort(crossings.begin(), crossings.end(),
                      [](const Crossing& x, const Crossing& y) { return x.coverage > y.coverage; });
            if (crossings.size() > kCrossing) {
                crossings.resize(kCrossing);
            }
            for (size_t p = 0; p < crossings.size(); ++p) {
                for (size_t q = p + 1; q < crossings.size(); ++q) {
                    const std::array<const LineGroup*, 4> sides{&a1, &groups[crossings[p].line],
                                                                &a2, &groups[crossings[q].line]};
                    Quad quad;
                    bool ok = true;
                    for (size_t s = 0; s < 4 && ok; ++s) {
                        const auto corner = intersect(sides[(s + 3) % 4]->line, sides[s]->line);
                        ok = corner.has_value();
                        if (ok) {
                            quad[s] = *corner;
                        }
                    }
                    if (!ok || !isConvex(quad) ||
                        maximumCornerDeviation(quad) > limits.angleTolerance) {
                        continue;
                    }
                    const auto [w, h] = meanSideLengths(quad);
                    if (std::min(w, h) < limits.minimumExtent) {
                        continue;
                    }
                    double sum = 0;
                    double weakest = 1;
                    for (size_t s = 0; s < 4; ++s) {
                        const double c =
                            std::min(1.0, coverage(*sides[s], quad[s], quad[(s + 1) % 4]));
                        sum += c;
                        weakest = std::min(weakest, c);
                    }
                    if (weakest >= kMinimumCoverage) {
                        scored.push_back({quad, 0.5 * sum / 4 + 0.5 * weakest});
                    }
                }
            }
        }
    }
    std::sort(scored.begin(), scored.end(),
              [](const Scored& x, const Scored& y) { return x.score > y.score; });
    std::vector<Quad> out;
    for (const Scored& s : scored) {
        if (out.size() >= limits.maximumQuads) {
            break;
        }
        bool duplicate = false;
        for (const Quad& o : out) {
            double worst = 0;
            for (const cv::Point2d& p : s.quad) {
                double nearest = 1e18;
                for (const cv::Point2d& r : o) {
                    nearest = std::min(nearest, std::hypot(p.x - r.x, p.y - r.y));
                }
                worst = std::max(worst, nearest);
            }
            if (worst < 3) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate) {
            out.push_back(s.quad);
        }
    }
    return out;
}

}  // namespace platform::vision
