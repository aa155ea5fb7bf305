#include "Platform/UI/DisplayInvalidation.h"

#include <utility>

#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform {

namespace {

struct State {
    std::uint64_t generation = 1;
    TimePoint animatingUntil{};
    int continuous = 0;
    std::function<void()> handler;
    bool notifying = false;
};

State& state() {
    static State instance;
    return instance;
}

}  // namespace

void DisplayInvalidation::invalidate() {
    auto& s = state();
    ++s.generation;
    if (s.handler && !s.notifying && MainRunLoop::isCurrent()) {
        s.notifying = true;
        auto handler = s.handler;
        handler();
        s.notifying = false;
    }
}

std::uint64_t DisplayInvalidation::generation() {
    return state().generation;
}

void DisplayInvalidation::animateUntil(TimePoint end) {
    auto& s = state();
    if (end > s.animatingUntil) {
        s.animatingUntil = end;
    }
    invalidate();
}

void DisplayInvalidation::beginContinuousAnimation() {
    ++state().continuous;
    invalidate();
}

void DisplayInvalidation::endContinuousAnimation() {
    auto& s = state();
    if (s.continuous > 0) {
        --s.continuous;
    }
    invalidate();
}

bool DisplayInvalidation::isAnimating() {
    const auto& s = state();
    return s.continuous > 0 || Clock::now() < s.animatingUntil;
}

void DisplayInvalidation::setHandler(std::function<void()> handler) {
    state().handler = std::move(handler);
}

}  // namespace quorvel::platform
