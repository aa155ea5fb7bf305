#include "Platform/Vision/LineCandidates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <opencv2/core/hal/hal.hpp>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

namespace quorvel::platform::vision {

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
        // Exact integer moments, then the principal axis in closed form.
        int64_t sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
        for (const cv::Point& p : inliers) {
            sx += p.x;
            sy += p.y;
            sxx += static_cast<int64_t>(p.x) * p.x;
            sxy += static_cast<int64_t>(p.x) * p.y;
            syy += static_cast<int64_t>(p.y) * p.y;
        }
        const auto n = static_cast<int64_t>(inliers.size());
        const double scale = 1.0 / static_cast<double>(n);
        centre = cv::Point2d(static_cast<double>(sx) * scale, static_cast<double>(sy) * scale);
        // n times the centred second moments.
        const double cxx = static_cast<double>(n * sxx - sx * sx) * scale;
        const double cxy = static_cast<double>(n * sxy - sx * sy) * scale;
        const double cyy = static_cast<double>(n * syy - sy * sy) * scale;
        // The axis at half the angle of (cxx - cyy, 2 cxy).
        const double c2 = cxx - cyy;
        const double s2 = 2 * cxy;
        const double r = std::hypot(c2, s2);
        if (r > 0) {
            const double cosine = std::sqrt(std::max(0.0, 0.5 * (1 + c2 / r)));
            const double sine = std::sqrt(std::max(0.0, 0.5 * (1 - c2 / r)));
            d = cv::Point2d(cosine, s2 < 0 ? -sine : sine);
        } else {
            d = cv::Point2d(1, 0);
        }
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
    // Direction bin of every edge pixel, kNone elsewhere, with a one-pixel frame of kNone around
    // the image so that neighbours never need a bounds check. Pixels taken into a region become
    // kTaken.
    constexpr uint8_t kNone = 0xff;
    constexpr uint8_t kTaken = 0xfe;
    // Both kNone and kTaken have all these bits set in every byte; no bin has.
    constexpr uint64_t kNoneOrTaken = 0xfefefefefefefefeull;
    const int stride = w + 2;
    std::vector<uint8_t> bins(static_cast<size_t>(stride) * (h + 2), kNone);
    // Gradient directions a row at a time, in degrees.
    std::vector<float> fx(static_cast<size_t>(w));
    std::vector<float> fy(static_cast<size_t>(w));
    std::vector<float> angles(static_cast<size_t>(w));
    constexpr int kLanes = cv::v_float32x4::nlanes;
    for (int y = 0; y < h; ++y) {
        const uchar* e = edges.ptr<uchar>(y);
        const short* gx = dx.ptr<short>(y);
        const short* gy = dy.ptr<short>(y);
        int x = 0;
        for (; x + kLanes <= w; x += kLanes) {
            cv::v_store(fx.data() + x, cv::v_cvt_f32(cv::v_load_expand(gx + x)));
            cv::v_store(fy.data() + x, cv::v_cvt_f32(cv::v_load_expand(gy + x)));
        }
        for (; x < w; ++x) {
            fx[static_cast<size_t>(x)] = gx[x];
            fy[static_cast<size_t>(x)] = gy[x];
        }
        cv::hal::fastAtan32f(fy.data(), fx.data(), angles.data(), w, true);
        uint8_t* b = bins.data() + static_cast<ptrdiff_t>(y + 1) * stride + 1;
        // bin = trunc(angle * kBins / 360) mod kBins on edge pixels (edges are 0 or 255), kNone
        // elsewhere.
        const cv::v_float32x4 binsPerTurn = cv::v_setall_f32(static_cast<float>(kBins));
        const cv::v_float32x4 turn = cv::v_setall_f32(360.0f);
        x = 0;
        for (; x + 16 <= w; x += 16) {
            std::array<cv::v_int32x4, 4> quotient;
            for (size_t k = 0; k < 4; ++k) {
                const cv::v_float32x4 a = cv::v_load(angles.data() + x + 4 * static_cast<int>(k));
                quotient[k] = cv::v_trunc(a * binsPerTurn / turn);
            }
            const cv::v_uint8x16 bin = cv::v_pack_u(cv::v_pack(quotient[0], quotient[1]),
                                                    cv::v_pack(quotient[2], quotient[3])) &
                                       cv::v_setall_u8(kBins - 1);
            cv::v_store(b + x, bin | ~cv::v_load(e + x));
        }
        for (; x < w; ++x) {
            if (e[x]) {
                const float angle = angles[static_cast<size_t>(x)];
                b[x] = static_cast<uint8_t>(static_cast<int>(angle * kBins / 360.0f) % kBins);
            }
        }
    }
    std::vector<Segment> segments;
    std::vector<cv::Point> region;
    const ptrdiff_t end = static_cast<ptrdiff_t>(stride) * (h + 1);
    uint8_t* const b = bins.data();
    // Every pixel joins at most one region, so the queue never outgrows the image.
    // Left uninitialised: every slot is written before it is read.
    const std::unique_ptr<int32_t[]> queue(new int32_t[bins.size()]);
    int32_t* const q = queue.get();
    for (ptrdiff_t i = stride; i < end; ++i) {
        // Whole words of pixels that are not edges or already taken are passed over at once.
        uint64_t word;
        while (i + 8 <= end &&
               (std::memcpy(&word, b + i, 8), (word & kNoneOrTaken) == kNoneOrTaken)) {
            i += 8;
        }
        if (i >= end) {
            break;
        }
        const uint8_t seed = b[i];
        if (seed >= kBins) {
            continue;
        }
        // The region is the set of pixels reachable from the seed through pixels within one bin
        // of the seed's, whatever the order of the search, so it doubles as the queue.
        size_t count = 0;
        q[count++] = static_cast<int32_t>(i);
        b[i] = kTaken;
        // A bin is within one of the seed's (the bins wrap around) when its distance from the
        // bin below the seed's, taken modulo kBins, is at most 2.
        const uint8_t below = static_cast<uint8_t>(seed + kBins - 1);
        auto take = [&](int32_t n) {
            b[n] = kTaken;
            q[count++] = n;
        };
        auto grow = [&](int32_t n) __attribute__((always_inline)) {
            const uint8_t bin = b[n];
            if (bin < kBins && ((bin - below) & (kBins - 1)) <= 2) {
                take(n);
            }
        };
        const auto s = static_cast<int32_t>(stride);
        for (size_t k = 0; k < count; ++k) {
            const int32_t p = q[k];
            grow(p - s - 1);
            grow(p - s);
            grow(p - s + 1);
            grow(p - 1);
            grow(p + 1);
            grow(p + s - 1);
            grow(p + s);
            grow(p + s + 1);
        }
        if (static_cast<double>(count) < minimumLength) {
            continue;
        }
        region.clear();
        cv::Point low(w, h);
        cv::Point high(-1, -1);
        for (size_t k = 0; k < count; ++k) {
            const cv::Point point(q[k] % stride - 1, q[k] / stride - 1);
            low = cv::Point(std::min(low.x, point.x), std::min(low.y, point.y));
            high = cv::Point(std::max(high.x, point.x), std::max(high.y, point.y));
            region.push_back(point);
        }
        // No run along any line is longer than the region's bounding box is across.
        const cv::Point extent = high - low;
        if (extent.x * extent.x + extent.y * extent.y < minimumLength * minimumLength) {
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
    // Groups indexed by direction, in bins wider than kAngle: a segment can only join a group
    // from its own bin or the two next to it (the directions wrap around at pi).
    constexpr int kDirectionBins = 64;
    static_assert(CV_PI / kDirectionBins > kAngle);
    std::array<std::vector<size_t>, kDirectionBins> byDirection;
    auto directionBin = [](double angle) {
        return std::clamp(static_cast<int>(angle / CV_PI * kDirectionBins), 0, kDirectionBins - 1);
    };
    std::vector<LineGroup> groups;
    for (const Segment& s : sorted) {
        if (s.length < 1) {
            continue;
        }
        const cv::Point2d d = (s.b - s.a) / s.length;
        const double angle = lineAngle(d);
        const int bin = directionBin(angle);
        // The first group made that takes the segment.
        size_t first = groups.size();
        for (const int offset : {-1, 0, 1}) {
            const auto& members =
                byDirection[static_cast<size_t>((bin + offset + kDirectionBins) % kDirectionBins)];
            for (const size_t index : members) {
                if (index >= first) {
                    break;
                }
                const LineGroup& g = groups[index];
                if (angleBetween(g.angle, angle) < kAngle && distance(g.line, s.a) < kOffset &&
                    distance(g.line, s.b) < kOffset) {
                    first = index;
                    break;
                }
            }
        }
        if (first == groups.size()) {
            groups.push_back({Line{(s.a + s.b) / 2, d}, {}, 0, angle});
            byDirection[static_cast<size_t>(bin)].push_back(first);
        }
        LineGroup* home = &groups[first];
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
    std::vector<LineGroup> all = groupSegments(findSegments(edges, dx, dy, minimumLength));
    const std::vector<LineGroup> groups = selectLines(all, limits.maximumLines);
    if (all.size() > limits.maximumClosingLines) {
        all.resize(limits.maximumClosingLines);
    }

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
        const LineGroup* line;
        double coverage;  // share of the stretch between the pair that segments cover
        double position;  // where it crosses the first line of the pair, along that line
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
            // Lines beyond the selected ones may close the pair: the ends of a receipt are short,
            // and the print across a page can be stronger than its edges.
            for (const LineGroup& b : all) {
                if (angleBetween(a1.angle, b.angle) < minimumCross ||
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
                    crossings.push_back({&b, c, project(a1.line, *x1)});
                }
            }
            std::sort(crossings.begin(), crossings.end(),
                      [](const Crossing& x, const Crossing& y) { return x.coverage > y.coverage; });
            if (crossings.size() > kCrossing) {
                // The best covered ones, and the two outermost: the ends of a page can be fainter
                // than the print across it.
                const auto [first, last] = std::minmax_element(
                    crossings.begin(), crossings.end(),
                    [](const Crossing& x, const Crossing& y) { return x.position < y.position; });
                const Crossing low = *first;
                const Crossing high = *last;
                crossings.resize(kCrossing);
                for (const Crossing& end : {low, high}) {
                    if (std::none_of(crossings.begin(), crossings.end(),
                                     [&](const Crossing& c) { return c.line == end.line; })) {
                        crossings.push_back(end);
                    }
                }
            }
            for (size_t p = 0; p < crossings.size(); ++p) {
                for (size_t q = p + 1; q < crossings.size(); ++q) {
                    const std::array<const LineGroup*, 4> sides{&a1, crossings[p].line, &a2,
                                                                crossings[q].line};
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

}  // namespace quorvel::platform::vision
