#pragma once

namespace quorvel::platform {

// The device's main screen. Only its scale matters here: the number of pixels per point that
// image drawing contexts use when they are asked for "the screen's scale" (scale 0). It is 2.0,
// the scale of most phones, until a host or a test sets another; it may be read and set from any
// thread.
class Screen {
public:
    static constexpr double defaultScale = 2.0;

    static double mainScale();
    // Values that are not finite or not positive are ignored.
    static void setMainScale(double scale);
};

}  // namespace quorvel::platform
