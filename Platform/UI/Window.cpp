#include "Platform/UI/Window.h"

#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

struct Window::TouchState {};

Window::Window(const Rect& frame) : View(frame) {}
Window::~Window() = default;
std::shared_ptr<Window> Window::make(const Rect& frame) {
    return std::shared_ptr<Window>(new Window(frame));
}
std::shared_ptr<Window> Window::keyWindow() {
    return nullptr;
}
std::vector<std::shared_ptr<Window>> Window::allWindows() {
    return {};
}
void Window::setRootViewController(std::shared_ptr<ViewController> c) {
    rootViewController_ = c;
}
void Window::makeKeyAndVisible() {
    visible_ = true;
}
bool Window::isKeyWindow() const {
    return false;
}
void Window::setScreenScale(double scale) {
    screenScale_ = scale;
}
void Window::setWindowSafeAreaInsets(const EdgeInsets& insets) {
    safeAreaInsets_ = insets;
}
std::shared_ptr<ViewController> Window::topViewController() const {
    return rootViewController_;
}
bool Window::sendTouch(TouchPhase, Point, int) {
    return false;
}
bool Window::sendPinch(Point, double) {
    return false;
}
bool Window::sendKey(Key) {
    return false;
}
bool Window::setFocusedView(const std::shared_ptr<View>&) {
    return false;
}
bool Window::needsDisplay() const {
    return true;
}
void Window::markDisplayed() {}
void Window::layoutSubviews() {
    View::layoutSubviews();
}
void Window::deliver(TouchPhase, Point, int) {}
void Window::cancelCurrentTouch() {}
std::vector<std::shared_ptr<View>> Window::focusableViews() const {
    return {};
}

}  // namespace quorvel::platform
