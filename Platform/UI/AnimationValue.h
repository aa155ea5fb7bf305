#pragma once

#include <optional>
#include <variant>

#include "Platform/Graphics/BezierPath.h"

namespace quorvel::platform {

// A value an animation moves between: a number (opacity, stroke end) or a path.
using AnimationValue = std::variant<double, BezierPath>;

// The pacing of an animation, with the phone platform's named curves (cubic Bézier curves from
// (0,0) to (1,1)): linear; easeIn (0.42, 0, 1, 1); easeOut (0, 0, 0.58, 1); easeInEaseOut
// (0.42, 0, 0.58, 1); defaultCurve (0.25, 0.1, 0.25, 1).
enum class TimingFunction { linear, easeIn, easeOut, easeInEaseOut, defaultCurve };

// The paced progress for a linear progress `t` in [0, 1] (values outside are clamped).
double applyTimingFunction(TimingFunction function, double t);

// The value a fraction `progress` (already paced) of the way from `from` to `to`. Numbers are
// interpolated linearly; paths point by point when both have the same elements (same count and
// types), otherwise the result is `to`. Values of different kinds give `to`.
AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double progress);

}  // namespace quorvel::platform
