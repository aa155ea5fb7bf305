#pragma once

#include <cstdint>

namespace quorvel::platform {

// A colour in the sRGB colour space: red, green, blue and alpha, each from 0 to 1, the colour
// components not premultiplied by alpha.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    static constexpr Color clear() { return Color{0, 0, 0, 0}; }
    static constexpr Color black() { return Color{0, 0, 0, 1}; }
    static constexpr Color white() { return Color{1, 1, 1, 1}; }
    // From 8-bit components: 0 → 0.0, 255 → 1.0.
    static constexpr Color fromRGBA8(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                     std::uint8_t alpha = 255) {
        return Color{red / 255.0, green / 255.0, blue / 255.0, alpha / 255.0};
    }

    // The same colour with the given alpha.
    constexpr Color withAlpha(double newAlpha) const { return Color{red, green, blue, newAlpha}; }

    friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace quorvel::platform
