#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace quorvel::platform {

class Image;
class Window;

// Shows a Window on the desktop (or off-screen): a Qt widget of the window's logical size
// (390 × 844 points by default) at the screen's device-pixel ratio, painted by ViewPainter.
// Main thread only; needs the started ApplicationHost.
//
// Input goes through the same entry points tests use (Window::sendTouch/sendPinch/sendKey):
//   mouse: left button press, move while pressed, release → touch began, moved, ended; a double
//          click → a touch with tap count 2; a release outside the widget still ends the touch;
//   touch screen: the first touch point → began, moved, ended, cancelled;
//   pinch (touch pad gesture or two-finger pinch) and Ctrl + wheel → Window::sendPinch at the
//          pointer, one wheel step (120) zooming by 1.2;
//   keys: Tab, Shift+Tab, Space, Return/Enter, Escape and the arrow keys → Window::sendKey.
// It repaints when the model reports a visible change (DisplayInvalidation), while animations
// run (about 60 times a second on the real clock), and when a camera frame arrives for a video
// preview layer. Its accessible interface is the accessibility bridge's view of the window.
class WindowHost : public std::enable_shared_from_this<WindowHost> {
public:
    // nullptr when the application has not started or `window` is null.
    static std::shared_ptr<WindowHost> make(std::shared_ptr<Window> window);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    const std::shared_ptr<Window>& window() const { return window_; }
    // The widget (for QTest and for embedding in a host's own Qt user interface).
    QWidget* widget() const;
    // The live host whose widget that is, or nullptr.
    static std::shared_ptr<WindowHost> hostOf(const QWidget* widget);
    // The live host showing that window, or nullptr.
    static std::shared_ptr<WindowHost> hostFor(const Window& window);
    // The name every host widget carries, which tells it apart before its host is complete.
    static constexpr const char* widgetObjectName = "QuorvelWindowHost";

    // Called when the user closes the window (a host typically stops its run loop then).
    void setCloseHandler(std::function<void()> handler);

    // Shows the widget as a top-level window (nothing is visible off-screen).
    void show();
    void hide();

    // Whether a repaint is scheduled and not yet done.
    bool isRepaintPending() const;
    // Lays the window out and paints it now if something changed.
    void repaintIfNeeded();
    // How many times the widget has painted.
    int paintCount() const;

    // The window as the widget shows it now, at the widget's device-pixel ratio.
    std::shared_ptr<Image> grab() const;

private:
    class Widget;
    explicit WindowHost(std::shared_ptr<Window> window);

    std::shared_ptr<Window> window_;
    Widget* widget_ = nullptr;
    std::function<void()> closeHandler_;
};

}  // namespace quorvel::platform
