#include "Platform/UI/Event.h"

#include "Platform/UI/View.h"

namespace quorvel::platform {

std::vector<Touch> Event::touches(const View* view) const {
    std::vector<Touch> result;
    for (const auto& touch : touches_) {
        if (touch.view.lock().get() == view) {
            result.push_back(touch);
        }
    }
    return result;
}

}  // namespace quorvel::platform
