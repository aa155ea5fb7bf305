#pragma once

#include <functional>
#include <memory>

class QAccessibleEvent;
class QAccessibleInterface;

namespace quorvel::platform {

class View;
class WindowHost;

// Connects the model's accessibility (Accessibility, the views' labels, hints, traits and reading
// order) with Qt's accessibility, which the desktop's accessibility bus (AT-SPI) and screen
// readers read. Installed by ApplicationHost::start(). Main thread only.
//
//   - A WindowHost's widget is exposed as an AccessibleWindow over its Window's elements.
//   - "Screen reader running" (Accessibility::isVoiceOverRunning) is QAccessible::isActive(),
//     unless a test overrides it.
//   - Posts are forwarded after Accessibility records them: an announcement goes to the
//     notification element of the key window (see AccessibleWindow). layoutChanged and
//     screenChanged tell the window's changed children (AccessibleWindow::syncChildren) and move
//     the screen reader to the element given (a focus event); without one, layoutChanged moves a
//     reader whose element went away on and speaks the text given, and screenChanged moves to
//     the screen's first element and speaks the text unless that element's label is the same.
//     screenChanged first takes away the last screen's announcement.
//   - When the element the screen reader is on goes away (removed or hidden) while the screen
//     stays, the reader moves to the next element in reading order (the previous one when none
//     follows), told before the window paints the change.
//   - After a push, pop, presentation or dismissal (Accessibility::screenDidChange), on the next
//     turn: the last screen's announcement goes, the changed children are told, and a screen
//     reader not on an element of the new screen is moved to its first element.
//   - The screen reader follows the keyboard focus (Window::setFocusedView) onto elements.
//   - The element the screen reader was moved to last reports itself focused. When Qt's link to
//     the desktop comes up (QAccessible turns active: a screen reader at launch, or one started
//     later), that element's focus event is sent again on the next turn.
class AccessibilityBridge {
public:
    AccessibilityBridge() = delete;

    static void install();
    static void uninstall();

    // The one interface of an element view (made on first use, kept while the view lives).
    static QAccessibleInterface* interfaceFor(const std::shared_ptr<View>& view);
    // The element view the screen reader was moved to last, or nullptr.
    static std::shared_ptr<View> screenReaderFocus();
    // Whether the screen reader was moved to that element last (also when its view is gone).
    static bool isScreenReaderOn(const std::weak_ptr<View>& element);
    // Moves the screen reader to an element: it reports itself focused from now on, and a focus
    // event for it goes out.
    static void moveScreenReaderTo(const std::shared_ptr<View>& view);
    // The interface of the window a view is shown in (its WindowHost's widget), or nullptr.
    static QAccessibleInterface* windowInterfaceFor(const View& view);

    // Sees every event the bridge sends, before Qt passes it on (Qt passes nothing on while no
    // assistive technology listens, which is always the case off-screen). For tests and tools;
    // an empty function removes it.
    static void setEventObserver(std::function<void(QAccessibleEvent&)> observer);
    // Shows the observer an event, then hands it to Qt.
    static void dispatch(QAccessibleEvent& event);
};

}  // namespace quorvel::platform
