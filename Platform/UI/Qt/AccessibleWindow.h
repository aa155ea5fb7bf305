#pragma once

#include <QAccessibleInterface>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel::platform {

class View;

// What assistive technology sees of a shown Window (the WindowHost's widget): a window whose
// children are the model's accessibility elements in reading order (Accessibility::
// orderedElements: accessibilityElements where set, else subviews back to front, depth first),
// followed, while an announcement goes out, by one notification element that carries it.
//
// Qt 6.4 has no announcement event, so an announcement sets the notification element's name to
// its text and sends name-changed and show events for it: on the desktop accessibility bus that
// is a notification appearing, which screen readers read out. Once those events are out, on the
// next turn of the main queue, the element leaves the window's children (forgetAnnouncement), as
// it does at once when the screen changes; it keeps its text for a reader that reads it late.
//
// The children a client was last told of are remembered, with their names, descriptions and
// states: syncChildren() tells it, child by child, which left and which came (children-changed
// "remove" and "add" on the bus, each with its child and its own index) and which changed what it
// says, so that a client's copy of the tree (clients keep the names they read) follows the
// screen. Once a client has asked for the children it runs before each paint of the window, which
// follows every visible change of the model, and the screen reader is moved on when the element
// it is on went away. Part of the Qt backend (the accessibility bridge); main thread only.
class AccessibleWindow : public QAccessibleInterface {
public:
    explicit AccessibleWindow(QWidget* widget);
    ~AccessibleWindow() override;

    // The elements in reading order, as children 0 … n − 1.
    std::vector<std::shared_ptr<View>> elements() const;
    // The notification element (the last child).
    QAccessibleInterface* announcementElement() const;
    void announce(const QString& text);
    // Takes the notification element away (told as a removed child) while it is a child.
    void forgetAnnouncement();
    // Tells the desktop which children left, which came and which changed their name,
    // description or state since it was last told. When the element the screen reader is on
    // (AccessibilityBridge::isScreenReaderOn) is among those that left, returns the element that
    // takes its place: the next one in reading order that stays, else the one before it that
    // stays, else the first; otherwise nullptr.
    std::shared_ptr<View> syncChildren();

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

private:
    class Announcement;

    class PaintWatcher;
    // An element as the desktop was last told of it.
    struct Told {
        std::weak_ptr<View> view;
        QString name;
        QString description;
        bool disabled = false;
        bool selected = false;
    };
    static Told told(const std::shared_ptr<View>& view);

    bool hasAnnouncement() const;
    void sendChildEvent(QAccessibleInterface* child, QAccessible::Event type);
    // Tells the desktop of a child that came at `index`.
    void sendAddedChild(QAccessibleInterface* child, int index);

    QPointer<QWidget> widget_;
    QPointer<QObject> paintWatcher_;
    QAccessible::Id announcementId_ = 0;
    // Whether the notification element is a child (from an announcement until it is forgotten).
    bool announcing_ = false;
    // While an added child is told: the index it came at (see sendAddedChild).
    std::optional<int> addingAt_;
    // The elements the desktop was last told of, in order.
    mutable std::vector<Told> told_;
    mutable bool toldOnce_ = false;
    // Whether a client has asked for the children.
    mutable bool asked_ = false;
};

}  // namespace quorvel::platform
