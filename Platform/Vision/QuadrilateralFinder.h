#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <vector>

namespace quorvel::platform {

/// What a rectangle search looks for. The defaults are the phone platform's own; callers that
/// look for paper documents usually lower the size and widen the aspect-ratio range.
struct RectangleDetectionSettings {
    /// Smallest accepted size: the quadrilateral's shorter dimension (mean of a pair of opposite
    /// sides) relative to the image's smaller dimension, 0...1.
    double minimumSize = 0.2;
    /// Accepted range of shorter ÷ longer dimension; 1.0 admits squares.
    double minimumAspectRatio = 0.5;
    double maximumAspectRatio = 1.0;
    /// How far, in degrees, each corner angle may differ from a right angle.
    double quadratureTolerance = 30;
    /// Most quadrilaterals returned, best first; 0 means no limit.
    int maximumObservations = 1;
    /// Quadrilaterals with a lower confidence are dropped.
    double minimumConfidence = 0;
};

/// A quadrilateral found in an image.
struct DetectedQuadrilateral {
    /// Corners in pixels of the given (upright) image, origin at the top-left pixel's centre, y
    /// down, in the order top-left, top-right, bottom-right, bottom-left (screen-clockwise). The
    /// top-left corner is the one that keeps the quadrilateral's own top edge on top of the image:
    /// for an object turned by less than 45 degrees, its own top-left corner; beyond that, the
    /// corner nearest the image's top-left.
    std::array<cv::Point2d, 4> corners;
    /// How well the outline is supported by the image, 0...1: the share of each side that lies on
    /// a clean brightness step (mean of the four sides blended with the weakest one).
    double confidence = 0;
};

/// Finds the outlines of rectangular objects (pages, receipts, cards, notepads) in an image,
/// best first.
///
/// This stands in for the phone platform's rectangle-detection request: same settings, same
/// meaning of the result, but pixel coordinates with a top-left origin (the platform reports
/// normalized coordinates with a bottom-left origin; converting is the caller's business).
///
/// `image` is CV_8UC4 (a camera frame or bitmap, bytes in the given order), CV_8UC3 (BGR) or
/// CV_8UC1. An empty image, another pixel type or an image too small to hold an outline gives an
/// empty list; so does an image without any quadrilateral whose four sides all sit on clear
/// edges. Never throws. The image is read where it is: a four-channel frame is never copied
/// whole.
enum class ChannelOrder {
    bgra,  ///< bytes B, G, R, A (or B, G, R for three channels)
    argb,  ///< bytes A, R, G, B (four channels only)
};
std::vector<DetectedQuadrilateral> findQuadrilaterals(const cv::Mat& image,
                                                      const RectangleDetectionSettings& settings,
                                                      ChannelOrder order = ChannelOrder::bgra);

}  // namespace quorvel::platform
