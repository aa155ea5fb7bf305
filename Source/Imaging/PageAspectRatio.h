#pragma once

#include <optional>

#include "Platform/Graphics/Geometry.h"

namespace quorvel {

class RectangleFeature;

// The width-to-height ratio of the flat page whose picture is a quadrilateral, as a pinhole camera
// sees it (square pixels, principal point at the picture's centre). Under perspective the sides of
// the quadrilateral are not the paper's: the side nearer the camera is longer. The ratio follows
// from the quadrilateral once the focal length is known (Zhang and He, "Whiteboard scanning and
// image enhancement", Digital Signal Processing 17(2), 2007, section 3), and a quadrilateral whose
// opposite sides clearly converge also fixes the focal length itself.
//
// Which focal length is used:
// 1. the one the quadrilateral implies, when it is well determined: a plausible lens, and a ratio
//    that stays within 2 % when any corner moves by a thousandth of the picture's diagonal (about
//    what corner detection is off by);
// 2. else the camera's own, when the caller knows it (only for a picture that camera took);
// 3. else a typical phone camera's, a 26 mm-equivalent lens (0.6 of the picture's diagonal).
// Where the quadrilateral is close to a parallelogram the ratio hardly depends on the choice.
class PageAspectRatio {
public:
    // The ratio of the width (the side from `topLeft` to `topRight`) to the height of the page;
    // none for a quadrilateral no flat rectangle in front of the camera can give (three corners
    // on a line, a crossed or concave outline). `feature` and `picture` are in the same pixels,
    // `cameraFocalLength` too.
    static std::optional<double> estimate(const RectangleFeature& feature, platform::Rect picture,
                                          std::optional<double> cameraFocalLength);
};

}  // namespace quorvel
