#include "Platform/UI/Transaction.h"

#include <memory>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

namespace {

struct Settings {
    double duration = Transaction::defaultAnimationDuration;
    TimingFunction timing = TimingFunction::linear;
    bool disableActions = false;
};

struct Stack {
    Settings implicit;
    std::vector<Settings> open;
    // Alive while a reset is queued on the main queue (the queued block holds it), so a reset
    // dropped with the queue's pending work is queued again.
    std::weak_ptr<int> pendingReset;

    Settings& top() { return open.empty() ? implicit : open.back(); }
    // A change to the implicit transaction lasts for the current main-queue turn, as the
    // platform commits its implicit transaction at the end of each turn.
    Settings& writable() {
        if (!open.empty()) {
            return open.back();
        }
        if (pendingReset.expired()) {
            auto token = std::make_shared<int>(0);
            pendingReset = token;
            DispatchQueue::main()->async([token] { Transaction::resetImplicit(); });
        }
        return implicit;
    }
};

Stack& stack() {
    static Stack instance;
    return instance;
}

}  // namespace

void Transaction::begin() {
    auto& s = stack();
    s.open.push_back(s.top());
}

void Transaction::commit() {
    auto& s = stack();
    if (!s.open.empty()) {
        s.open.pop_back();
    }
}

int Transaction::depth() {
    return static_cast<int>(stack().open.size());
}

double Transaction::animationDuration() {
    return stack().top().duration;
}

void Transaction::setAnimationDuration(double seconds) {
    stack().writable().duration = seconds < 0 ? 0 : seconds;
}

TimingFunction Transaction::animationTimingFunction() {
    return stack().top().timing;
}

void Transaction::setAnimationTimingFunction(TimingFunction function) {
    stack().writable().timing = function;
}

bool Transaction::disableActions() {
    return stack().top().disableActions;
}

void Transaction::setDisableActions(bool disable) {
    stack().writable().disableActions = disable;
}

void Transaction::resetImplicit() {
    stack().implicit = Settings{};
}

}  // namespace quorvel::platform
