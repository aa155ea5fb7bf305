#include "Source/Navigation/QVViewController.h"

#include <chrono>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/Accessibility.h"

namespace quorvel {

void QVViewController::performDelayedIfVoiceover(double delay, std::function<void()> actions) {
    if (!actions) return;
    const auto main = platform::DispatchQueue::main();
    if (platform::Accessibility::isVoiceOverRunning()) {
        main->asyncAfter(std::chrono::duration<double>(delay), std::move(actions));
    } else {
        main->async(std::move(actions));
    }
}

}  // namespace quorvel
