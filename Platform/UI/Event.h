#pragma once

#include <vector>

#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/Touch.h"

namespace quorvel::platform {

class View;

// An input event: the touches that take part in it. A value made by the window for each step of
// the input and handed to recognizers, views and control actions.
class Event {
public:
    Event() = default;
    Event(std::vector<Touch> touches, TimePoint timestamp)
        : touches_(std::move(touches)), timestamp_(timestamp) {}

    const std::vector<Touch>& touches() const { return touches_; }
    // The touches that began in `view` (Touch::view == view).
    std::vector<Touch> touches(const View* view) const;
    TimePoint timestamp() const { return timestamp_; }

private:
    std::vector<Touch> touches_;
    TimePoint timestamp_;
};

}  // namespace quorvel::platform
