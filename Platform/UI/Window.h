#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/UI/Key.h"
#include "Platform/UI/Touch.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

class ViewController;

// The top of a view tree on screen, standing in for the phone platform's window: a View of the
// phone's logical size (390 × 844 points, portrait) at screenScale pixels per point (3). The Qt
// host (WindowHost) shows it, paints it and feeds it input through the same entry points tests
// and UIDriver use. Main thread only.
//
// rootViewController's view fills the window; presented view controllers put their views above
// it (see ViewController).
//
// Input path, sendTouch(phase, point, tapCount) with the point in window coordinates:
//   began:  hit-tests the window (View::hitTest); no hit view, no touch (returns false). The
//           touch belongs to that view until it ends, even outside it.
//   each step: the enabled gesture recognizers of the hit view and its ancestors get the touch
//           first (GestureRecognizer), then the hit view's touchesBegan/Moved/Ended — unless a
//           recognizer that cancels touches has begun or recognized, in which case the view gets
//           touchesCancelled once and nothing more of this touch. Controls turn the touches into
//           control events (Control).
//   A began while a touch is down cancels the old one first. One touch at a time.
// sendPinch(point, scale): the nearest zooming ScrollView at or above the hit view zooms by
// `scale` about the point (ScrollView::pinch); returns false when there is none.
// sendKey(key): tab / backtab move the focus to the next / previous focusable view in
// accessibility order (wrapping); space / enter activate the focused view
// (View::accessibilityActivate: a control sends touchUpInside and primaryActionTriggered);
// escape runs the escape action of an alert on screen (AlertController::escapeActionIndex);
// left / right (down / up) decrement / increment a focused adjustable view.
// The focus ring (drawn by the Qt host around the focused view) shows from the first key on and
// hides again at the next touch, so a pointer user never sees it.
class Window : public View {
public:
    static constexpr Size defaultSize{390, 844};
    static constexpr double defaultScreenScale = 3;

    static std::shared_ptr<Window> make(const Rect& frame = Rect{{0, 0}, defaultSize});
    ~Window() override;

    // The window made key last by makeKeyAndVisible, or null.
    static std::shared_ptr<Window> keyWindow();
    // Every window alive, oldest first.
    static std::vector<std::shared_ptr<Window>> allWindows();

    std::shared_ptr<ViewController> rootViewController() const { return rootViewController_; }
    // Installs the controller's view as the window's content (filling it); when the window is
    // visible the old root disappears and the new one appears (no animation).
    void setRootViewController(std::shared_ptr<ViewController> controller);
    // Shows the window and makes it key: the root view controller appears (viewWillAppear,
    // viewDidAppear) and everything is laid out.
    void makeKeyAndVisible();
    bool isKeyWindow() const;
    bool isVisible() const { return visible_; }

    double screenScale() const { return screenScale_; }
    void setScreenScale(double scale);
    // Status bar and home-indicator areas: (47, 0, 34, 0) until set.
    EdgeInsets windowSafeAreaInsets() const { return safeAreaInsets_; }
    void setWindowSafeAreaInsets(const EdgeInsets& insets);

    // The topmost view controller on screen: the root's last presented controller, else the root.
    std::shared_ptr<ViewController> topViewController() const;

    // Input (see above). Return whether the input reached a view.
    bool sendTouch(TouchPhase phase, Point point, int tapCount = 1);
    bool sendPinch(Point point, double scale);
    bool sendKey(Key key);
    // The view with keyboard focus, or null.
    std::shared_ptr<View> focusedView() const { return focused_.lock(); }
    // Focuses a focusable view in this window (null clears the focus). False when refused.
    // A move to another view is told to assistive technology (Accessibility::
    // keyboardFocusDidMove).
    bool setFocusedView(const std::shared_ptr<View>& view);
    // Whether the focused view is to be drawn with a focus ring (the keyboard is in use).
    bool showsFocusRing() const { return showsFocusRing_; }
    void setShowsFocusRing(bool shows);

    // Lays out every view of the window that needs it (call before painting).
    void layoutIfNeededForDisplay() { layoutIfNeeded(); }
    // Whether something changed since the last markDisplayed(), or an animation is running: the
    // Qt host polls this to decide whether to repaint.
    bool needsDisplay() const;
    void markDisplayed();

protected:
    explicit Window(const Rect& frame);
    void layoutSubviews() override;

private:
    struct TouchState;

    void deliver(TouchPhase phase, Point point, int tapCount);
    void cancelCurrentTouch();
    std::vector<std::shared_ptr<View>> focusableViews() const;

    std::shared_ptr<ViewController> rootViewController_;
    bool visible_ = false;
    double screenScale_ = defaultScreenScale;
    EdgeInsets safeAreaInsets_{47, 0, 34, 0};
    std::weak_ptr<View> focused_;
    bool showsFocusRing_ = false;
    std::shared_ptr<TouchState> touch_;
    std::uint64_t nextTouchId_ = 1;
    std::uint64_t displayedGeneration_ = 0;
    std::uint64_t displayedFrames_ = 0;
};

}  // namespace quorvel::platform
