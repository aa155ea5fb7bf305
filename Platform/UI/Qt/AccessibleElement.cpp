#include "Platform/UI/Qt/AccessibleElement.h"

#include <QWidget>

#include "Platform/UI/AccessibilityTraits.h"
#include "Platform/UI/Qt/AccessibilityBridge.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {
namespace {

QString qString(const std::string& text) {
    return QString::fromStdString(text);
}

bool has(AccessibilityTraits traits, AccessibilityTraits trait) {
    return intersects(traits, trait);
}

}  // namespace

AccessibleElement::AccessibleElement(std::weak_ptr<View> view) : view_(std::move(view)) {}

bool AccessibleElement::isValid() const {
    return !view_.expired();
}

QObject* AccessibleElement::object() const {
    return nullptr;
}

QWindow* AccessibleElement::window() const {
    QAccessibleInterface* parentInterface = parent();
    return parentInterface ? parentInterface->window() : nullptr;
}

QAccessibleInterface* AccessibleElement::parent() const {
    auto view = view_.lock();
    if (!view) {
        return nullptr;
    }
    if (QAccessibleInterface* windowInterface = AccessibilityBridge::windowInterfaceFor(*view)) {
        lastWindow_ = qobject_cast<QWidget*>(windowInterface->object());
        return windowInterface;
    }
    // Off screen the element still names the window it was shown in, so that its leaving can
    // be told there.
    return lastWindow_ ? QAccessible::queryAccessibleInterface(lastWindow_.data()) : nullptr;
}

QAccessibleInterface* AccessibleElement::child(int) const {
    return nullptr;
}

int AccessibleElement::childCount() const {
    return 0;
}

int AccessibleElement::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QAccessibleInterface* AccessibleElement::childAt(int, int) const {
    return nullptr;
}

QString AccessibleElement::text(QAccessible::Text type) const {
    auto view = view_.lock();
    if (!view) {
        return {};
    }
    switch (type) {
        case QAccessible::Name:
            return qString(view->accessibilityLabel());
        case QAccessible::Description:
            return qString(view->accessibilityHint());
        case QAccessible::Value:
            return qString(view->accessibilityValue());
        case QAccessible::DebugDescription:
            return qString(view->accessibilityIdentifier());
        default:
            return {};
    }
}

void AccessibleElement::setText(QAccessible::Text, const QString&) {}

QRect AccessibleElement::rect() const {
    auto view = view_.lock();
    QAccessibleInterface* windowInterface = parent();
    if (!view || !windowInterface) {
        return {};
    }
    const Rect frame = view->accessibilityFrame();
    const QRect windowRect = windowInterface->rect();
    return QRectF(windowRect.x() + frame.minX(), windowRect.y() + frame.minY(), frame.width(),
                  frame.height())
        .toAlignedRect();
}

QAccessible::Role AccessibleElement::role() const {
    auto view = view_.lock();
    if (!view) {
        return QAccessible::NoRole;
    }
    const AccessibilityTraits traits = view->accessibilityTraits();
    if (has(traits, AccessibilityTraits::button)) {
        return QAccessible::Button;
    }
    if (has(traits, AccessibilityTraits::adjustable)) {
        return QAccessible::Slider;
    }
    if (has(traits, AccessibilityTraits::header)) {
        return QAccessible::Heading;
    }
    if (has(traits, AccessibilityTraits::image)) {
        return QAccessible::Graphic;
    }
    return QAccessible::StaticText;
}

QAccessible::State AccessibleElement::state() const {
    QAccessible::State state;
    auto view = view_.lock();
    if (!view) {
        state.invalid = true;
        return state;
    }
    const AccessibilityTraits traits = view->accessibilityTraits();
    state.disabled = has(traits, AccessibilityTraits::notEnabled);
    state.selected = has(traits, AccessibilityTraits::selected);
    state.selectable = state.selected;
    state.focusable = view->canBecomeFocused();
    state.focused = AccessibilityBridge::screenReaderFocus() == view;
    state.readOnly = !has(traits, AccessibilityTraits::adjustable);
    return state;
}

void* AccessibleElement::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    return nullptr;
}

QStringList AccessibleElement::actionNames() const {
    auto view = view_.lock();
    if (!view) {
        return {};
    }
    QStringList names{pressAction()};
    if (has(view->accessibilityTraits(), AccessibilityTraits::adjustable)) {
        names << increaseAction() << decreaseAction();
    }
    return names;
}

void AccessibleElement::doAction(const QString& actionName) {
    auto view = view_.lock();
    if (!view) {
        return;
    }
    if (actionName == pressAction()) {
        view->accessibilityActivate();
    } else if (actionName == increaseAction()) {
        view->accessibilityIncrement();
    } else if (actionName == decreaseAction()) {
        view->accessibilityDecrement();
    }
}

QStringList AccessibleElement::keyBindingsForAction(const QString&) const {
    return {};
}

}  // namespace quorvel::platform
