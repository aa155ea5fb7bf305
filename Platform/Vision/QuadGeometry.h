#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace quorvel::platform::vision {

/// Four corners of a quadrilateral, in pixels.
using Quad = std::array<cv::Point2d, 4>;

/// An infinite line through `point` along the unit vector `direction`.
struct Line {
    cv::Point2d point;
    cv::Point2d direction;
};

/// Where two lines cross; nothing when they are (nearly) parallel.
std::optional<cv::Point2d> intersect(const Line& a, const Line& b);

/// Perpendicular distance of `p` from `line`.
double distance(const Line& line, cv::Point2d p);

/// The unit direction of the principal axis of a scatter with (centred) second moments cxx, cxy
/// and cyy, in closed form; (1, 0) when the scatter has no direction.
cv::Point2d principalAxis(double cxx, double cxy, double cyy);

/// Signed area of the polygon (positive when clockwise on screen, that is with y pointing down).
double signedArea(const Quad& quad);

/// True when the quadrilateral is strictly convex and not degenerate.
bool isConvex(const Quad& quad);

/// The largest deviation, in degrees, of any interior corner angle from a right angle.
double maximumCornerDeviation(const Quad& quad);

/// Mean lengths of the two pairs of opposite sides (0-1 and 2-3; 1-2 and 3-0).
std::pair<double, double> meanSideLengths(const Quad& quad);

/// Largest distance between matching corners of two quadrilaterals, taken in the given order.
double maximumCornerDistance(const Quad& a, const Quad& b);

/// Puts the corners in screen-clockwise order (y down) starting with the top-left corner.
///
/// The top-left corner is chosen so that the quadrilateral's own top edge lies on top: of the four
/// cyclic orders, the one whose top and bottom edges (corner 0 to 1 and 3 to 2) point most nearly
/// along +x wins. For a page turned by less than 45 degrees this is the page's own top-left corner
/// as it reads; beyond 45 degrees the page's real top cannot be told from its outline, and the
/// corner that is then named top-left is the one nearest the image's top-left.
Quad orderCorners(const Quad& quad);

/// Reduces a convex polygon to the quadrilateral that encloses it with the least added area, by
/// repeatedly replacing the edge whose removal (extending its two neighbours to their crossing)
/// adds the smallest triangle. Returns nothing when the polygon has fewer than four vertices or
/// the reduction runs away (neighbouring edges that do not meet in front of the polygon).
std::optional<Quad> enclosingQuad(const std::vector<cv::Point2d>& convexPolygon);

}  // namespace quorvel::platform::vision

namespace quorvel::platform::vision {

/// A point on an edge together with its position along the side it belongs to (0 at the side's
/// first corner, 1 at its second).
struct EdgePoint {
    cv::Point2d position;
    double along;
};

/// Fits a line to edge points robustly: Tukey-weighted refits that ignore points further than
/// `cutoff` pixels from the line, starting from `start` (or from a least-squares fit) with a wide
/// cutoff that is tightened step by step. `inliers` (optional) receives the points within the
/// cutoff of the final line. Nothing when fewer than two points carry weight.
std::optional<Line> fitLineRobust(const std::vector<EdgePoint>& points, double cutoff,
                                  const std::optional<Line>& start = std::nullopt,
                                  std::vector<EdgePoint>* inliers = nullptr);

}  // namespace quorvel::platform::vision
