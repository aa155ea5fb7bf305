#include "Platform/Dispatch/Timer.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform {
namespace {

std::uint64_t nextSequence() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

}  // namespace

std::shared_ptr<Timer> Timer::scheduled(Duration interval, bool repeats, Block block) {
    auto timer = std::make_shared<Timer>(Token{}, interval, repeats, std::move(block));
    MainRunLoop::schedule(timer);
    return timer;
}

Timer::Timer(Token, Duration interval, bool repeats, Block block)
    : interval_(std::max(interval, kMinimumInterval)),
      repeats_(repeats),
      sequence_(nextSequence()),
      fireDate_(Clock::now() + interval_),
      block_(std::make_shared<const Block>(std::move(block))) {}

void Timer::invalidate() {
    // The run loop may hold the last reference; keep the timer alive until this call returns.
    std::shared_ptr<Timer> self = shared_from_this();
    std::shared_ptr<const Block> block;
    {
        std::lock_guard lock(mutex_);
        if (!valid_) {
            return;
        }
        valid_ = false;
        block = std::move(block_);
    }
    MainRunLoop::unschedule(*this);
    // The block is released here, without any lock held (or later, if it is running right now).
}

bool Timer::isValid() const {
    std::lock_guard lock(mutex_);
    return valid_;
}

TimePoint Timer::fireDate() const {
    std::lock_guard lock(mutex_);
    return fireDate_;
}

}  // namespace quorvel::platform
