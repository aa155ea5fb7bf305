#include "Platform/Vision/QuadrilateralFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>

#include "Platform/Vision/EdgeEvidence.h"
#include "Platform/Vision/GradientEdges.h"
#include "Platform/Vision/LineCandidates.h"
#include "Platform/Vision/NestedOutlines.h"
#include "Platform/Vision/PaperAndGray.h"
#include "Platform/Vision/QuadGeometry.h"
#include "Platform/Vision/WideVectors.h"

namespace quorvel::platform {

namespace {

using vision::EdgeEvidence;
using vision::EdgePoint;
using vision::EdgeSearch;
using vision::Line;
using vision::Quad;

// The search runs on a copy halved until its long side is at most this many pixels.
constexpr int kWorkingLongSide = 720;
// Smallest image side worth searching.
constexpr int kMinimumImageSide = 16;
// Smallest brightness step (0...255) that counts as edge evidence on the working copy.
constexpr double kStepThreshold = 4;
// Rough candidates kept for refinement, and when an outline of straight edges is clean.
constexpr size_t kRefinedCandidates = 8;
constexpr size_t kRefinedWhenClean = 4;
// Working pixels a fine refinement pass may move a corner by and still count as converged.
constexpr double kSettled = 0.05;
// A quadrilateral needs at least this confidence to be reported at all.
constexpr double kAcceptance = 0.5;
// Distance between samples along a side when rough outlines are only being ranked, in pixels.
constexpr double kRankingSpacing = 3;
// A rough outline assembled from straight edges with at least this ranking score is clean
// enough that luma edges and bright regions are not searched.
constexpr double kClean = 0.97;
// The first look at half the working size needs a working copy whose short side is at least
// twice this many pixels.
constexpr int kQuickSide = 100;
// The first look refines its outlines only when one of them already ranks this well, and takes
// an outline that scores this well once refined without the whole search.
constexpr double kQuickPromise = 0.6;
constexpr double kQuickClean = 0.98;

struct WorkingImage {
    cv::Mat paper;  // smallest colour channel
    cv::Mat gray;
    cv::Mat colour;  // the reduced colour image, in the image's byte order; empty for one channel
    int factor = 1;  // full-resolution pixels per working pixel, a power of two
};

struct Candidate {
    Quad quad;                      // working-image pixels
    std::array<int, 4> polarity{};  // per side, +1 when the inside is brighter
    double confidence = 0;
    double rank = 0;
    bool byColour = false;  // found and refined in colourfulness, not in paper brightness
};

// (a + b + 1) / 2 per byte.
cv::v_uint8x16 roundingAverage(const cv::v_uint8x16& a, const cv::v_uint8x16& b) {
#if CV_SSE2
    return cv::v_uint8x16(_mm_avg_epu8(a.val, b.val));
#else
    // (a | b) - (a ^ b) / 2, with the halving done on 16-bit lanes and the bit shifted in from
    // the neighbouring byte masked off.
    const cv::v_uint8x16 halfDifference =
        cv::v_reinterpret_as_u8(cv::v_reinterpret_as_u16(a ^ b) >> 1) & cv::v_setall_u8(0x7f);
    return (a | b) - halfDifference;
#endif
}

#if QUORVEL_WIDE_VECTORS
int halveRowsWide(const uint32_t* r0, const uint32_t* r1, uint32_t* o, int w);
#endif

// Halves one row pair of a four-channel image into `w` pixels: each output pixel is the rounded
// mean of a 2x2 block, the same as an area resize, at a fraction of its cost. `wide` lets the
// 256-bit form do what it can.
void halveRows(const uint32_t* r0, const uint32_t* r1, uint32_t* o, int w, bool wide) {
    constexpr int kLanes = cv::v_uint32x4::nlanes;
    const cv::v_uint8x16 one = cv::v_setall_u8(1);
    int x = 0;
#if QUORVEL_WIDE_VECTORS
    if (wide) {
        x = halveRowsWide(r0, r1, o, w);
    }
#else
    (void)wide;
#endif
    for (; x + kLanes <= w; x += kLanes) {
        // Rows first: a and b are the two rows' left pixels of each block, c and d the right
        // ones.
        cv::v_uint8x16 a, b, c, d;
#if CV_SSE2
        const __m128i top0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * x));
        const __m128i top1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * x + kLanes));
        const __m128i bottom0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 2 * x));
        const __m128i bottom1 =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(r1 + 2 * x + kLanes));
        auto evenPixels = [](__m128i p, __m128i q) {
            return _mm_castps_si128(
                _mm_shuffle_ps(_mm_castsi128_ps(p), _mm_castsi128_ps(q), _MM_SHUFFLE(2, 0, 2, 0)));
        };
        auto oddPixels = [](__m128i p, __m128i q) {
            return _mm_castps_si128(
                _mm_shuffle_ps(_mm_castsi128_ps(p), _mm_castsi128_ps(q), _MM_SHUFFLE(3, 1, 3, 1)));
        };
        a = cv::v_uint8x16(evenPixels(top0, top1));
        b = cv::v_uint8x16(evenPixels(bottom0, bottom1));
        c = cv::v_uint8x16(oddPixels(top0, top1));
        d = cv::v_uint8x16(oddPixels(bottom0, bottom1));
#else
        cv::v_uint32x4 e0, o0, e1, o1;
        cv::v_load_deinterleave(r0 + 2 * x, e0, o0);
        cv::v_load_deinterleave(r1 + 2 * x, e1, o1);
        a = cv::v_reinterpret_as_u8(e0);
        b = cv::v_reinterpret_as_u8(e1);
        c = cv::v_reinterpret_as_u8(o0);
        d = cv::v_reinterpret_as_u8(o1);
#endif
        const cv::v_uint8x16 left = roundingAverage(a, b);
        const cv::v_uint8x16 right = roundingAverage(c, d);
        // Averaging the two rounded averages rounds up twice; taking back the excess bit
        // gives exactly (a + b + c + d + 2) / 4.
        const cv::v_uint8x16 excess = ((a ^ b) | (c ^ d)) & (left ^ right) & one;
        cv::v_store(o + x, cv::v_reinterpret_as_u32(roundingAverage(left, right) - excess));
    }
    const auto* b0 = reinterpret_cast<const uint8_t*>(r0);
    const auto* b1 = reinterpret_cast<const uint8_t*>(r1);
    auto* ob = reinterpret_cast<uint8_t*>(o);
    for (int i = 4 * x; i < 4 * w; ++i) {
        const int j = i + (i & ~3);  // the same channel of the block's left pixel
        ob[i] = static_cast<uint8_t>((b0[j] + b0[j + 4] + b1[j] + b1[j + 4] + 2) >> 2);
    }
}

#if QUORVEL_WIDE_VECTORS
// halveRows with 256-bit vectors, eight output pixels at a time; the arithmetic, and so every
// byte, is the same. Returns how many output pixels it wrote.
QUORVEL_WIDE int halveRowsWide(const uint32_t* r0, const uint32_t* r1, uint32_t* o, int w) {
    constexpr int kLanes = 8;
    const __m256i one = _mm256_set1_epi8(1);
    int x = 0;
    for (; x + kLanes <= w; x += kLanes) {
        const __m256 top0 = _mm256_loadu_ps(reinterpret_cast<const float*>(r0 + 2 * x));
        const __m256 top1 = _mm256_loadu_ps(reinterpret_cast<const float*>(r0 + 2 * x + kLanes));
        const __m256 bottom0 = _mm256_loadu_ps(reinterpret_cast<const float*>(r1 + 2 * x));
        const __m256 bottom1 = _mm256_loadu_ps(reinterpret_cast<const float*>(r1 + 2 * x + kLanes));
        // Each 128-bit half picks the even (or odd) pixels of its own half of both loads, so the
        // blocks come out in the order 0, 1, 4, 5, 2, 3, 6, 7; one permutation of the result
        // puts them back.
        const __m256i a =
            _mm256_castps_si256(_mm256_shuffle_ps(top0, top1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i b =
            _mm256_castps_si256(_mm256_shuffle_ps(bottom0, bottom1, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i c =
            _mm256_castps_si256(_mm256_shuffle_ps(top0, top1, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m256i d =
            _mm256_castps_si256(_mm256_shuffle_ps(bottom0, bottom1, _MM_SHUFFLE(3, 1, 3, 1)));
        const __m256i left = _mm256_avg_epu8(a, b);
        const __m256i right = _mm256_avg_epu8(c, d);
        const __m256i excess = _mm256_and_si256(
            _mm256_and_si256(_mm256_or_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(c, d)),
                             _mm256_xor_si256(left, right)),
            one);
        const __m256i mean = _mm256_sub_epi8(_mm256_avg_epu8(left, right), excess);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(o + x),
                            _mm256_permute4x64_epi64(mean, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    return x;
}
#endif

// Halves a four-channel image `levels` times, exactly as halving it once per level would, in
// one pass over its rows: each output row is made from the rows of the levels between, held in
// small row buffers, so the large image is read once and no level in between is stored whole.
class FourChannelPyramid {
public:
    FourChannelPyramid(const cv::Mat& image, int levels)
        : image_(image), levels_(levels), wide_(vision::hasWideVectors()) {
        int w = image.cols;
        for (int level = 1; level < levels; ++level) {
            w /= 2;
            rows_.emplace_back(2 * static_cast<size_t>(w));
        }
    }

    cv::Mat reduce() const {
        const int w = image_.cols >> levels_;
        const int h = image_.rows >> levels_;
        cv::Mat out(h, w, CV_8UC4);
        for (int y = 0; y < h; ++y) {
            makeRow(levels_, y, out.ptr<uint32_t>(y));
        }
        return out;
    }

private:
    // Writes row `y` of level `level` (level 0 is the image) into `into`, or returns the image's
    // own row at level 0.
    const uint32_t* makeRow(int level, int y, uint32_t* into) const {
        if (level == 0) {
            return image_.ptr<uint32_t>(y);
        }
        const int w = image_.cols >> level;
        uint32_t* scratch = level > 1 ? rows_[static_cast<size_t>(level - 2)].data() : nullptr;
        const size_t below = static_cast<size_t>(image_.cols >> (level - 1));
        const uint32_t* r0 = makeRow(level - 1, 2 * y, scratch);
        const uint32_t* r1 = makeRow(level - 1, 2 * y + 1, scratch ? scratch + below : nullptr);
        halveRows(r0, r1, into, w, wide_);
        return into;
    }

    const cv::Mat& image_;
    int levels_;
    bool wide_;  // decided once for the whole image
    // Two rows of every level between the image and the output.
    mutable std::vector<std::vector<uint32_t>> rows_;
};

WorkingImage makeWorkingImage(const cv::Mat& image, ChannelOrder order) {
    WorkingImage working;
    cv::Mat current = image;
    if (current.channels() == 4) {
        int levels = 0;
        while (std::max(current.cols >> levels, current.rows >> levels) > kWorkingLongSide) {
            ++levels;
        }
        if (levels > 0) {
            current = FourChannelPyramid(image, levels).reduce();
            working.factor = 1 << levels;
        }
    }
    while (std::max(current.cols, current.rows) > kWorkingLongSide) {
        const int w = current.cols / 2;
        const int h = current.rows / 2;
        // An even-sized region halves exactly, so every working pixel covers a whole block.
        cv::Mat next;
        cv::resize(current(cv::Rect(0, 0, 2 * w, 2 * h)), next, cv::Size(w, h), 0, 0,
                   cv::INTER_AREA);
        current = next;
        working.factor *= 2;
    }
    if (current.channels() != 1) {
        working.colour = current;
    }
    if (current.channels() == 1) {
        working.paper = current;
        working.gray = current;
    } else if (current.channels() == 4) {
        vision::paperAndGray(current, order == ChannelOrder::argb, working.paper, working.gray);
    } else {
        std::array<cv::Mat, 3> planes;
        cv::split(current, planes.data());
        cv::min(planes[0], planes[1], working.paper);
        cv::min(working.paper, planes[2], working.paper);
        cv::cvtColor(current, working.gray, cv::COLOR_BGR2GRAY);
    }
    return working;
}

cv::Point2d toFullResolution(cv::Point2d p, int factor) {
    return {(p.x + 0.5) * factor - 0.5, (p.y + 0.5) * factor - 0.5};
}

// A channel at half its size, each pixel the mean of a 2x2 block.
cv::Mat halved(const cv::Mat& channel) {
    const cv::Size size(channel.cols / 2, channel.rows / 2);
    cv::Mat half;
    cv::resize(channel(cv::Rect(0, 0, 2 * size.width, 2 * size.height)), half, size, 0, 0,
               cv::INTER_AREA);
    return half;
}

Line sideLine(const Quad& quad, size_t side) {
    const cv::Point2d a = quad[side];
    const cv::Point2d b = quad[(side + 1) % 4];
    const cv::Point2d d = b - a;
    const double length = std::hypot(d.x, d.y);
    return {a, length > 0 ? d / length : cv::Point2d(1, 0)};
}

std::optional<Quad> quadFromLines(const std::array<Line, 4>& lines) {
    Quad quad;
    for (size_t i = 0; i < 4; ++i) {
        const auto corner = vision::intersect(lines[(i + 3) % 4], lines[i]);
        if (!corner) {
            return std::nullopt;
        }
        quad[i] = *corner;
    }
    if (!vision::isConvex(quad)) {
        return std::nullopt;
    }
    return quad;
}

void addContourCandidates(const std::vector<std::vector<cv::Point>>& contours, double minExtent,
                          std::vector<Quad>& out) {
    std::vector<cv::Point> hull;
    std::vector<cv::Point> simple;
    for (const auto& contour : contours) {
        const cv::Rect box = cv::boundingRect(contour);
        if (std::min(box.width, box.height) < minExtent) {
            continue;
        }
        cv::convexHull(contour, hull);
        cv::approxPolyDP(hull, simple, 1.0, true);
        std::vector<cv::Point2d> polygon(simple.begin(), simple.end());
        if (auto quad = vision::enclosingQuad(polygon)) {
            out.push_back(*quad);
        }
        cv::approxPolyDP(contour, simple, 0.02 * cv::arcLength(contour, true), true);
        if (simple.size() == 4 && cv::isContourConvex(simple)) {
            out.push_back({cv::Point2d(simple[0]), cv::Point2d(simple[1]), cv::Point2d(simple[2]),
                           cv::Point2d(simple[3])});
        }
    }
}

// Quadrilaterals assembled from straight edges of the paper channel.
std::vector<Quad> lineOutlines(const vision::GradientEdges& paperEdges, const cv::Size& size,
                               double minExtent, double angleTolerance) {
    vision::LineQuadLimits limits;
    limits.minimumExtent = minExtent;
    limits.angleTolerance = angleTolerance;
    limits.outsideSlack = 0.02 * std::min(size.width, size.height);
    return vision::lineCandidates(paperEdges.faint, paperEdges.dx, paperEdges.dy, limits);
}

// Outlines of closed chains of the paper channel's strong edges and, with `wholeSearch`, of
// luma's strong edges and of bright regions, each reduced to a quadrilateral.
std::vector<Quad> closedOutlines(const WorkingImage& working,
                                 const vision::GradientEdges& paperEdges, double minExtent,
                                 bool wholeSearch) {
    std::vector<Quad> quads;
    std::vector<std::vector<cv::Point>> contours;
    cv::Mat strong = paperEdges.strong.clone();
    if (wholeSearch && working.paper.data != working.gray.data) {
        strong |= vision::findGradientEdges(working.gray, {20, 50}, {20, 50}, false).strong;
    }
    cv::dilate(strong, strong, cv::Mat());
    cv::findContours(strong, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    addContourCandidates(contours, minExtent, quads);
    if (!wholeSearch) {
        return quads;
    }

    cv::Mat blurred;
    cv::GaussianBlur(working.paper, blurred, cv::Size(5, 5), 0);
    cv::Mat binary;
    const double otsu = cv::threshold(blurred, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    for (double level : {otsu, otsu + (255 - otsu) / 3}) {
        if (level != otsu) {  // the Otsu pass has already thresholded at its own level
            cv::threshold(blurred, binary, level, 255, cv::THRESH_BINARY);
        }
        cv::morphologyEx(binary, binary, cv::MORPH_OPEN, cv::Mat());
        cv::findContours(binary, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
        addContourCandidates(contours, minExtent, quads);
    }
    return quads;
}

bool insideImage(const Quad& quad, const cv::Size& size, double slack) {
    for (const cv::Point2d& p : quad) {
        if (p.x < -0.5 - slack || p.y < -0.5 - slack || p.x > size.width - 0.5 + slack ||
            p.y > size.height - 0.5 + slack) {
            return false;
        }
    }
    return true;
}

bool plausible(const Quad& quad, const cv::Size& size, double minExtent, double angleTolerance) {
    if (!vision::isConvex(quad)) {
        return false;
    }
    const auto [w, h] = vision::meanSideLengths(quad);
    if (std::min(w, h) < minExtent) {
        return false;
    }
    if (vision::maximumCornerDeviation(quad) > angleTolerance) {
        return false;
    }
    return insideImage(quad, size, 0.02 * std::min(size.width, size.height));
}

struct Score {
    double confidence = 0;
    std::array<int, 4> polarity{};
};

Score scoreQuad(const EdgeEvidence& evidence, const Quad& quad, double near, double far,
                double spacing = 1.5) {
    Score score;
    double sum = 0;
    double weakest = 1;
    for (size_t i = 0; i < 4; ++i) {
        const auto side =
            evidence.measureSide(quad[i], quad[(i + 1) % 4], vision::outwardNormal(quad, i), near,
                                 far, kStepThreshold, spacing);
        score.polarity[i] = side.polarity;
        sum += side.support;
        weakest = std::min(weakest, side.support);
    }
    score.confidence = 0.5 * (sum / 4) + 0.5 * weakest;
    return score;
}

// Moves each side onto the strongest step of its polarity nearby and intersects the sides again.
std::optional<Quad> refineSides(const EdgeEvidence& evidence, const Quad& quad,
                                const std::array<int, 4>& polarity, const EdgeSearch& search,
                                double cutoff) {
    std::array<Line, 4> lines;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Point2d a = quad[i];
        const cv::Point2d b = quad[(i + 1) % 4];
        const Line start = sideLine(quad, i);
        const auto points =
            evidence.findEdgePoints(a, b, vision::outwardNormal(quad, i), polarity[i], search);
        std::vector<EdgePoint> inliers;
        const auto line = vision::fitLineRobust(points, cutoff, start, &inliers);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double profiles = std::min<double>(search.maximumProfiles,
                                                 length * (1 - 2 * search.margin) / search.spacing);
        lines[i] = (line && inliers.size() >= std::max(4.0, 0.3 * profiles)) ? *line : start;
    }
    return quadFromLines(lines);
}

// Refines the outline on the full-resolution image. Each corner comes from lines fitted to the
// edge points near it, so a gently curled sheet keeps its corners where the paper's are.
Quad refineAtFullResolution(const cv::Mat& image, ChannelOrder order, const Quad& working,
                            int factor, const std::array<int, 4>& polarity) {
    Quad quad;
    for (size_t i = 0; i < 4; ++i) {
        quad[i] = toFullResolution(working[i], factor);
    }
    const EdgeEvidence evidence(image, order == ChannelOrder::argb ? 1 : 0);
    EdgeSearch search;
    search.radius = 1.5 * factor + 1;
    search.derivativeSpan = std::max(1, factor / 4);
    search.averaging = 1;
    search.averagingSpacing = std::max(1.0, factor / 4.0);
    search.threshold = kStepThreshold;
    search.maximumProfiles = 64;
    search.margin = 0.02;
    const double cutoff = std::max(1.5, 0.4 * factor);

    std::array<Line, 4> whole;
    std::array<std::vector<EdgePoint>, 4> inliers;
    for (size_t i = 0; i < 4; ++i) {
        const cv::Point2d a = quad[i];
        const cv::Point2d b = quad[(i + 1) % 4];
        search.spacing = std::max(2.0, std::hypot(b.x - a.x, b.y - a.y) / search.maximumProfiles);
        const Line start = sideLine(quad, i);
        const auto points =
            evidence.findEdgePoints(a, b, vision::outwardNormal(quad, i), polarity[i], search);
        const auto line = vision::fitLineRobust(points, cutoff, start, &inliers[i]);
        whole[i] = (line && inliers[i].size() >= 8) ? *line : start;
        if (!line || inliers[i].size() < 8) {
            inliers[i].clear();
        }
    }

    // Near each corner, look again along the nearest stretch of both sides with a wider band
    // around the whole-side line (a curled sheet strays from it by more than the band above),
    // then once more in a narrow band around the local line.
    constexpr double kLocalShare = 0.35;
    constexpr size_t kLocalMinimum = 6;
    auto localLine = [&](size_t side, bool nearEnd) {
        const cv::Point2d a = quad[side];
        const cv::Point2d b = quad[(side + 1) % 4];
        Line line = whole[side];
        // The stretch of the side nearest the corner, on the current line.
        const double ta = (a - line.point).dot(line.direction);
        const double tb = (b - line.point).dot(line.direction);
        const double from = nearEnd ? tb + (ta - tb) * kLocalShare : ta;
        const double to = nearEnd ? tb : ta + (tb - ta) * kLocalShare;
        EdgeSearch local = search;
        local.margin = 0.02;
        local.maximumProfiles = 32;
        for (const double radius : {3.0 * factor + 2, 1.0 * factor + 2}) {
            const cv::Point2d p = line.point + line.direction * from;
            const cv::Point2d q = line.point + line.direction * to;
            local.radius = radius;
            local.spacing = std::max(1.0, std::abs(to - from) / local.maximumProfiles);
            cv::Point2d outward(line.direction.y, -line.direction.x);
            if (outward.dot(vision::outwardNormal(quad, side)) < 0) {
                outward = -outward;
            }
            const auto points = evidence.findEdgePoints(p, q, outward, polarity[side], local);
            std::vector<EdgePoint> inliers;
            const auto fitted = vision::fitLineRobust(points, cutoff, line, &inliers);
            if (!fitted || inliers.size() < kLocalMinimum) {
                break;
            }
            line = *fitted;
        }
        return line;
    };

    Quad refined = quad;
    const auto fallback = quadFromLines(whole);
    for (size_t i = 0; i < 4; ++i) {
        const size_t before = (i + 3) % 4;
        auto corner = vision::intersect(localLine(before, true), localLine(i, false));
        if (!corner && fallback) {
            corner = (*fallback)[i];
        }
        if (corner &&
            std::hypot(corner->x - quad[i].x, corner->y - quad[i].y) <= 6.0 * factor + 4) {
            refined[i] = *corner;
        }
    }
    return vision::isConvex(refined) ? refined : quad;
}

// A band printed along one edge of a page (a coloured header, a dark footer) can hide that edge:
// in the paper channel a red or dark band looks like the desk, so the outline found stops at the
// band. Beyond each side of `quad`, the strongest step in `luma` along the side moved outwards
// along the two sides next to it, within reach; each step found well enough gives an outline that
// takes in the band. Positions are tried a few pixels apart with sparse samples first, then the
// best one is settled with denser ones.
std::vector<Quad> bandExtensions(const EdgeEvidence& luma, const Quad& quad) {
    constexpr double kReach = 0.4;  // of the shorter of the two sides next to the moved one
    constexpr double kMinimumSupport = 0.6;
    constexpr double kCoarseStep = 2;
    constexpr double kCoarseSpacing = 6;
    std::vector<Quad> out;
    for (size_t k = 0; k < 4; ++k) {
        const cv::Point2d a = quad[k];
        const cv::Point2d b = quad[(k + 1) % 4];
        const cv::Point2d alongA = a - quad[(k + 3) % 4];
        const cv::Point2d alongB = b - quad[(k + 2) % 4];
        const double lengthA = std::hypot(alongA.x, alongA.y);
        const double lengthB = std::hypot(alongB.x, alongB.y);
        if (lengthA < 1 || lengthB < 1) {
            continue;
        }
        const cv::Point2d outward = vision::outwardNormal(quad, k);
        auto support = [&](double d, double spacing) {
            return luma
                .measureSide(a + alongA * (d / lengthA), b + alongB * (d / lengthB), outward, 1.5,
                             3.5, kStepThreshold, spacing)
                .support;
        };
        const double reach = kReach * std::min(lengthA, lengthB);
        double coarseBest = 0;
        double coarseReach = 0;
        for (double d = 3; d <= reach; d += kCoarseStep) {
            const double value = support(d, kCoarseSpacing);
            if (value > coarseBest) {
                coarseBest = value;
                coarseReach = d;
            }
        }
        if (coarseBest < kMinimumSupport - 0.15) {
            continue;
        }
        double best = 0;
        double bestReach = 0;
        for (double d = coarseReach - 1; d <= coarseReach + 1; d += 1) {
            const double value = support(d, kRankingSpacing);
            if (value > best) {
                best = value;
                bestReach = d;
            }
        }
        if (best >= kMinimumSupport) {
            Quad moved = quad;
            moved[k] = a + alongA * (bestReach / lengthA);
            moved[(k + 1) % 4] = b + alongB * (bestReach / lengthB);
            out.push_back(moved);
        }
    }
    return out;
}

// Whether `quad` is one of a row or grid of like outlines: floor tiles, a window's panes, a shelf
// of boxes. Two or more distinct outlines of about its size (sides within 20 %) lie right beside
// it, each about one of its widths or heights away; a document lies on its own.
bool repeatsAlongside(const Quad& quad, const std::vector<Quad>& others) {
    constexpr double kSizeTolerance = 0.2;
    const auto [w, h] = vision::meanSideLengths(quad);
    const cv::Point2d centre = (quad[0] + quad[1] + quad[2] + quad[3]) / 4;
    std::vector<cv::Point2d> twins;
    for (const Quad& other : others) {
        const auto [ow, oh] = vision::meanSideLengths(other);
        const bool sameSize =
            (std::abs(ow - w) <= kSizeTolerance * w && std::abs(oh - h) <= kSizeTolerance * h) ||
            (std::abs(ow - h) <= kSizeTolerance * h && std::abs(oh - w) <= kSizeTolerance * w);
        if (!sameSize) {
            continue;
        }
        const cv::Point2d otherCentre = (other[0] + other[1] + other[2] + other[3]) / 4;
        const double gap = cv::norm(otherCentre - centre);
        const bool beside = (gap >= 0.8 * std::min(w, h) && gap <= 1.3 * std::max(w, h));
        if (!beside) {
            continue;
        }
        const bool counted = std::any_of(twins.begin(), twins.end(), [&](cv::Point2d c) {
            return cv::norm(c - otherCentre) < 0.3 * std::min(w, h);
        });
        if (!counted) {
            twins.push_back(otherCentre);
        }
    }
    return twins.size() >= 2;
}

// Whether `quad`, an outline at least a quarter the size of `outline` and not inside it, is one of
// a row or grid of like outlines among `others`.
bool repeatsAroundOutline(const Quad& quad, const Quad& outline, const std::vector<Quad>& others) {
    const std::vector<cv::Point2f> polygon(outline.begin(), outline.end());
    const cv::Point2d centre = (quad[0] + quad[1] + quad[2] + quad[3]) / 4;
    return std::abs(vision::signedArea(quad)) >= 0.25 * std::abs(vision::signedArea(outline)) &&
           cv::pointPolygonTest(polygon, cv::Point2f(centre), false) < 0 &&
           repeatsAlongside(quad, others);
}

bool overlapsChosen(const Quad& quad, const std::vector<Candidate>& chosen) {
    std::vector<cv::Point2f> a(quad.begin(), quad.end());
    for (const Candidate& c : chosen) {
        std::vector<cv::Point2f> b(c.quad.begin(), c.quad.end());
        std::vector<cv::Point2f> intersection;
        const float shared = cv::intersectConvexConvex(a, b, intersection, true);
        if (shared > 0.2 * std::min(cv::contourArea(a), cv::contourArea(b))) {
            return true;
        }
    }
    return false;
}

std::vector<DetectedQuadrilateral> detect(const cv::Mat& image,
                                          const RectangleDetectionSettings& settings,
                                          ChannelOrder order) {
    const WorkingImage working = makeWorkingImage(image, order);
    const cv::Size size = working.paper.size();
    const double shortSide = std::min(size.width, size.height);
    const double minExtent = std::max(4.0, settings.minimumSize * shortSide);
    const double angleSlack = settings.quadratureTolerance + 15;

    // Keep the distinct rough outlines that look like they could be right, ranked.
    const EdgeEvidence evidence(working.paper);
    std::vector<Candidate> ranked;
    // Corners of the outlines in `ranked` in reading order, for the duplicate test.
    std::vector<Quad> orderedRanked;
    std::vector<Quad> plausibleRough;
    auto rank = [&](const std::vector<Quad>& rough, const EdgeEvidence& within) {
        for (const Quad& quad : rough) {
            if (!plausible(quad, size, 0.8 * minExtent, angleSlack)) {
                continue;
            }
            plausibleRough.push_back(quad);
            const double tolerance = 0.02 * shortSide;
            const Quad ordered = vision::orderCorners(quad);
            bool duplicate = false;
            for (const Quad& other : orderedRanked) {
                if (vision::maximumCornerDistance(other, ordered) < tolerance) {
                    duplicate = true;
                    break;
                }
            }
            if (duplicate) {
                continue;
            }
            orderedRanked.push_back(ordered);
            const Score score = scoreQuad(within, quad, 2.0, 4.5, kRankingSpacing);
            ranked.push_back({quad, score.polarity, score.confidence, score.confidence});
        }
    };
    EdgeSearch coarse;
    coarse.averaging = 0;
    coarse.maximumProfiles = 40;
    coarse.radius = 5;
    coarse.threshold = kStepThreshold;
    coarse.margin = 0.08;
    EdgeSearch fine = coarse;
    fine.radius = 2.5;
    const double imageArea = static_cast<double>(size.area());
    auto acceptableShape = [&](const Quad& quad) {
        const auto [w, h] = vision::meanSideLengths(quad);
        const double aspect = std::min(w, h) / std::max(w, h);
        return plausible(quad, size, minExtent, settings.quadratureTolerance) &&
               aspect >= settings.minimumAspectRatio &&
               aspect <= settings.maximumAspectRatio + 1e-9;
    };
    // The best few rough outlines, each moved onto the steps of `within` nearby (once coarsely,
    // then `finePasses` times finely), the acceptable ones scored. In colourfulness (`byColour`)
    // only a sheet less colourful than all its surroundings is taken: paper is grey, and a
    // coloured object is no document.
    auto refineBest = [&](std::vector<Candidate> rough, size_t limit, const EdgeEvidence& within,
                          bool byColour, int finePasses) {
        std::sort(rough.begin(), rough.end(),
                  [](const Candidate& a, const Candidate& b) { return a.rank > b.rank; });
        if (rough.size() > limit) {
            rough.resize(limit);
        }
        std::vector<Candidate> refined;
        for (const Candidate& candidate : rough) {
            std::optional<Quad> quad =
                refineSides(within, candidate.quad, candidate.polarity, coarse, 1.5);
            if (!quad) {
                continue;
            }
            // The coarse pass followed the sides' polarities, so the fine passes keep them.
            // A pass that moves no corner by more than kSettled has converged.
            for (int pass = 0; pass < finePasses && quad; ++pass) {
                const Quad before = *quad;
                quad = refineSides(within, *quad, candidate.polarity, fine, 1.0);
                if (quad && vision::maximumCornerDistance(before, *quad) < kSettled) {
                    break;
                }
            }
            if (!quad || !acceptableShape(*quad)) {
                continue;
            }
            const Score score = scoreQuad(within, *quad, 1.5, 3.5);
            if (score.confidence < std::max(kAcceptance, settings.minimumConfidence) ||
                (byColour && std::any_of(score.polarity.begin(), score.polarity.end(),
                                         [](int p) { return p > 0; }))) {
                continue;
            }
            const double area = std::abs(vision::signedArea(*quad)) / imageArea;
            refined.push_back({*quad, score.polarity, score.confidence,
                               score.confidence * std::pow(area, 0.2), byColour});
        }
        return refined;
    };
    // A first look at half the working size, which costs a fraction of the search below: only
    // outlines assembled from straight edges, which is how nearly every page shows. They are
    // ranked and refined here, with a second fine pass as they start further off; when one
    // of them then lies on clean steps nearly all round, it is taken and the search below is
    // skipped. A scene with a repeating pattern (tiles, panes) always gets the whole search: at
    // half size the neighbours that tell a tile are not all seen.
    std::vector<Candidate> refined;
    bool settled = false;
    if (shortSide >= 2 * kQuickSide) {
        const cv::Mat quick = halved(working.paper);
        const vision::GradientEdges quickEdges = vision::findFaintEdges(quick, {8, 24});
        std::vector<Quad> rough =
            lineOutlines(quickEdges, quick.size(), 0.4 * minExtent, angleSlack);
        for (Quad& quad : rough) {
            for (cv::Point2d& p : quad) {
                p = toFullResolution(p, 2);
            }
        }
        rank(rough, evidence);
        // Refining is the costly part; outlines this far from any clean step do not settle.
        if (std::any_of(ranked.begin(), ranked.end(),
                        [](const Candidate& c) { return c.rank >= kQuickPromise; })) {
            refined = refineBest(ranked, kRefinedCandidates, evidence, false, 2);
        }
        // The largest outline that came out clean; outlines inside it (strips of a page between
        // lines of print, cells of a form) are its own content, not a pattern around it.
        const Candidate* cleanest = nullptr;
        for (const Candidate& c : refined) {
            if (c.confidence >= kQuickClean &&
                (!cleanest || std::abs(vision::signedArea(c.quad)) >
                                  std::abs(vision::signedArea(cleanest->quad)))) {
                cleanest = &c;
            }
        }
        settled = cleanest &&
                  std::none_of(plausibleRough.begin(), plausibleRough.end(), [&](const Quad& q) {
                      return repeatsAroundOutline(q, cleanest->quad, plausibleRough);
                  });
        if (!settled) {
            ranked.clear();
            orderedRanked.clear();
            plausibleRough.clear();
            refined.clear();
        }
    }
    if (!settled) {
        // Outlines assembled from straight edges first, then those of closed edge chains. When an
        // outline of straight edges already lies on clean steps nearly all round, the luma edges
        // and bright regions are not searched: they would offer the same outline again. The paper
        // channel's edge chains always are, as they tell a tile among tiles.
        const vision::GradientEdges paperEdges =
            vision::findGradientEdges(working.paper, {8, 24}, {20, 50}, true);
        rank(lineOutlines(paperEdges, size, 0.8 * minExtent, angleSlack), evidence);
        const bool clean = std::any_of(ranked.begin(), ranked.end(),
                                       [](const Candidate& c) { return c.rank >= kClean; });
        rank(closedOutlines(working, paperEdges, 0.8 * minExtent, !clean), evidence);
        refined =
            refineBest(ranked, clean ? kRefinedWhenClean : kRefinedCandidates, evidence, false, 1);
    }
    // A page on a strongly coloured surface of about its own brightness (peach stripes, brown
    // ribbons in dim light) can leave no outline in the paper channel, while in colourfulness it
    // stands out as a grey sheet on colour. That channel is searched only when nothing else was
    // found: where the paper channel shows the page, shadows and coloured print would only offer
    // wrong outlines.
    if (refined.empty() && !working.colour.empty()) {
        const cv::Mat chroma = vision::chromaOf(working.colour, order == ChannelOrder::argb);
        const EdgeEvidence colourfulness(chroma);
        // Colourfulness steps are small: a grey sheet on a pastel surface differs by a few tens.
        const vision::GradientEdges chromaEdges =
            vision::findGradientEdges(chroma, {4, 12}, {10, 25}, true);
        ranked.clear();
        orderedRanked.clear();
        rank(lineOutlines(chromaEdges, size, 0.8 * minExtent, angleSlack), colourfulness);
        refined = refineBest(ranked, kRefinedCandidates, colourfulness, true, 1);
    }
    std::sort(refined.begin(), refined.end(),
              [](const Candidate& a, const Candidate& b) { return a.rank > b.rank; });

    // A page with a line printed near one edge, or a receipt with a ledge behind its foot, gives
    // two nested outlines; the sides next to the one they differ in tell which one is the page.
    const EdgeEvidence luma(working.gray);
    auto preferNested = [&] {
        std::vector<Quad> outlines;
        for (const Candidate& candidate : refined) {
            outlines.push_back(candidate.quad);
        }
        const size_t best =
            vision::preferredOfNested(outlines, evidence, 0.02 * shortSide, kStepThreshold, &luma);
        std::rotate(refined.begin(), refined.begin() + static_cast<ptrdiff_t>(best),
                    refined.begin() + static_cast<ptrdiff_t>(best) + 1);
    };
    // Outlines found in colourfulness are left as they are: the paper channel and luma, which
    // these steps read, are what showed no outline there.
    if (!refined.empty() && !refined.front().byColour) {
        preferNested();
        // The outline chosen may stop at a band printed along an edge of the page: outlines that
        // take in such a band join the others, each scored in whichever channel shows it better,
        // and the choice is made again.
        const size_t before = refined.size();
        for (const Quad& extended : bandExtensions(luma, refined.front().quad)) {
            Score score = scoreQuad(evidence, extended, 1.5, 3.5);
            const Score gray = scoreQuad(luma, extended, 1.5, 3.5);
            if (gray.confidence > score.confidence) {
                score = gray;
            }
            if (score.confidence < std::max(kAcceptance, settings.minimumConfidence) ||
                !acceptableShape(extended)) {
                continue;
            }
            const double area = std::abs(vision::signedArea(extended)) / imageArea;
            refined.push_back({extended, score.polarity, score.confidence,
                               score.confidence * std::pow(area, 0.2)});
        }
        if (refined.size() > before) {
            preferNested();
        }
    }

    std::vector<Candidate> chosen;
    for (const Candidate& candidate : refined) {
        if (settings.maximumObservations > 0 &&
            chosen.size() >= static_cast<size_t>(settings.maximumObservations)) {
            break;
        }
        if (!overlapsChosen(candidate.quad, chosen) &&
            !repeatsAlongside(candidate.quad, plausibleRough)) {
            chosen.push_back(candidate);
        }
    }

    std::vector<DetectedQuadrilateral> result;
    for (const Candidate& candidate : chosen) {
        Quad full;
        if (candidate.byColour) {
            for (size_t i = 0; i < 4; ++i) {
                full[i] = toFullResolution(candidate.quad[i], working.factor);
            }
        } else {
            full = refineAtFullResolution(image, order, candidate.quad, working.factor,
                                          candidate.polarity);
        }
        const Quad ordered = vision::orderCorners(full);
        DetectedQuadrilateral detected;
        for (size_t i = 0; i < 4; ++i) {
            detected.corners[i] = ordered[i];
        }
        detected.confidence = std::clamp(candidate.confidence, 0.0, 1.0);
        result.push_back(detected);
    }
    return result;
}

}  // namespace

std::vector<DetectedQuadrilateral> findQuadrilaterals(const cv::Mat& image,
                                                      const RectangleDetectionSettings& settings,
                                                      ChannelOrder order) {
    if (image.empty() || image.dims != 2 || image.depth() != CV_8U ||
        (image.channels() != 1 && image.channels() != 3 && image.channels() != 4) ||
        (order == ChannelOrder::argb && image.channels() != 4) ||
        std::min(image.cols, image.rows) < kMinimumImageSide) {
        return {};
    }
    try {
        return detect(image, settings, order);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace quorvel::platform
