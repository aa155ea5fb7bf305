#include "Platform/UI/BasicAnimation.h"

#include <chrono>

namespace quorvel::platform {

std::shared_ptr<BasicAnimation> BasicAnimation::make(std::string keyPath) {
    return std::shared_ptr<BasicAnimation>(new BasicAnimation(std::move(keyPath)));
}

double BasicAnimation::progress(TimePoint time) const {
    if (!beginTime_ || duration_ <= 0) {
        return 1;
    }
    const double elapsed = std::chrono::duration<double>(time - *beginTime_).count();
    return applyTimingFunction(timingFunction_, elapsed / duration_);
}

bool BasicAnimation::isFinished(TimePoint time) const {
    if (!beginTime_ || duration_ <= 0) {
        return true;
    }
    return std::chrono::duration<double>(time - *beginTime_).count() >= duration_;
}

std::optional<AnimationValue> BasicAnimation::value(TimePoint time) const {
    if (!toValue_) {
        return fromValue_;
    }
    if (!fromValue_) {
        return toValue_;
    }
    return interpolate(*fromValue_, *toValue_, progress(time));
}

std::shared_ptr<BasicAnimation> BasicAnimation::copy() const {
    return std::shared_ptr<BasicAnimation>(new BasicAnimation(*this));
}

}  // namespace quorvel::platform
