#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/UI/Event.h"
#include "Platform/UI/GestureRecognizerDelegate.h"
#include "Platform/UI/Touch.h"

namespace quorvel::platform {

class View;

// The states of a recognizer, with the phone platform's cases. recognized is ended.
enum class GestureRecognizerState { possible, began, changed, ended, cancelled, failed };

// Turns a sequence of touches into a gesture, standing in for the phone platform's gesture
// recognizers. Attached to one view (View::addGestureRecognizer); main thread only.
//
// Delivery (Window::sendTouch): every touch is first handed to the enabled recognizers of the
// hit view and its ancestors (nearest view first, each view's recognizers in the order added),
// then to the hit view. A recognizer leaving possible for began (continuous) or ended
// (discrete) first asks its delegate's gestureRecognizerShouldBegin, then its view's; a no
// makes it fail. When one recognizes, the other recognizers of that touch that are still
// possible fail, unless a delegate allows them to recognize simultaneously. Once a recognizer
// has begun or recognized with cancelsTouchesInView (the default), the hit view gets
// touchesCancelled and no more touches of that sequence.
//
// Targets run on every state change to began, changed, ended or cancelled. When the touch
// sequence is over the recognizer goes back to possible (reset()).
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
public:
    using Target = std::function<void(GestureRecognizer&)>;

    virtual ~GestureRecognizer() = default;
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    // Registers a target; returns a token for removeTarget.
    std::uint64_t addTarget(Target target);
    void removeTarget(std::uint64_t token);

    GestureRecognizerState state() const { return state_; }
    std::shared_ptr<View> view() const { return view_.lock(); }

    std::shared_ptr<GestureRecognizerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<GestureRecognizerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
    bool isEnabled() const { return enabled_; }
    // Disabling a recognizer in the middle of a gesture cancels it.
    void setEnabled(bool enabled);

    // Where the gesture is (the centroid of its touches; the last touch once they have ended)
    // in `view`'s coordinates, window coordinates when null.
    Point location(const View* view) const;
    int numberOfTouches() const { return static_cast<int>(touches_.size()); }

    // Input, called by the window.
    virtual void touchesBegan(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesMoved(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesEnded(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesCancelled(const std::vector<Touch>& touches, const Event& event);
    // Back to possible with no touches; subclasses clear their own state.
    virtual void reset();

    // Discrete recognizers (tap, swipe) go from possible straight to ended.
    virtual bool isContinuous() const { return false; }

protected:
    GestureRecognizer() = default;

    // Moves to `state`, asking should-begin on the way out of possible (a refusal moves to
    // failed) and running the targets. Subclasses call it from their touch handlers.
    void setState(GestureRecognizerState state);
    const std::vector<Touch>& currentTouches() const { return touches_; }
    void rememberTouches(const std::vector<Touch>& touches);

private:
    friend class View;
    friend class Window;

    bool shouldBegin();

    GestureRecognizerState state_ = GestureRecognizerState::possible;
    std::weak_ptr<View> view_;
    std::weak_ptr<GestureRecognizerDelegate> delegate_;
    bool cancelsTouchesInView_ = true;
    bool enabled_ = true;
    std::vector<Touch> touches_;
    Point lastLocationInWindow_;
    std::uint64_t nextTarget_ = 1;
    std::vector<std::pair<std::uint64_t, Target>> targets_;
};

}  // namespace quorvel::platform
