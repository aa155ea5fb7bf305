#pragma once

#include <memory>
#include <string>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/Key.h"
#include "Platform/UI/SwipeGestureRecognizer.h"

namespace quorvel::platform {

class AlertController;
class ImagePickerController;
class View;
class Window;

// Drives the user interface the way a user would, for tests and the demo. Everything goes
// through Window::sendTouch / sendPinch / sendKey, the path real input takes, so hit testing,
// gesture recognizers, controls and the responder chain all take part. Points are in the given
// view's coordinates. The driver never moves the clock and never runs the main queue: a test
// does both itself (and lays out first if frames are stale). Calls answer false when the view is
// not in a window or the input reached no view. Main thread only.
class UIDriver {
public:
    UIDriver() = delete;

    // Touch down and up at the view's centre (or a point).
    static bool tap(const View& view);
    static bool tap(const View& view, Point point);
    static bool tap(Window& window, Point point);
    // Two taps at one point (tap counts 1 and 2).
    static bool doubleTap(const View& view, Point point);
    // A quick drag from the view's centre 100 points in `direction` (5 steps), then up.
    static bool swipe(const View& view, SwipeDirection direction);
    // Down at `from`, `steps` moves to `to`, up.
    static bool pan(const View& view, Point from, Point to, int steps = 10);
    // The halves of a tap or a drag, for tests that look in between.
    static bool press(const View& view, Point point);
    static bool moveTo(const View& view, Point point);
    static bool release(const View& view, Point point);
    static bool pinch(const View& view, Point point, double scale);
    static bool key(Window& window, Key key);

    // Taps the button of the alert's action with that title. False when there is none or it is
    // not on screen.
    static bool tapAlertAction(AlertController& alert, const std::string& title);

    // The picker's user: picks `image`, cancels (taps Cancel), or swipes the picker away (the
    // presentation controller's delegate hears willDismiss, the picker is dismissed, then
    // didDismiss).
    static bool pickImage(ImagePickerController& picker, std::shared_ptr<Image> image);
    static bool cancelPicker(ImagePickerController& picker);
    static bool swipeAwayPicker(ImagePickerController& picker);
};

}  // namespace quorvel::platform
