#include "Platform/Vision/LineCandidates.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <opencv2/core/hal/hal.hpp>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>

namespace quorvel::platform::vision {

namespace {

// The region growing reads four pixels as one word, the first pixel in its lowest byte.
static_assert(std::endian::native == std::endian::little);

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
// `inliers` and `t` are working space, kept by the caller so that their memory serves every region.
void addStraightRuns(const std::vector<cv::Point>& region, double minimumLength,
                     std::vector<Segment>& segments, std::vector<cv::Point>& inliers,
                     std::vector<double>& t) {
    inliers = region;
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
        d = principalAxis(cxx, cxy, cyy);
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
    t.clear();
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

// Gradient direction, in degrees, of every edge pixel listed, in the order listed: `positions`
// holds each pixel's index in a frame one pixel wider than the image on every side (row stride
// `w + 2`), row by row, and `rowStarts[y]` where row y begins among them.
//
// The angles are cv::hal::fastAtan32f's. Its vector path and its scalar path (taken only for
// calls shorter than two vectors) can differ in the last bit, and each value's result does not
// depend on its neighbours in the call. So on images at least kWholeRows wide, where a call per
// image row would take the vector path for every pixel, one call over all edge pixels, padded
// to that length, gives the same angles; narrower images take a call per row as before.
std::vector<float> edgeAngles(const cv::Mat& dx, const cv::Mat& dy,
                              const std::vector<int32_t>& positions,
                              const std::vector<size_t>& rowStarts) {
    // At least two of the widest vectors OpenCV dispatches to.
    constexpr int kWholeRows = 64;
    const int w = dx.cols;
    const int h = dx.rows;
    const int stride = w + 2;
    const size_t count = positions.size();
    auto columnOf = [&](size_t k, int y) {
        return positions[k] - static_cast<int32_t>((y + 1) * stride + 1);
    };
    std::vector<float> angles;
    if (w >= kWholeRows) {
        const size_t padded = std::max(count, static_cast<size_t>(kWholeRows));
        std::vector<float> gradients(2 * padded, 0.0f);
        float* fx = gradients.data();
        float* fy = gradients.data() + padded;
        for (int y = 0; y < h; ++y) {
            const short* gx = dx.ptr<short>(y);
            const short* gy = dy.ptr<short>(y);
            for (size_t k = rowStarts[static_cast<size_t>(y)];
                 k < rowStarts[static_cast<size_t>(y) + 1]; ++k) {
                const int x = columnOf(k, y);
                fx[k] = gx[x];
                fy[k] = gy[x];
            }
        }
        angles.resize(padded);
        cv::hal::fastAtan32f(fy, fx, angles.data(), static_cast<int>(padded), true);
        angles.resize(count);
        return angles;
    }
    angles.resize(count);
    std::vector<float> rows(3 * static_cast<size_t>(w));
    float* fx = rows.data();
    float* fy = fx + w;
    float* rowAngles = fy + w;
    for (int y = 0; y < h; ++y) {
        const size_t first = rowStarts[static_cast<size_t>(y)];
        const size_t last = rowStarts[static_cast<size_t>(y) + 1];
        if (first == last) {
            continue;
        }
        const short* gx = dx.ptr<short>(y);
        const short* gy = dy.ptr<short>(y);
        for (int x = 0; x < w; ++x) {
            fx[x] = gx[x];
            fy[x] = gy[x];
        }
        cv::hal::fastAtan32f(fy, fx, rowAngles, w, true);
        for (size_t k = first; k < last; ++k) {
            angles[k] = rowAngles[columnOf(k, y)];
        }
    }
    return angles;
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
    const int stride = w + 2;
    std::vector<uint8_t> bins(static_cast<size_t>(stride) * (h + 2), kNone);
    uint8_t* const b = bins.data();
    // The edge pixels, in raster order, by their index in `bins`. Only they need a direction.
    std::vector<int32_t> positions;
    positions.reserve(static_cast<size_t>(cv::countNonZero(edges)));
    std::vector<size_t> rowStarts(static_cast<size_t>(h) + 1);
    constexpr int kBlock = cv::v_uint8x16::nlanes;
    const cv::v_uint8x16 zero = cv::v_setzero_u8();
    for (int y = 0; y < h; ++y) {
        rowStarts[static_cast<size_t>(y)] = positions.size();
        const uchar* e = edges.ptr<uchar>(y);
        const auto rowBase = static_cast<int32_t>((y + 1) * stride + 1);
        int x = 0;
        for (; x + kBlock <= w; x += kBlock) {
            unsigned mask = static_cast<unsigned>(cv::v_signmask(cv::v_load(e + x) != zero));
            while (mask != 0) {
                positions.push_back(rowBase + x + __builtin_ctz(mask));
                mask &= mask - 1;
            }
        }
        for (; x < w; ++x) {
            if (e[x]) {
                positions.push_back(rowBase + x);
            }
        }
    }
    rowStarts[static_cast<size_t>(h)] = positions.size();
    const std::vector<float> angles = edgeAngles(dx, dy, positions, rowStarts);
    // bin = trunc(angle * kBins / 360) mod kBins; fastAtan32f's angles lie in [0, 360).
    for (size_t k = 0; k < positions.size(); ++k) {
        b[positions[k]] =
            static_cast<uint8_t>(static_cast<int>(angles[k] * kBins / 360.0f) % kBins);
    }
    // The pixel at an index into `bins`, by a multiplication rather than a division: the
    // quotient from the reciprocal is off by at most one, and corrected.
    const double perRow = 1.0 / stride;
    auto pixelAt = [&](int32_t index) {
        int32_t row = static_cast<int32_t>(index * perRow);
        int32_t column = index - row * stride;
        if (column < 0) {
            --row;
            column += stride;
        } else if (column >= stride) {
            ++row;
            column -= stride;
        }
        return cv::Point(column - 1, row - 1);
    };
    std::vector<Segment> segments;
    std::vector<cv::Point> region;
    std::vector<cv::Point> inliers;
    std::vector<double> t;
    // Every pixel joins at most one region, so the queue never outgrows the edge pixels.
    // Left uninitialised: every slot is written before it is read.
    const std::unique_ptr<int32_t[]> queue(new int32_t[std::max<size_t>(1, positions.size())]);
    int32_t* const q = queue.get();
    // Seeds in raster order, as a scan of the whole frame would meet them.
    for (const int32_t i : positions) {
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
        // Four pixels at once: the top bit of each byte is set where the pixel is an edge pixel
        // not yet taken (kNone and kTaken have the top bit set, no bin has) and its bin is within
        // one of the seed's. With the top bit forced on, subtracting `below` never borrows from
        // the next byte, and adding 0x7d to a distance of at most 31 carries into the top bit
        // exactly when the distance exceeds 2.
        const uint32_t belowEach = below * 0x01010101u;
        auto growing = [&](const uint8_t* first) __attribute__((always_inline)) {
            uint32_t v;
            std::memcpy(&v, first, sizeof v);
            const uint32_t distance = ((v | 0x80808080u) - belowEach) & 0x1f1f1f1fu;
            return ~(distance + 0x7d7d7d7du) & ~v & 0x80808080u;
        };
        const auto s = static_cast<int32_t>(stride);
        for (size_t k = 0; k < count; ++k) {
            const int32_t p = q[k];
            // The three neighbours above, the two beside and the three below, in that order. The
            // row below is read from one pixel further left, which keeps the four bytes inside
            // the frame when p is next to its last pixel.
            for (uint32_t m = growing(b + p - s - 1) & 0x808080u; m != 0; m &= m - 1) {
                take(p - s - 1 + (std::countr_zero(m) >> 3));
            }
            for (uint32_t m = growing(b + p - 1) & 0x800080u; m != 0; m &= m - 1) {
                take(p - 1 + (std::countr_zero(m) >> 3));
            }
            for (uint32_t m = growing(b + p + s - 2) & 0x80808000u; m != 0; m &= m - 1) {
                take(p + s - 2 + (std::countr_zero(m) >> 3));
            }
        }
        if (static_cast<double>(count) < minimumLength) {
            continue;
        }
        region.clear();
        cv::Point low(w, h);
        cv::Point high(-1, -1);
        for (size_t k = 0; k < count; ++k) {
            const cv::Point point = pixelAt(q[k]);
            low = cv::Point(std::min(low.x, point.x), std::min(low.y, point.y));
            high = cv::Point(std::max(high.x, point.x), std::max(high.y, point.y));
            region.push_back(point);
        }
        // No run along any line is longer than the region's bounding box is across.
        const cv::Point extent = high - low;
        if (extent.x * extent.x + extent.y * extent.y < minimumLength * minimumLength) {
            continue;
        }
        addStraightRuns(region, minimumLength, segments, inliers, t);
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
                    if (!ok) {
                        continue;
                    }
                    // The cheapest test first: most pairings leave a side all but uncovered.
                    double sum = 0;
                    double weakest = 1;
                    for (size_t s = 0; s < 4 && weakest >= kMinimumCoverage; ++s) {
                        const double c =
                            std::min(1.0, coverage(*sides[s], quad[s], quad[(s + 1) % 4]));
                        sum += c;
                        weakest = std::min(weakest, c);
                    }
                    if (weakest < kMinimumCoverage || !isConvex(quad) ||
                        maximumCornerDeviation(quad) > limits.angleTolerance) {
                        continue;
                    }
                    const auto [w, h] = meanSideLengths(quad);
                    if (std::min(w, h) >= limits.minimumExtent) {
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
                    const cv::Point2d d = p - r;
                    nearest = std::min(nearest, d.dot(d));
                }
                worst = std::max(worst, nearest);
            }
            if (worst < 3 * 3) {  // squared distances
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
