#pragma once

#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// One rectangle found by a rectangle-detection request. Corners are normalized to the image as
// turned upright by the request's orientation: 0 to 1 on both axes, origin at the LOWER left,
// y growing upward. The corners are named as the page sits in that y-up space: `topLeft` is the
// corner with the larger y on the left.
struct RectangleObservation {
    Point topLeft;
    Point topRight;
    Point bottomLeft;
    Point bottomRight;
    float confidence = 0;
};

}  // namespace quorvel::platform
