#pragma once

#include <cstdint>

#include "Platform/UI/BitMask.h"

namespace quorvel::platform {

// Options of View::animate, with the phone platform's raw values (allowUserInteraction |
// beginFromCurrentState | allowAnimatedContent == 134). The curve is a two-bit field: no curve
// bits means ease-in-ease-out.
enum class AnimationOptions : std::uint32_t {
    none = 0,
    layoutSubviews = 1u << 0,
    allowUserInteraction = 1u << 1,
    beginFromCurrentState = 1u << 2,
    repeat = 1u << 3,
    autoreverse = 1u << 4,
    overrideInheritedDuration = 1u << 5,
    overrideInheritedCurve = 1u << 6,
    allowAnimatedContent = 1u << 7,
    curveEaseInOut = 0,
    curveEaseIn = 1u << 16,
    curveEaseOut = 2u << 16,
    curveLinear = 3u << 16,
};
template <>
struct IsBitMask<AnimationOptions> : std::true_type {};

}  // namespace quorvel::platform
