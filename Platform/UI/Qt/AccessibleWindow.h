#pragma once

#include <QAccessibleInterface>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

namespace quorvel::platform {

class View;

// What assistive technology sees of a shown Window (the WindowHost's widget): a window whose
// children are the model's accessibility elements in reading order (Accessibility::
// orderedElements: accessibilityElements where set, else subviews back to front, depth first),
// followed, while the screen has announced something, by one notification element that carries
// the last announcement.
//
// Qt 6.4 has no announcement event, so an announcement sets the notification element's name to
// its text and sends name-changed and show events for it: on the desktop accessibility bus that
// is a notification appearing, which screen readers read out. The element belongs to the screen
// that announced: the next screen change takes it away (forgetAnnouncement).
//
// The children a client was last told of are remembered, with their names, descriptions and
// states: syncChildren() tells it, child by child, which left and which came (children-changed
// "remove" and "add" on the bus, each with its child) and which changed what it says, so that a
// client's copy of the tree (clients keep the names they read) follows the screen. Once a client
// has asked for the children it runs before each paint of the window, which follows every visible
// change of the model. Part of the Qt backend (the accessibility bridge); main thread only.
class AccessibleWindow : public QAccessibleInterface {
public:
    explicit AccessibleWindow(QWidget* widget);
    ~AccessibleWindow() override;

    // The elements in reading order, as children 0 … n − 1.
    std::vector<std::shared_ptr<View>> elements() const;
    // The notification element (the last child).
    QAccessibleInterface* announcementElement() const;
    void announce(const QString& text);
    // Takes the notification element away (told as a removed child) when it carries anything.
    void forgetAnnouncement();
    // Tells the desktop which children left, which came and which changed their name,
    // description or state since it was last told.
    void syncChildren();

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

    QPointer<QWidget> widget_;
    QPointer<QObject> paintWatcher_;
    QAccessible::Id announcementId_ = 0;
    // The elements the desktop was last told of, in order.
    mutable std::vector<Told> told_;
    mutable bool toldOnce_ = false;
    // Whether a client has asked for the children.
    mutable bool asked_ = false;
};

}  // namespace quorvel::platform
