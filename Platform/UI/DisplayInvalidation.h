#pragma once

#include <cstdint>
#include <functional>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

// Tells the painter that something visible changed. Every visible change in the model (view and
// layer properties, the tree, needs-display requests, animations) calls invalidate(); the Qt host
// either polls generation() or installs a handler to schedule a repaint. Animations also report
// how long they run (animatingUntil), and continuous animators (a spinning activity indicator)
// register while they run, so the host keeps repainting. Main thread only.
class DisplayInvalidation {
public:
    DisplayInvalidation() = delete;

    static void invalidate();
    // Increases with every invalidate().
    static std::uint64_t generation();

    // Something animates until `end` (on Clock).
    static void animateUntil(TimePoint end);
    static void beginContinuousAnimation();
    static void endContinuousAnimation();
    // Whether an animation is moving at the current Clock time.
    static bool isAnimating();

    // Called after each invalidate() (on the main thread). An empty function removes it.
    static void setHandler(std::function<void()> handler);
};

}  // namespace quorvel::platform
