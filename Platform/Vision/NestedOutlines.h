#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "Platform/Vision/EdgeEvidence.h"
#include "Platform/Vision/QuadGeometry.h"

namespace quorvel::platform::vision {

/// Two outlines that share one side and the lines of the two sides next to it, and differ only
/// in the fourth side, which the outer one has further out: a page and a line printed across it,
/// or a page and the page together with a strip of the surface beyond one of its edges. Corners
/// are in screen-clockwise order from the top-left, matched between the two.
struct Nesting {
    Quad inner;
    Quad outer;
    size_t side = 0;  ///< the side (corner `side` to corner `side + 1`) in which they differ
};

/// Whether `first` and `second` nest as described above: two corners within `tolerance` of each
/// other, the other two on the same side lines (within `tolerance`) but both moved the same way
/// along them by at least one and a half times `tolerance`.
std::optional<Nesting> findNesting(const Quad& first, const Quad& second, double tolerance);

/// How well the two sides next to the differing one carry on past the inner outline's corners
/// up to the outer one's, 0...1: the mean support of the two stretches, each counted only when
/// its step keeps the direction it has along the inner outline. (One side of a pale page on a
/// pale desk often fades out for a while; both rarely do.) With `second`, a stretch counts with
/// its better support of the two channels: a coloured band at a page's edge can be dark in one
/// channel and stand out in the other. In `second` a stretch counts when its step goes the way
/// the outer outline's differing side steps: a band darker than the desk along a page lighter
/// than it.
double extensionSupport(const EdgeEvidence& evidence, const Nesting& nesting, double threshold,
                        const EdgeEvidence* second = nullptr);

/// Index of the outline to report among acceptable ones ranked best first. Starting from the
/// first, an outline nested with the current choice takes its place when the image bears it out
/// better: the outer one when the sides next to the differing side run on along the strip
/// between the two (the inner one stops at a line inside the page), the inner one when they do
/// not (the outer one takes in a strip of the surface). `threshold` is the smallest brightness
/// step that counts as an edge; `second` is as for extensionSupport.
size_t preferredOfNested(const std::vector<Quad>& ranked, const EdgeEvidence& evidence,
                         double tolerance, double threshold, const EdgeEvidence* second = nullptr);

}  // namespace quorvel::platform::vision
