#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <opencv2/core.hpp>
#include <vector>

#include "Platform/Vision/QuadGeometry.h"

namespace quorvel::platform::vision {

/// How well one side of a quadrilateral sits on a brightness step of the image.
struct SideSupport {
    double support = 0;   ///< share of the side's samples that lie on a step edge, 0...1
    double contrast = 0;  ///< mean step across the side (inside minus outside), signed
    int polarity = 1;     ///< +1 when the inside is brighter, -1 when darker
};

/// Settings of a search for edge points across one side.
struct EdgeSearch {
    double radius = 4;          ///< how far to look on either side of the side, in pixels
    double spacing = 2;         ///< distance between profiles along the side, in pixels
    int maximumProfiles = 64;   ///< cap on the number of profiles along one side
    double derivativeSpan = 1;  ///< half-width of the difference that measures the step
    int averaging = 1;          ///< parallel profiles averaged on each side of the centre one
    double averagingSpacing = 1;
    double threshold = 3;  ///< smallest step (in brightness levels) that counts as an edge
    double margin = 0.05;  ///< share of the side left out at each end (corners are often rounded)
};

/// Reads "paper brightness", the smallest of the colour channels, from an 8-bit image at
/// sub-pixel positions, and measures edge evidence along the sides of a quadrilateral.
///
/// Paper is bright in every channel, while wood, fabric and most desks are dark in at least one,
/// so the smallest channel separates a page from its surroundings better than luma does.
/// Positions use the pixel-centre convention: pixel (0, 0) covers -0.5...0.5.
class EdgeEvidence {
public:
    /// `image` must be CV_8UC1, CV_8UC3 or CV_8UC4; its pixels are shared, not copied.
    /// `firstColour` is the byte of a pixel at which its three colour bytes start: 0 for BGR(A),
    /// 1 for a four-channel A, R, G, B image.
    explicit EdgeEvidence(const cv::Mat& image, int firstColour = 0);

    /// Bilinear brightness at (x, y); -1 when the point is outside the image.
    double brightness(double x, double y) const;

    /// Support of the side from `a` to `b`, whose outside lies in the direction `outward` (a unit
    /// vector). A sample counts as support when both inside samples (at `near` and `far` pixels
    /// from the side) differ from both outside samples by at least `threshold` in the same
    /// direction: a step, not a thin line or texture. Samples lie `spacing` pixels apart along
    /// the side (at least 6, at most 160 of them).
    SideSupport measureSide(cv::Point2d a, cv::Point2d b, cv::Point2d outward, double near,
                            double far, double threshold, double spacing = 1.5) const;

    /// Edge points across the side from `a` to `b`: on each profile perpendicular to the side,
    /// the position of the strongest step of the given polarity (+1: brighter inside), refined
    /// to sub-pixel precision. Profiles without a step above the threshold give no point.
    std::vector<EdgePoint> findEdgePoints(cv::Point2d a, cv::Point2d b, cv::Point2d outward,
                                          int polarity, const EdgeSearch& search) const;

    int width() const { return image_.cols; }
    int height() const { return image_.rows; }

private:
    double pixel(int x, int y) const;

    /// Bilinear brightness at `n` interior points spaced evenly from (x, y) by (dx, dy), into
    /// `out`. The points are computed and blended in single precision, four at a time: plenty
    /// for positions within a few thousand pixels and brightness in whole levels.
    void sampleRun(double x, double y, double dx, double dy, int n, float* out) const;

    /// True when bilinear sampling at (x, y) needs no clamping.
    bool interior(double x, double y) const {
        return x >= 0 && y >= 0 && x < interiorRight_ && y < interiorBottom_;
    }
    /// Bilinear brightness at an interior point.
    double sampleInterior(double x, double y) const;

    cv::Mat image_;
    int channels_;
    int firstColour_;
    ptrdiff_t step_;
    double interiorRight_;
    double interiorBottom_;
    float runRight_;
    float runBottom_;
    bool wideGather_;  // runs are sampled with 256-bit gathers
};

/// The outward unit normal of side `i` (corner i to corner i + 1) of a convex quadrilateral.
cv::Point2d outwardNormal(const Quad& quad, size_t side);

}  // namespace quorvel::platform::vision
