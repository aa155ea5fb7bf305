#pragma once

#include <cstdint>

#include "Platform/UI/BitMask.h"

namespace quorvel::platform {

// How a view follows its superview's size changes, with the phone platform's raw values. Applied
// whenever the superview's bounds size changes (before its layoutSubviews runs).
enum class AutoresizingMask : std::uint32_t {
    none = 0,
    flexibleLeftMargin = 1u << 0,
    flexibleWidth = 1u << 1,
    flexibleRightMargin = 1u << 2,
    flexibleTopMargin = 1u << 3,
    flexibleHeight = 1u << 4,
    flexibleBottomMargin = 1u << 5,
};
template <>
struct IsBitMask<AutoresizingMask> : std::true_type {};

}  // namespace quorvel::platform
