#pragma once

#include <array>
#include <cstdint>
#include <opencv2/core.hpp>

namespace testing_vision {

/// A generated photo of a sheet of paper lying on a surface, with the sheet's true corners.
struct DocumentScene {
    cv::Mat image;                       // CV_8UC3, BGR
    std::array<cv::Point2d, 4> corners;  // top-left, top-right, bottom-right, bottom-left
};

struct SceneOptions {
    cv::Size size{960, 720};
    /// The sheet's corners in the frame (top-left, top-right, bottom-right, bottom-left of the
    /// sheet as it reads).
    std::array<cv::Point2d, 4> corners{cv::Point2d(250, 140), cv::Point2d(700, 110),
                                       cv::Point2d(740, 640), cv::Point2d(210, 610)};
    cv::Scalar paper{235, 238, 240};
    cv::Scalar surface{60, 90, 130};
    double texture = 25;  ///< strength of the surface's grain
    /// Upright stripes across the surface: every other one, `stripeWidth` pixels wide, in
    /// `stripe` instead of `surface` (0: a plain surface).
    int stripeWidth = 0;
    cv::Scalar stripe{0, 0, 0};
    double noise = 4;  ///< sensor noise (standard deviation, levels)
    bool withPage = true;
    bool printed = true;  ///< text lines on the sheet
    /// A band of colour printed across the top of the sheet, this share of its height (0: none).
    double bandShare = 0;
    cv::Scalar band{40, 40, 170};
    /// A dark frame printed around the sheet's content, this share of its width inside the
    /// paper's edge (0: none), with ruled rows of a table inside it.
    double frameShare = 0;
    uint64_t seed = 1;
};

/// Renders the sheet (with a few lines of "print") through the homography that takes its
/// rectangle to `corners`, onto a grainy surface, then adds a little blur and noise.
DocumentScene renderScene(const SceneOptions& options);

/// The corners (top-left, top-right, bottom-right, bottom-left) of a paper of `width` × `height` as
/// a pinhole camera of `focalLength` pixels filming a `picture` sees it: tipped by `tilt` degrees
/// about an axis in the paper's plane at `direction` degrees, turned by `turn` degrees, its centre
/// on the camera's axis at 2.2 paper heights.
std::array<cv::Point2d, 4> pinholeCorners(double width, double height, double tilt,
                                          double direction, double turn,
                                          cv::Size picture = {1080, 1920},
                                          double focalLength = 1320);

/// Largest distance between matching corners, in the given order.
double worstCornerError(const std::array<cv::Point2d, 4>& found,
                        const std::array<cv::Point2d, 4>& truth);

/// Intersection over union of two convex quadrilaterals.
double quadIoU(const std::array<cv::Point2d, 4>& a, const std::array<cv::Point2d, 4>& b);

}  // namespace testing_vision
