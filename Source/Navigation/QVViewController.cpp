#include "Source/Navigation/QVViewController.h"

#include <chrono>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Accessibility.h"

namespace quorvel {

namespace {

// On the main thread: runs `actions` at `deadline` while a screen reader runs, else on the next
// turn.
void schedule(platform::TimePoint deadline, std::function<void()> actions) {
    const auto main = platform::DispatchQueue::main();
    if (platform::Accessibility::isVoiceOverRunning()) {
        main->asyncAfter(deadline, std::move(actions));
    } else {
        main->async(std::move(actions));
    }
}

}  // namespace

void QVViewController::performDelayedIfVoiceover(double delay, std::function<void()> actions) {
    if (!actions) return;
    const platform::TimePoint deadline =
        platform::Clock::now() + platform::toDuration(std::chrono::duration<double>(delay));
    if (platform::MainRunLoop::isCurrent()) {
        schedule(deadline, std::move(actions));
        return;
    }
    // Results arrive from the camera's and the vision queues: whether a screen reader runs is
    // asked on the main thread, where the accessibility state lives; the delay still counts from
    // the call. Without a screen reader the hop itself is the next turn.
    platform::DispatchQueue::main()->async([deadline, actions = std::move(actions)]() mutable {
        if (platform::Accessibility::isVoiceOverRunning()) {
            platform::DispatchQueue::main()->asyncAfter(deadline, std::move(actions));
        } else {
            actions();
        }
    });
}

}  // namespace quorvel
