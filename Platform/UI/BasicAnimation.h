#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/AnimationValue.h"

namespace quorvel::platform {

// What an animation shows after its end while it stays on the layer (not removed on
// completion): forwards keeps the to-value, removed shows the model value.
enum class FillMode { removed, forwards };

// An animation of one layer property ("opacity", "path", "strokeEnd") from one value to another
// on Clock, standing in for the phone platform's basic animation. Reference type; Layer::add
// takes a copy, so changing an animation after adding it changes nothing on the layer.
//
// - fromValue absent: the layer's presentation value when the animation is added.
// - toValue absent: the layer's model value (an action animation gets the new value).
// - duration 0: the current transaction's animationDuration when added.
// - beginTime: set to Clock::now() when added, unless already set.
// - A finished animation that isRemovedOnCompletion drops out of the layer; one that is not keeps
//   showing its to-value (fill mode forwards) until removed.
class BasicAnimation {
public:
    static std::shared_ptr<BasicAnimation> make(std::string keyPath);

    const std::string& keyPath() const { return keyPath_; }
    void setKeyPath(std::string keyPath) { keyPath_ = std::move(keyPath); }

    const std::optional<AnimationValue>& fromValue() const { return fromValue_; }
    void setFromValue(std::optional<AnimationValue> value) { fromValue_ = std::move(value); }
    const std::optional<AnimationValue>& toValue() const { return toValue_; }
    void setToValue(std::optional<AnimationValue> value) { toValue_ = std::move(value); }

    // Seconds.
    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }

    // Linear unless set.
    TimingFunction timingFunction() const { return timingFunction_; }
    void setTimingFunction(TimingFunction function) { timingFunction_ = function; }

    bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool removed) { removedOnCompletion_ = removed; }

    // Forwards when not removed on completion, unless set otherwise.
    FillMode fillMode() const { return fillMode_; }
    void setFillMode(FillMode mode) { fillMode_ = mode; }

    const std::optional<TimePoint>& beginTime() const { return beginTime_; }
    void setBeginTime(std::optional<TimePoint> time) { beginTime_ = time; }

    // Where the animation stands at `time`: its paced progress from 0 to 1 (clamped), and whether
    // it has ended. Needs beginTime.
    double progress(TimePoint time) const;
    bool isFinished(TimePoint time) const;
    // The value shown at `time` (from and to must be set).
    std::optional<AnimationValue> value(TimePoint time) const;

    std::shared_ptr<BasicAnimation> copy() const;

protected:
    explicit BasicAnimation(std::string keyPath) : keyPath_(std::move(keyPath)) {}

private:
    std::string keyPath_;
    std::optional<AnimationValue> fromValue_;
    std::optional<AnimationValue> toValue_;
    double duration_ = 0;
    TimingFunction timingFunction_ = TimingFunction::linear;
    bool removedOnCompletion_ = true;
    FillMode fillMode_ = FillMode::forwards;
    std::optional<TimePoint> beginTime_;
};

}  // namespace quorvel::platform
