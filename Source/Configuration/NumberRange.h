#pragma once

#include <optional>

#include "Platform/Foundation/Decoder.h"
#include "Platform/Log/LogChannel.h"

namespace quorvel {

// The values a number of the configuration property list may take, in points, both ends
// included. A value outside (a height of a million points, a font of 1e300 points, a negative
// width, an infinity or NaN) is a mistake of the file, and the reader keeps the value it would
// have without the key.
struct NumberRange {
    double lowest;
    double highest;

    bool contains(double value) const { return value >= lowest && value <= highest; }

    // The number under `key` when it is one within the range. None when the key is missing or
    // holds no number, silently (the key counts as absent), and none when the number is outside
    // the range, logged on `channel` naming the key, once for all readers of one parsed list.
    std::optional<double> read(const platform::KeyedContainer& container, const char* key,
                               const platform::LogChannel& channel) const;
};

}  // namespace quorvel
