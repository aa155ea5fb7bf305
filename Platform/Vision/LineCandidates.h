#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "Platform/Vision/QuadGeometry.h"

namespace quorvel::platform::vision {

/// Limits for quadrilaterals assembled from straight edges.
struct LineQuadLimits {
    double minimumExtent = 10;        ///< shortest accepted side, in pixels
    double angleTolerance = 45;       ///< largest accepted corner deviation from 90 degrees
    double outsideSlack = 4;          ///< how far corners may lie outside the image, in pixels
    size_t maximumLines = 30;         ///< strongest lines considered as pairs of opposite sides
    size_t maximumClosingLines = 60;  ///< strongest lines considered as sides joining a pair
    size_t maximumQuads = 16;         ///< best quadrilaterals returned
};

/// Quadrilaterals whose four sides lie on straight runs of edge pixels.
///
/// Finds straight segments in the binary edge map (`dx`, `dy`: the CV_16S gradients the edges
/// came from, which tell the direction of each edge pixel), merges the collinear ones into lines,
/// and pairs lines into quadrilaterals. Each is ranked by how much of its four sides the segments
/// cover, the weakest side counting most, and the best few are returned. This finds outlines
/// that never close into one contour: a page whose edge fades out along one side, or whose edges
/// run into the texture around it.
std::vector<Quad> lineCandidates(const cv::Mat& edges, const cv::Mat& dx, const cv::Mat& dy,
                                 const LineQuadLimits& limits);

}  // namespace quorvel::platform::vision
