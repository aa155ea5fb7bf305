#pragma once

#include <cstdint>

#include "Platform/UI/BitMask.h"

namespace quorvel::platform {

// What an accessibility element is and how it behaves, with the phone platform's raw values.
enum class AccessibilityTraits : std::uint64_t {
    none = 0,
    button = 1ull << 0,
    link = 1ull << 1,
    image = 1ull << 2,
    selected = 1ull << 3,
    playsSound = 1ull << 4,
    keyboardKey = 1ull << 5,
    staticText = 1ull << 6,
    summaryElement = 1ull << 7,
    notEnabled = 1ull << 8,
    updatesFrequently = 1ull << 9,
    searchField = 1ull << 10,
    startsMediaSession = 1ull << 11,
    adjustable = 1ull << 12,
    allowsDirectInteraction = 1ull << 13,
    causesPageTurn = 1ull << 14,
    header = 1ull << 16,
};
template <>
struct IsBitMask<AccessibilityTraits> : std::true_type {};

}  // namespace quorvel::platform
