#pragma once

#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace quorvel::platform {

class View;

// What assistive technology sees of one accessibility element of the model (a View with
// isAccessibilityElement): its label as the name, its hint as the description, its value, its
// frame on screen, and its traits as role and states:
//   button → Button, adjustable → Slider, header → Heading, image → Graphic, otherwise
//   StaticText; notEnabled → disabled, selected → selected; a view that can take keyboard focus
//   is focusable; the element the screen reader is on (AccessibilityBridge::screenReaderFocus)
//   is focused.
// Actions: "Press" activates the element as a screen reader's double tap does
// (View::accessibilityActivate); adjustable elements also take "Increase" and "Decrease".
// Part of the Qt backend (the accessibility bridge); main thread only.
class AccessibleElement : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit AccessibleElement(std::weak_ptr<View> view);

    std::shared_ptr<View> view() const { return view_.lock(); }

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text type, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    std::weak_ptr<View> view_;
    // The window widget the element was last shown in.
    mutable QPointer<QWidget> lastWindow_;
};

}  // namespace quorvel::platform
