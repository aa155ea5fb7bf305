#include "Platform/UI/Layer.h"

#include <algorithm>

#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/Transaction.h"
#include "Platform/UI/UIAssert.h"

namespace quorvel::platform {

std::shared_ptr<Layer> Layer::make() {
    return std::shared_ptr<Layer>(new Layer());
}

void Layer::setFrame(const Rect& frame) {
    {
        std::lock_guard lock(frameMutex_);
        if (frame_ == frame) {
            return;
        }
        frame_ = frame;
    }
    didChange();
}

Rect Layer::bounds() const {
    return Rect{{0, 0}, frame().size};
}

Point Layer::position() const {
    return frame().center();
}

void Layer::setPosition(Point position) {
    Rect r = frame();
    r.origin = {position.x - r.size.width / 2, position.y - r.size.height / 2};
    setFrame(r);
}

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) {
    insertSublayer(layer, static_cast<std::size_t>(-1));
}

void Layer::insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index) {
    if (!layer || layer.get() == this) {
        return;
    }
    for (auto ancestor = superlayer(); ancestor; ancestor = ancestor->superlayer()) {
        if (ancestor == layer) {
            return;
        }
    }
    const auto keep = layer;  // may be owned only by our own list
    keep->removeFromSuperlayer();
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->superlayer_ = weak_from_this();
    didChange();
}

void Layer::removeFromSuperlayer() {
    auto parent = superlayer_.lock();
    superlayer_.reset();
    if (!parent) {
        return;
    }
    auto& siblings = parent->sublayers_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [this](const auto& sibling) { return sibling.get() == this; }),
                   siblings.end());
    parent->didChange();
}

void Layer::setOpacity(double opacity) {
    if (opacity == opacity_ && !animation("opacity")) {
        return;
    }
    changeAnimatable("opacity", [&] { opacity_ = opacity; });
}

void Layer::setHidden(bool hidden) {
    hidden_ = hidden;
    didChange();
}

void Layer::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
    didChange();
}

void Layer::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    didChange();
}

void Layer::setMasksToBounds(bool masks) {
    masksToBounds_ = masks;
    didChange();
}

void Layer::setBorderWidth(double width) {
    borderWidth_ = width;
    didChange();
}

void Layer::setBorderColor(std::optional<Color> color) {
    borderColor_ = color;
    didChange();
}

void Layer::setAffineTransform(const AffineTransform& transform) {
    transform_ = transform;
    didChange();
}

void Layer::setNeedsDisplay() {
    didChange();
}

void Layer::didChange() {
    DisplayInvalidation::invalidate();
}

void Layer::add(const std::shared_ptr<BasicAnimation>& animation, const std::string& key) {
    requireMainThread("Layer::add");
    if (!animation || animation->keyPath().empty()) {
        return;
    }
    auto copy = animation->copy();
    if (!copy->beginTime()) {
        copy->setBeginTime(Clock::now());
    }
    if (copy->duration() <= 0) {
        copy->setDuration(Transaction::animationDuration());
    }
    if (!copy->fromValue()) {
        copy->setFromValue(presentationValue(copy->keyPath()));
    }
    removeAnimation(key);
    animations_.emplace_back(key, copy);
    if (copy->duration() > 0) {
        DisplayInvalidation::animateUntil(
            *copy->beginTime() + toDuration(std::chrono::duration<double>(copy->duration())));
    }
    didChange();
}

void Layer::pruneFinished() const {
    const auto now = Clock::now();
    animations_.erase(std::remove_if(animations_.begin(), animations_.end(),
                                     [&](const auto& entry) {
                                         return entry.second->isRemovedOnCompletion() &&
                                                entry.second->isFinished(now);
                                     }),
                      animations_.end());
}

std::shared_ptr<BasicAnimation> Layer::animation(const std::string& key) const {
    pruneFinished();
    for (const auto& [name, animation] : animations_) {
        if (name == key) {
            return animation;
        }
    }
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    pruneFinished();
    std::vector<std::string> keys;
    for (const auto& entry : animations_) {
        keys.push_back(entry.first);
    }
    return keys;
}

void Layer::removeAnimation(const std::string& key) {
    const auto before = animations_.size();
    animations_.erase(std::remove_if(animations_.begin(), animations_.end(),
                                     [&](const auto& entry) { return entry.first == key; }),
                      animations_.end());
    if (animations_.size() != before) {
        didChange();
    }
}

void Layer::removeAllAnimations() {
    if (!animations_.empty()) {
        animations_.clear();
        didChange();
    }
}

bool Layer::hasRunningAnimations() const {
    const auto now = Clock::now();
    return std::any_of(animations_.begin(), animations_.end(),
                       [&](const auto& entry) { return !entry.second->isFinished(now); });
}

std::shared_ptr<BasicAnimation> Layer::action(const std::string&) {
    return nullptr;
}

std::optional<AnimationValue> Layer::modelValue(const std::string& keyPath) const {
    if (keyPath == "opacity") {
        return AnimationValue{opacity_};
    }
    return std::nullopt;
}

std::optional<AnimationValue> Layer::presentationValue(const std::string& keyPath) const {
    pruneFinished();
    const auto now = Clock::now();
    for (auto it = animations_.rbegin(); it != animations_.rend(); ++it) {
        const auto& animation = *it->second;
        if (animation.keyPath() != keyPath || !animation.beginTime() ||
            now < *animation.beginTime()) {
            continue;
        }
        if (animation.isFinished(now) && animation.fillMode() == FillMode::removed) {
            continue;
        }
        auto from = animation.fromValue() ? animation.fromValue() : modelValue(keyPath);
        auto to = animation.toValue() ? animation.toValue() : modelValue(keyPath);
        if (!to) {
            return from;
        }
        if (!from) {
            return to;
        }
        return interpolate(*from, *to, animation.progress(now));
    }
    return modelValue(keyPath);
}

double Layer::presentationOpacity() const {
    const auto value = presentationValue("opacity");
    if (value) {
        if (const auto* number = std::get_if<double>(&*value)) {
            return *number;
        }
    }
    return opacity_;
}

std::shared_ptr<BasicAnimation> Layer::actionForChange(const std::string& key) {
    if (Transaction::disableActions()) {
        return nullptr;
    }
    return action(key);
}

void Layer::finishChange(const std::string& key, std::shared_ptr<BasicAnimation> animation,
                         std::optional<AnimationValue> before) {
    if (!animation) {
        return;
    }
    if (!animation->toValue()) {
        animation->setToValue(modelValue(key));
    }
    if (!animation->fromValue()) {
        animation->setFromValue(std::move(before));
    }
    add(animation, key);
}

}  // namespace quorvel::platform
