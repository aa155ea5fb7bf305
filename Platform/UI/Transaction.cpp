#include "Platform/UI/Transaction.h"

#include <vector>

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

    Settings& top() { return open.empty() ? implicit : open.back(); }
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
    stack().top().duration = seconds < 0 ? 0 : seconds;
}

TimingFunction Transaction::animationTimingFunction() {
    return stack().top().timing;
}

void Transaction::setAnimationTimingFunction(TimingFunction function) {
    stack().top().timing = function;
}

bool Transaction::disableActions() {
    return stack().top().disableActions;
}

void Transaction::setDisableActions(bool disable) {
    stack().top().disableActions = disable;
}

void Transaction::resetImplicit() {
    stack().implicit = Settings{};
}

}  // namespace quorvel::platform
