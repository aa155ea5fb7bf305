#include "Platform/UI/Qt/AccessibilityBridge.h"

#include <QAccessible>
#include <QWidget>
#include <map>

#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Qt/AccessibleElement.h"
#include "Platform/UI/Qt/AccessibleWindow.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"
#include "Platform/UI/Qt/WindowHost.h"

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
    if (post.notification == AccessibilityNotification::announcement) {
        windowInterface->announce(QString::fromStdString(post.text()));
        return;
    }
    send(windowInterface, QAccessible::ObjectReorder);
    if (target && target->isAccessibilityElement()) {
        send(AccessibilityBridge::interfaceFor(target), QAccessible::Focus);
    } else if (!post.text().empty()) {
        windowInterface->announce(QString::fromStdString(post.text()));
    } else if (post.notification == AccessibilityNotification::screenChanged) {
        const auto elements = windowInterface->elements();
        if (!elements.empty()) {
            send(AccessibilityBridge::interfaceFor(elements.front()), QAccessible::Focus);
        }
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
}

void AccessibilityBridge::uninstall() {
    if (!installed) {
        return;
    }
    installed = false;
    Accessibility::setSink({});
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

QAccessibleInterface* AccessibilityBridge::windowInterfaceFor(const View& view) {
    auto window = view.window();
    auto host = window ? WindowHost::hostFor(*window) : nullptr;
    return host ? QAccessible::queryAccessibleInterface(host->widget()) : nullptr;
}

}  // namespace quorvel::platform
