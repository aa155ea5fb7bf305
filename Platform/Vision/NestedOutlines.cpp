#include "Platform/Vision/NestedOutlines.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quorvel::platform::vision {

namespace {

Line throughCorners(const Quad& quad, size_t side) {
    const cv::Point2d a = quad[side];
    const cv::Point2d b = quad[(side + 1) % 4];
    const cv::Point2d d = b - a;
    const double length = std::hypot(d.x, d.y);
    return {a, length > 0 ? d / length : cv::Point2d(1, 0)};
}

double gap(cv::Point2d p, cv::Point2d q) {
    return std::hypot(p.x - q.x, p.y - q.y);
}

}  // namespace

std::optional<Nesting> findNesting(const Quad& first, const Quad& second, double tolerance) {
    const Quad a = orderCorners(first);
    const Quad ordered = orderCorners(second);
    for (size_t shift = 0; shift < 4; ++shift) {
        Quad b;
        for (size_t i = 0; i < 4; ++i) {
            b[i] = ordered[(i + shift) % 4];
        }
        for (size_t i = 0; i < 4; ++i) {
            // Corners i and i + 1 shared; i + 2 and i + 3 on the shared lines of the sides
            // (i + 1, i + 2) and (i + 3, i).
            const size_t j = (i + 1) % 4;
            const size_t k = (i + 2) % 4;
            const size_t l = (i + 3) % 4;
            // The fourth side must have moved as a whole, not turned about one of its corners.
            if (gap(a[i], b[i]) > tolerance || gap(a[j], b[j]) > tolerance ||
                gap(a[k], b[k]) < 1.5 * tolerance || gap(a[l], b[l]) < 1.5 * tolerance) {
                continue;
            }
            if (distance(throughCorners(a, j), b[k]) > tolerance ||
                distance(throughCorners(a, l), b[l]) > tolerance) {
                continue;
            }
            // Both corners moved the same way along their sides: one outline holds the other.
            const double movedK = (b[k] - a[k]).dot(a[k] - a[j]);
            const double movedL = (b[l] - a[l]).dot(a[l] - a[i]);
            if ((movedK > 0) != (movedL > 0)) {
                continue;
            }
            const bool firstInner = movedK > 0;
            return Nesting{firstInner ? a : b, firstInner ? b : a, k};
        }
    }
    return std::nullopt;
}

double extensionSupport(const EdgeEvidence& evidence, const Nesting& nesting, double threshold,
                        const EdgeEvidence* second) {
    constexpr double kNear = 1.5;
    constexpr double kFar = 3.5;
    const size_t k = nesting.side;
    // In the second channel the strip may be a band darker or lighter than the page: its sides
    // then step the way its outer edge does.
    const int outerEdge =
        second ? second
                     ->measureSide(nesting.outer[k], nesting.outer[(k + 1) % 4],
                                   outwardNormal(nesting.outer, k), kNear, kFar, threshold)
                     .polarity
               : 0;
    double sum = 0;
    // The side ending at corner k and the side starting at corner k + 1.
    for (const auto& [side, corner] :
         {std::pair{(k + 3) % 4, k}, std::pair{(k + 1) % 4, (k + 1) % 4}}) {
        double best = 0;
        for (const EdgeEvidence* channel : {&evidence, second}) {
            if (!channel) {
                continue;
            }
            const int expected =
                channel == second
                    ? outerEdge
                    : channel
                          ->measureSide(nesting.inner[side], nesting.inner[(side + 1) % 4],
                                        outwardNormal(nesting.inner, side), kNear, kFar, threshold)
                          .polarity;
            const SideSupport beyond =
                channel->measureSide(nesting.inner[corner], nesting.outer[corner],
                                     outwardNormal(nesting.outer, side), kNear, kFar, threshold);
            best = std::max(best, beyond.polarity == expected ? beyond.support : 0.0);
        }
        sum += best;
    }
    return sum / 2;
}

size_t preferredOfNested(const std::vector<Quad>& ranked, const EdgeEvidence& evidence,
                         double tolerance, double threshold, const EdgeEvidence* second) {
    constexpr double kCarriedOn = 0.5;
    constexpr double kBroken = 0.2;
    constexpr int kRounds = 3;
    size_t best = 0;
    for (int round = 0; round < kRounds; ++round) {
        bool changed = false;
        for (size_t j = 0; j < ranked.size() && !changed; ++j) {
            if (j == best) {
                continue;
            }
            const auto nesting = findNesting(ranked[best], ranked[j], tolerance);
            if (!nesting) {
                continue;
            }
            const double support = extensionSupport(evidence, *nesting, threshold, second);
            const bool bestIsInner =
                std::abs(signedArea(ranked[best])) < std::abs(signedArea(ranked[j]));
            if ((bestIsInner && support >= kCarriedOn) || (!bestIsInner && support < kBroken)) {
                best = j;
                changed = true;
            }
        }
        if (!changed) {
            break;
        }
    }
    return best;
}

}  // namespace quorvel::platform::vision
