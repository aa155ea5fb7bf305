#include "Platform/UI/Control.h"

#include <algorithm>

#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/UIAssert.h"

namespace quorvel::platform {

Control::Control(const Rect& frame) : View(frame) {
    setIsAccessibilityElement(true);
}

void Control::setEnabled(bool enabled) {
    requireMainThread("Control::setEnabled");
    if (enabled_ != enabled) {
        enabled_ = enabled;
        stateDidChange();
        setNeedsDisplay();
    }
}

void Control::setSelected(bool selected) {
    requireMainThread("Control::setSelected");
    if (selected_ != selected) {
        selected_ = selected;
        stateDidChange();
        setNeedsDisplay();
    }
}

void Control::setHighlighted(bool highlighted) {
    requireMainThread("Control::setHighlighted");
    if (highlighted_ != highlighted) {
        highlighted_ = highlighted;
        stateDidChange();
        setNeedsDisplay();
    }
}

ControlState Control::state() const {
    if (!enabled_) {
        return ControlState::disabled;
    }
    if (highlighted_) {
        return ControlState::highlighted;
    }
    if (selected_) {
        return ControlState::selected;
    }
    return ControlState::normal;
}

ControlActionToken Control::addAction(ControlEvents events, Action action) {
    if (!action || isEmpty(events)) {
        return {};
    }
    const auto id = nextActionId_++;
    actions_.push_back(Registration{id, events, std::move(action)});
    return ControlActionToken{id};
}

void Control::removeAction(ControlActionToken token) {
    actions_.erase(std::remove_if(actions_.begin(), actions_.end(),
                                  [&](const auto& r) { return r.id == token.value; }),
                   actions_.end());
}

void Control::sendActions(ControlEvents events, const Event* event) {
    // Copy first: an action may add or remove actions, or release the control's owner.
    const auto keep = shared_from_this();
    std::vector<Registration> matching;
    for (const auto& registration : actions_) {
        if (intersects(registration.events, events)) {
            matching.push_back(registration);
        }
    }
    for (auto& registration : matching) {
        const bool stillRegistered =
            std::any_of(actions_.begin(), actions_.end(),
                        [&](const auto& r) { return r.id == registration.id; });
        if (stillRegistered) {
            registration.action(*this, event);
        }
    }
}

ControlEvents Control::allControlEvents() const {
    ControlEvents all = ControlEvent::none;
    for (const auto& registration : actions_) {
        all |= registration.events;
    }
    return all;
}

bool Control::isInsideTrackingArea(Point point) const {
    return bounds().insetBy(-trackingMargin, -trackingMargin).contains(point);
}

void Control::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    if (touches.empty() || !enabled_) {
        return;
    }
    const Touch& touch = touches.front();
    tracking_ = true;
    touchInside_ = true;
    trackedTouch_ = touch.identifier;
    setHighlighted(true);
    ControlEvents events = ControlEvent::touchDown;
    if (touch.tapCount > 1) {
        events |= ControlEvent::touchDownRepeat;
    }
    sendActions(events, &event);
}

void Control::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    if (!tracking_ || touches.empty()) {
        return;
    }
    const bool inside = isInsideTrackingArea(touches.front().location(this));
    ControlEvents events = inside ? ControlEvent::touchDragInside : ControlEvent::touchDragOutside;
    if (inside != touchInside_) {
        events |= inside ? ControlEvent::touchDragEnter : ControlEvent::touchDragExit;
    }
    touchInside_ = inside;
    setHighlighted(inside);
    sendActions(events, &event);
}

void Control::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    if (!tracking_ || touches.empty()) {
        return;
    }
    const bool inside = isInsideTrackingArea(touches.front().location(this));
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    sendActions(inside ? ControlEvent::touchUpInside | ControlEvent::primaryActionTriggered
                       : ControlEvent::touchUpOutside,
                &event);
}

void Control::touchesCancelled(const std::vector<Touch>&, const Event& event) {
    if (!tracking_) {
        return;
    }
    tracking_ = false;
    touchInside_ = false;
    setHighlighted(false);
    sendActions(ControlEvent::touchCancel, &event);
}

std::shared_ptr<View> Control::hitTest(Point point, const Event* event) {
    return View::hitTest(point, event);
}

bool Control::canBecomeFocused() const {
    return enabled_ && !isHidden() && alpha() > 0.01 && isUserInteractionEnabled();
}

AccessibilityTraits Control::accessibilityTraits() const {
    auto traits = View::accessibilityTraits();
    if (!enabled_) {
        traits |= AccessibilityTraits::notEnabled;
    }
    if (selected_) {
        traits |= AccessibilityTraits::selected;
    }
    return traits;
}

bool Control::accessibilityActivate() {
    if (!enabled_) {
        return false;
    }
    sendActions(ControlEvent::touchUpInside | ControlEvent::primaryActionTriggered, nullptr);
    return true;
}

}  // namespace quorvel::platform
