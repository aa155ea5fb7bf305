#pragma once

#include <opencv2/core.hpp>

namespace quorvel::platform {

// A picture filmed by a sensor of another shape.
class FittedPicture {
public:
    // Draws the whole of `picture` (BGR) into `target` (BGRA, opaque), scaled to fit and
    // centred, so that a document photographed to its edges keeps its corners in view. Where the
    // shapes differ, the surround is what a camera held over the photo would see beyond it if the
    // photo went on: its outermost rows (or columns) continued, blurred wider and a little darker
    // the farther they lie from it. Plain bars would draw a long, straight, strong edge along the
    // picture's border, which an outline search takes for the side of a page lying near it; this
    // surround has none. False when it could not.
    static bool draw(const cv::Mat& picture, cv::Mat& target);
};

}  // namespace quorvel::platform
