#pragma once

#include <cstdint>

#include "Platform/UI/BitMask.h"

namespace quorvel::platform {

// The orientation of the user interface, with the phone platform's raw values (portrait = 1).
enum class InterfaceOrientation {
    unknown = 0,
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeLeft = 4,
    landscapeRight = 3,
};

// A set of interface orientations, with the phone platform's raw values (portrait = 1 << 1 = 2).
enum class InterfaceOrientationMask : std::uint32_t {
    portrait = 1u << 1,
    landscapeLeft = 1u << 4,
    landscapeRight = 1u << 3,
    portraitUpsideDown = 1u << 2,
    landscape = (1u << 4) | (1u << 3),
    all = (1u << 1) | (1u << 2) | (1u << 3) | (1u << 4),
    allButUpsideDown = (1u << 1) | (1u << 3) | (1u << 4),
};
template <>
struct IsBitMask<InterfaceOrientationMask> : std::true_type {};

}  // namespace quorvel::platform
