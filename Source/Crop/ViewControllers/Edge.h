#pragma once

#include <memory>

#include "Platform/Graphics/Geometry.h"
#include "Source/Crop/Components/CornerPoint.h"

namespace quorvel {

// The orientation of a side of the crop outline: the top and bottom sides are horizontal and
// move only up and down; the right and left sides are vertical and move only sideways.
enum class EdgeType { vertical, horizontal };

// A touched side of the crop outline: its two handles (the second follows the first in the order
// top-left, top-right, bottom-right, bottom-left, wrapping), its midpoint when touched and its
// orientation.
struct Edge {
    std::shared_ptr<CornerPoint> corner1;
    std::shared_ptr<CornerPoint> corner2;
    platform::Point center;
    EdgeType type = EdgeType::horizontal;
};

}  // namespace quorvel
