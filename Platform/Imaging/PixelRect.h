#pragma once

#include <cstdint>
#include <optional>

#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// A rectangle of whole pixels, given by its edges (max edges excluded). Wide integers so that
// rectangles far outside any image can still be intersected without overflow.
struct PixelRect {
    std::int64_t minX = 0;
    std::int64_t minY = 0;
    std::int64_t maxX = 0;
    std::int64_t maxY = 0;

    // The smallest whole-pixel rectangle holding `rect` (negative sizes allowed); coordinates
    // within a millionth of a whole pixel count as whole, so arithmetic noise adds no extra row.
    // Infinite edges are held at ±2^40. nullopt when a coordinate is not a number.
    static std::optional<PixelRect> enclosing(const Rect& rect);

    std::int64_t width() const { return maxX - minX; }
    std::int64_t height() const { return maxY - minY; }
    bool isEmpty() const { return maxX <= minX || maxY <= minY; }
    // The common part; empty when there is none.
    PixelRect intersection(const PixelRect& other) const;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace quorvel::platform
