#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

class View;
class Window;

enum class TouchPhase { began, moved, stationary, ended, cancelled };

// One finger on the screen at one moment, standing in for the phone platform's touch. A value:
// every event carries copies. `view` is the view the touch began in (the hit-test result); it
// stays that view for the whole touch, even when the finger leaves it.
struct Touch {
    // The same for every phase of one touch.
    std::uint64_t identifier = 0;
    TouchPhase phase = TouchPhase::began;
    Point locationInWindow;
    Point previousLocationInWindow;
    // 1 for a single tap, 2 for the second tap of a double tap, ...
    int tapCount = 1;
    // On Clock.
    TimePoint timestamp;
    std::weak_ptr<View> view;
    std::weak_ptr<Window> window;

    // The location in `view`'s coordinates; window coordinates when `view` is null.
    Point location(const View* view) const;
    Point previousLocation(const View* view) const;
};

}  // namespace quorvel::platform
