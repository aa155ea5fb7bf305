#include "Platform/UI/UIDriver.h"

#include "Platform/UI/AlertController.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImagePickerController.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

namespace {

Point centre(const View& view) {
    return view.bounds().center();
}

bool stroke(Window& window, Point from, Point to, int steps) {
    if (!window.sendTouch(TouchPhase::began, from, 1)) {
        return false;
    }
    steps = std::max(1, steps);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        window.sendTouch(TouchPhase::moved,
                         Point{from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
    }
    return window.sendTouch(TouchPhase::ended, to, 1);
}

}  // namespace

bool UIDriver::tap(const View& view) {
    return tap(view, centre(view));
}

bool UIDriver::tap(const View& view, Point point) {
    auto window = view.window();
    if (!window) {
        return false;
    }
    return tap(*window, view.convert(point, nullptr));
}

bool UIDriver::tap(Window& window, Point point) {
    if (!window.sendTouch(TouchPhase::began, point, 1)) {
        return false;
    }
    return window.sendTouch(TouchPhase::ended, point, 1);
}

bool UIDriver::doubleTap(const View& view, Point point) {
    auto window = view.window();
    if (!window) {
        return false;
    }
    const Point p = view.convert(point, nullptr);
    for (int count = 1; count <= 2; ++count) {
        if (!window->sendTouch(TouchPhase::began, p, count) ||
            !window->sendTouch(TouchPhase::ended, p, count)) {
            return false;
        }
    }
    return true;
}

bool UIDriver::swipe(const View& view, SwipeDirection direction) {
    auto window = view.window();
    if (!window) {
        return false;
    }
    const Point from = view.convert(centre(view), nullptr);
    Point to = from;
    constexpr double distance = 100;
    if (intersects(direction, SwipeDirection::right)) {
        to.x += distance;
    } else if (intersects(direction, SwipeDirection::left)) {
        to.x -= distance;
    } else if (intersects(direction, SwipeDirection::down)) {
        to.y += distance;
    } else {
        to.y -= distance;
    }
    return stroke(*window, from, to, 5);
}

bool UIDriver::pan(const View& view, Point from, Point to, int steps) {
    auto window = view.window();
    if (!window) {
        return false;
    }
    return stroke(*window, view.convert(from, nullptr), view.convert(to, nullptr), steps);
}

bool UIDriver::press(const View& view, Point point) {
    auto window = view.window();
    return window && window->sendTouch(TouchPhase::began, view.convert(point, nullptr), 1);
}

bool UIDriver::moveTo(const View& view, Point point) {
    auto window = view.window();
    return window && window->sendTouch(TouchPhase::moved, view.convert(point, nullptr), 1);
}

bool UIDriver::release(const View& view, Point point) {
    auto window = view.window();
    return window && window->sendTouch(TouchPhase::ended, view.convert(point, nullptr), 1);
}

bool UIDriver::pinch(const View& view, Point point, double scale) {
    auto window = view.window();
    return window && window->sendPinch(view.convert(point, nullptr), scale);
}

bool UIDriver::key(Window& window, Key key) {
    return window.sendKey(key);
}

bool UIDriver::tapAlertAction(AlertController& alert, const std::string& title) {
    auto button = alert.buttonForAction(title);
    if (!button || !button->window()) {
        return false;
    }
    if (auto root = alert.viewIfLoaded()) {
        root->layoutIfNeeded();
    }
    return tap(*button);
}

bool UIDriver::pickImage(ImagePickerController& picker, std::shared_ptr<Image> image) {
    if (!picker.presentingViewController() || picker.hasAnswered()) {
        return false;
    }
    picker.didPickImage(std::move(image));
    return true;
}

bool UIDriver::cancelPicker(ImagePickerController& picker) {
    if (!picker.presentingViewController() || picker.hasAnswered()) {
        return false;
    }
    if (auto button = picker.cancelButton(); button && button->window()) {
        if (auto root = picker.viewIfLoaded()) {
            root->layoutIfNeeded();
        }
        return tap(*button) && picker.hasAnswered();
    }
    picker.didCancel();
    return true;
}

bool UIDriver::swipeAwayPicker(ImagePickerController& picker) {
    return picker.presentationController()->dismissInteractively();
}

}  // namespace quorvel::platform
