#pragma once

#include <functional>
#include <optional>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

// The hooks through which a window system's event loop and the main run loop become one loop
// (MainRunLoop::setEventPump). The run loop calls the first two on the thread that drives it; it
// calls wake from any thread.
struct EventPump {
    // Delivers the window system's pending events without waiting. True when it delivered any.
    std::function<bool()> deliverPending;
    // Waits until an event arrives, wake() is called or `timeout` has passed (real time; nullopt:
    // no limit), and delivers what arrived.
    std::function<void(std::optional<Duration> timeout)> waitForEvents;
    // Makes a waitForEvents in progress, or else the next one, return soon. Callable from any
    // thread.
    std::function<void()> wake;
};

}  // namespace quorvel::platform
