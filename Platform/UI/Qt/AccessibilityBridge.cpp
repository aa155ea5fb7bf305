#include "Platform/UI/Qt/AccessibilityBridge.h"

#include <QAccessible>
#include <QWidget>
#include <algorithm>
#include <map>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Qt/AccessibleElement.h"
#include "Platform/UI/Qt/AccessibleWindow.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

struct Entry {
    std::weak_ptr<View> view;
    QAccessible::Id id = 0;
};

std::map<const View*, Entry>& registry() {
    static std::map<const View*, Entry> entries;
    return entries;
}

bool installed = false;

// Forgets the interfaces of views that are gone.
void purge() {
    auto& entries = registry();
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->second.view.expired()) {
            QAccessible::deleteAccessibleInterface(it->second.id);
            it = entries.erase(it);
        } else {
            ++it;
        }
    }
}

QAccessibleInterface* windowFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->objectName() == QLatin1String(WindowHost::widgetObjectName)) {
        return new AccessibleWindow(widget);
    }
    return nullptr;
}

AccessibleWindow* accessibleWindow(const std::shared_ptr<Window>& window) {
    auto host = window ? WindowHost::hostFor(*window) : nullptr;
    if (!host) {
        return nullptr;
    }
    return dynamic_cast<AccessibleWindow*>(QAccessible::queryAccessibleInterface(host->widget()));
}

std::function<void(QAccessibleEvent&)>& eventObserver() {
    static std::function<void(QAccessibleEvent&)> observer;
    return observer;
}

void send(QAccessibleInterface* target, QAccessible::Event type) {
    if (target) {
        QAccessibleEvent event(target, type);
        AccessibilityBridge::dispatch(event);
    }
}

// The element the screen reader is on: where a post or the keyboard focus moved it last.
std::weak_ptr<View>& readerFocus() {
    static std::weak_ptr<View> view;
    return view;
}

// Qt's link to the desktop comes up a moment after the window shows, so the focus event of the
// first screen went nowhere: once the link is up (at launch, or when a screen reader starts
// later), the reader is told again where it is, on the next turn, after Qt has finished setting
// the link up.
class ReaderArrival : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override {
        if (!active) {
            return;
        }
        DispatchQueue::main()->async([] {
            if (auto view = readerFocus().lock(); view && view->window()) {
                AccessibilityBridge::moveScreenReaderTo(view);
            }
        });
    }
};

ReaderArrival& readerArrival() {
    static ReaderArrival observer;
    return observer;
}

void forward(const AccessibilityPost& post) {
    const std::shared_ptr<View> target = post.view();
    std::shared_ptr<Window> window = target ? target->window() : nullptr;
    if (!window) {
        window = Window::keyWindow();
    }
    AccessibleWindow* windowInterface = accessibleWindow(window);
    if (!windowInterface) {
        return;
    }
    const QString text = QString::fromStdString(post.text());
    if (post.notification == AccessibilityNotification::announcement) {
        windowInterface->announce(text);
        return;
    }
    const bool screenChanged = post.notification == AccessibilityNotification::screenChanged;
    if (screenChanged) {
        // What the last screen announced is not part of this one.
        windowInterface->forgetAnnouncement();
    }
    const auto readerPlace = windowInterface->syncChildren();
    if (target && target->isAccessibilityElement()) {
        AccessibilityBridge::moveScreenReaderTo(target);
        return;
    }
    if (!screenChanged) {
        if (readerPlace) {
            AccessibilityBridge::moveScreenReaderTo(readerPlace);
        }
        windowInterface->announce(text);
        return;
    }
    // A new screen: the screen reader starts on its first element, and hears the text given
    // unless that element says it already.
    const auto elements = windowInterface->elements();
    if (!elements.empty()) {
        AccessibilityBridge::moveScreenReaderTo(elements.front());
    }
    if (elements.empty() ||
        QString::fromStdString(elements.front()->accessibilityLabel()) != text) {
        windowInterface->announce(text);
    }
}

// After a push, pop, presentation or dismissal: the desktop learns at once of the children that
// left (their views may not outlive the transition) and came, and the last screen's announcement
// goes; on the next turn, once the new screen has made its own posts, a screen reader left on an
// element of the last screen starts on the new screen's first.
void followScreenChange(const std::shared_ptr<View>& view) {
    auto window = std::dynamic_pointer_cast<Window>(view);
    AccessibleWindow* windowInterface = accessibleWindow(window);
    if (!windowInterface) {
        return;
    }
    windowInterface->forgetAnnouncement();
    windowInterface->syncChildren();
    DispatchQueue::main()->async([weak = std::weak_ptr<Window>(window)] {
        AccessibleWindow* windowInterface = accessibleWindow(weak.lock());
        if (!windowInterface) {
            return;
        }
        windowInterface->syncChildren();
        const auto elements = windowInterface->elements();
        const auto on = readerFocus().lock();
        if (!elements.empty() &&
            std::find(elements.begin(), elements.end(), on) == elements.end()) {
            AccessibilityBridge::moveScreenReaderTo(elements.front());
        }
    });
}

void followKeyboardFocus(const std::shared_ptr<View>& view) {
    AccessibleWindow* windowInterface = view ? accessibleWindow(view->window()) : nullptr;
    if (windowInterface && view->isAccessibilityElement()) {
        // The element may be new to the desktop (an alert taking the focus as it opens).
        windowInterface->syncChildren();
        AccessibilityBridge::moveScreenReaderTo(view);
    }
}

}  // namespace

void AccessibilityBridge::install() {
    if (installed) {
        return;
    }
    installed = true;
    QAccessible::installFactory(windowFactory);
    Accessibility::setVoiceOverRunningProvider([] { return QAccessible::isActive(); });
    Accessibility::setSink(forward);
    Accessibility::setFocusSink(followKeyboardFocus);
    Accessibility::setScreenSink(followScreenChange);
    QAccessible::installActivationObserver(&readerArrival());
}

void AccessibilityBridge::uninstall() {
    if (!installed) {
        return;
    }
    installed = false;
    QAccessible::removeActivationObserver(&readerArrival());
    Accessibility::setSink({});
    Accessibility::setFocusSink({});
    Accessibility::setScreenSink({});
    readerFocus().reset();
    Accessibility::setVoiceOverRunningProvider({});
    QAccessible::removeFactory(windowFactory);
    for (const auto& [view, entry] : registry()) {
        QAccessible::deleteAccessibleInterface(entry.id);
    }
    registry().clear();
}

void AccessibilityBridge::setEventObserver(std::function<void(QAccessibleEvent&)> observer) {
    eventObserver() = std::move(observer);
}

void AccessibilityBridge::dispatch(QAccessibleEvent& event) {
    if (auto observer = eventObserver()) {
        observer(event);
    }
    QAccessible::updateAccessibility(&event);
}

QAccessibleInterface* AccessibilityBridge::interfaceFor(const std::shared_ptr<View>& view) {
    if (!view) {
        return nullptr;
    }
    auto& entries = registry();
    auto found = entries.find(view.get());
    if (found != entries.end() && found->second.view.lock() == view) {
        if (QAccessibleInterface* existing = QAccessible::accessibleInterface(found->second.id)) {
            return existing;
        }
    }
    purge();
    auto* element = new AccessibleElement(view);
    entries[view.get()] = Entry{view, QAccessible::registerAccessibleInterface(element)};
    return element;
}

std::shared_ptr<View> AccessibilityBridge::screenReaderFocus() {
    return readerFocus().lock();
}

bool AccessibilityBridge::isScreenReaderOn(const std::weak_ptr<View>& element) {
    // The same view, whether or not it is gone.
    const auto& on = readerFocus();
    return !on.owner_before(element) && !element.owner_before(on);
}

void AccessibilityBridge::moveScreenReaderTo(const std::shared_ptr<View>& view) {
    readerFocus() = view;
    send(interfaceFor(view), QAccessible::Focus);
}

QAccessibleInterface* AccessibilityBridge::windowInterfaceFor(const View& view) {
    auto window = view.window();
    auto host = window ? WindowHost::hostFor(*window) : nullptr;
    return host ? QAccessible::queryAccessibleInterface(host->widget()) : nullptr;
}

}  // namespace quorvel::platform
