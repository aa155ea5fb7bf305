#pragma once

#include <array>
#include <cstddef>
#include <functional>

#include "Platform/Graphics/Geometry.h"

namespace quorvel {

// Keeps the crop outline the picture of a page while its handles move: convex, each corner at
// least a handle spacing from the line through its two neighbours. A crossed or concave outline
// would straighten into a mirrored, torn page.
//
// Corners are in the order top-left, top-right, bottom-right, bottom-left, in a y-down space.
// An outline that already comes closer than the spacing (or is not convex at all) may keep what
// it has but not get worse.
class ConvexOutline {
public:
    using Corners = std::array<platform::Point, 4>;

    // Of `translation` of corner `index` (already kept within its box by `keepInBox`, which
    // limits any translation of that corner to its box), the part that keeps the outline a page:
    // all of it, or the move slid along the line it would cross, or cut short where it meets it.
    static platform::Point limitCornerMove(
        const Corners& corners, std::size_t index, platform::Point translation, double spacing,
        const std::function<platform::Point(platform::Point)>& keepInBox);

    // Whether moving corners `index` and the one after it by `translation` keeps the outline a
    // page.
    static bool keepsSideMove(const Corners& corners, std::size_t index,
                              platform::Point translation, double spacing);
};

}  // namespace quorvel
