#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/UI/BitMask.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

// The states a control shows its content for. A control is in one state at a time: disabled when
// it is not enabled, else highlighted while it is touched, else selected when selected, else
// normal.
enum class ControlState { normal, highlighted, disabled, selected };

// The events a control sends to its actions, with the phone platform's raw values. A bit set:
// combine with |.
enum class ControlEvent : std::uint32_t {
    none = 0,
    touchDown = 1u << 0,
    touchDownRepeat = 1u << 1,
    touchDragInside = 1u << 2,
    touchDragOutside = 1u << 3,
    touchDragEnter = 1u << 4,
    touchDragExit = 1u << 5,
    touchUpInside = 1u << 6,
    touchUpOutside = 1u << 7,
    touchCancel = 1u << 8,
    valueChanged = 1u << 12,
    primaryActionTriggered = 1u << 13,
    allTouchEvents = 0x0FFFu,
    allEvents = 0xFFFFFFFFu,
};
template <>
struct IsBitMask<ControlEvent> : std::true_type {};
using ControlEvents = ControlEvent;

// Names one registered action; the empty token names none.
struct ControlActionToken {
    std::uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(const ControlActionToken&, const ControlActionToken&) = default;
};

// A view the user acts on. Main thread only.
//
// Touch tracking (for touches that begin in the control or in a subview that passes them on):
// a touch down sends touchDown (and touchDownRepeat with a tap count above 1) and highlights the
// control; moving sends touchDragInside or touchDragOutside (touchDragExit / touchDragEnter when
// crossing the edge) and highlights only while inside; lifting sends touchUpInside (with
// primaryActionTriggered) or touchUpOutside; a cancelled touch (a gesture recognizer took it)
// sends touchCancel. "Inside" means within the bounds grown by trackingMargin on every side, as
// the platform allows a finger to stray. A disabled control takes no touches.
//
// Keyboard: an enabled, visible control can be focused; Space or Enter on it sends
// touchUpInside and primaryActionTriggered (Window::sendKey).
class Control : public View {
public:
    using Action = std::function<void(Control& sender, const Event* event)>;

    static constexpr double trackingMargin = 70;

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    ControlState state() const;

    // Registers `action` for every event in `events`; actions run in registration order. An
    // empty action or no events registers nothing and answers the empty token.
    ControlActionToken addAction(ControlEvents events, Action action);
    void removeAction(ControlActionToken token);
    // Runs the actions registered for any of `events` (each action once). `event` is the input
    // event that caused it, or null (keyboard, accessibility, programmatic).
    void sendActions(ControlEvents events, const Event* event = nullptr);
    // The events some action is registered for.
    ControlEvents allControlEvents() const;
    // Whether the control is tracking a touch.
    bool isTracking() const { return tracking_; }
    bool isTouchInside() const { return touchInside_; }

    void touchesBegan(const std::vector<Touch>& touches, const Event& event) override;
    void touchesMoved(const std::vector<Touch>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch>& touches, const Event& event) override;

    std::shared_ptr<View> hitTest(Point point, const Event* event) override;
    bool canBecomeFocused() const override;
    AccessibilityTraits accessibilityTraits() const override;
    // Sends touchUpInside and primaryActionTriggered when enabled.
    bool accessibilityActivate() override;

protected:
    explicit Control(const Rect& frame);
    // Called after the enabled, selected or highlighted flag has changed.
    virtual void stateDidChange() {}

private:
    struct Registration {
        std::uint64_t id;
        ControlEvents events;
        Action action;
    };

    bool isInsideTrackingArea(Point point) const;

    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    bool tracking_ = false;
    bool touchInside_ = false;
    std::uint64_t trackedTouch_ = 0;
    std::uint64_t nextActionId_ = 1;
    std::vector<Registration> actions_;
};

}  // namespace quorvel::platform
