#include "Platform/UI/Qt/AccessibleWindow.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <iterator>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Qt/AccessibilityBridge.h"
#include "Platform/UI/Qt/AccessibleElement.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

// The notification element: its name is the last announcement.
class AccessibleWindow::Announcement : public QAccessibleInterface {
public:
    explicit Announcement(QPointer<QWidget> widget) : widget_(std::move(widget)) {}

    bool isValid() const override { return !widget_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return widget_ ? widget_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return widget_ ? QAccessible::queryAccessibleInterface(widget_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Name ? text_ : QString();
    }
    void setText(QAccessible::Text type, const QString& text) override {
        if (type == QAccessible::Name) {
            text_ = text;
        }
    }
    QRect rect() const override {
        QAccessibleInterface* windowInterface = parent();
        return windowInterface ? QRect(windowInterface->rect().topLeft(), QSize(1, 1)) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        // Nothing to read until the first announcement.
        state.invisible = text_.isEmpty();
        return state;
    }

private:
    QPointer<QWidget> widget_;
    QString text_;
};

// Brings the desktop up to date before the window paints a change.
class AccessibleWindow::PaintWatcher : public QObject {
public:
    PaintWatcher(AccessibleWindow& owner, QWidget* widget) : QObject(widget), owner_(owner) {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        // Only once a client has asked for children: there is nothing to correct before (and
        // nothing is spent while no assistive technology reads the window).
        if (event->type() == QEvent::Paint && owner_.asked_) {
            if (auto next = owner_.syncChildren()) {
                AccessibilityBridge::moveScreenReaderTo(next);
            }
        }
        return false;
    }

private:
    AccessibleWindow& owner_;
};

AccessibleWindow::AccessibleWindow(QWidget* widget) : widget_(widget) {
    if (widget) {
        paintWatcher_ = new PaintWatcher(*this, widget);
    }
}

AccessibleWindow::~AccessibleWindow() {
    delete paintWatcher_.data();
    if (announcementId_ != 0) {
        QAccessible::deleteAccessibleInterface(announcementId_);
    }
}

AccessibleWindow::Told AccessibleWindow::told(const std::shared_ptr<View>& view) {
    Told result;
    result.view = view;
    if (QAccessibleInterface* element = AccessibilityBridge::interfaceFor(view)) {
        result.name = element->text(QAccessible::Name);
        result.description = element->text(QAccessible::Description);
        result.disabled = element->state().disabled;
        result.selected = element->state().selected;
    }
    return result;
}

std::vector<std::shared_ptr<View>> AccessibleWindow::elements() const {
    auto host = WindowHost::hostOf(widget_.data());
    if (!host) {
        return {};
    }
    auto list = Accessibility::orderedElements(host->window());
    if (!toldOnce_) {
        // What a client sees first is what later changes are told against.
        toldOnce_ = true;
        told_.clear();
        for (const auto& view : list) {
            told_.push_back(told(view));
        }
    }
    return list;
}

QAccessibleInterface* AccessibleWindow::announcementElement() const {
    if (QAccessibleInterface* existing = QAccessible::accessibleInterface(announcementId_)) {
        return existing;
    }
    auto* element = new Announcement(widget_);
    const_cast<AccessibleWindow*>(this)->announcementId_ =
        QAccessible::registerAccessibleInterface(element);
    return element;
}

void AccessibleWindow::announce(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    QAccessibleInterface* element = announcementElement();
    element->setText(QAccessible::Name, text);
    if (!announcing_) {
        announcing_ = true;
        sendAddedChild(element, static_cast<int>(elements().size()));
        // Spoken from the events below, the notification is no part of the screen afterwards:
        // left in the tree it would be read again as a tiny element among the screen's own.
        DispatchQueue::main()->async([widget = widget_] {
            if (auto* window = dynamic_cast<AccessibleWindow*>(
                    widget ? QAccessible::queryAccessibleInterface(widget.data()) : nullptr)) {
                window->forgetAnnouncement();
            }
        });
    }
    QAccessibleEvent nameChanged(element, QAccessible::NameChanged);
    AccessibilityBridge::dispatch(nameChanged);
    QAccessibleEvent shown(element, QAccessible::ObjectShow);
    AccessibilityBridge::dispatch(shown);
}

bool AccessibleWindow::hasAnnouncement() const {
    return announcing_ && QAccessible::accessibleInterface(announcementId_) != nullptr;
}

void AccessibleWindow::forgetAnnouncement() {
    if (!hasAnnouncement()) {
        return;
    }
    // Told while it is still a child, so that its place is known.
    sendChildEvent(announcementElement(), QAccessible::ObjectDestroyed);
    announcing_ = false;
}

void AccessibleWindow::sendChildEvent(QAccessibleInterface* child, QAccessible::Event type) {
    if (child && child->isValid()) {
        QAccessibleEvent event(child, type);
        AccessibilityBridge::dispatch(event);
    }
}

void AccessibleWindow::sendAddedChild(QAccessibleInterface* child, int index) {
    // Qt 6.4 tells the desktop an added child's index as the window's child count at that moment,
    // which would give every child of a new screen the same one: while the event goes out, the
    // window counts only the children before it.
    addingAt_ = index;
    sendChildEvent(child, QAccessible::ObjectCreated);
    addingAt_.reset();
}

std::shared_ptr<View> AccessibleWindow::syncChildren() {
    // (The first look at the window, which may be this one, is what it is told against.)
    const auto now = elements();
    const auto stays = [&](const Told& entry) {
        const auto view = entry.view.lock();
        return view && std::find(now.begin(), now.end(), view) != now.end();
    };
    // A reader left on an element that went away would be on nothing: its place goes on.
    std::shared_ptr<View> readerPlace;
    const auto reader = std::find_if(told_.begin(), told_.end(), [](const Told& entry) {
        return AccessibilityBridge::isScreenReaderOn(entry.view);
    });
    if (reader != told_.end() && !stays(*reader)) {
        const auto next = std::find_if(std::next(reader), told_.end(), stays);
        const auto previous = std::find_if(std::make_reverse_iterator(reader), told_.rend(), stays);
        if (next != told_.end()) {
            readerPlace = next->view.lock();
        } else if (previous != told_.rend()) {
            readerPlace = previous->view.lock();
        } else if (!now.empty()) {
            readerPlace = now.front();
        }
    }
    std::vector<Told> before;
    for (const auto& entry : told_) {
        // An element whose view is gone has an invalid interface, which a client learns when it
        // next asks; it cannot be told as a removed child.
        if (!entry.view.expired()) {
            before.push_back(entry);
        }
    }
    const auto find = [&](const std::shared_ptr<View>& view) {
        return std::find_if(before.begin(), before.end(),
                            [&](const Told& entry) { return entry.view.lock() == view; });
    };
    for (const auto& entry : before) {
        auto view = entry.view.lock();
        if (std::find(now.begin(), now.end(), view) == now.end()) {
            sendChildEvent(AccessibilityBridge::interfaceFor(view), QAccessible::ObjectDestroyed);
        }
    }
    std::vector<Told> after;
    for (const auto& view : now) {
        Told current = told(view);
        QAccessibleInterface* element = AccessibilityBridge::interfaceFor(view);
        const auto old = find(view);
        if (old == before.end()) {
            sendAddedChild(element, static_cast<int>(after.size()));
        } else {
            if (old->name != current.name) {
                sendChildEvent(element, QAccessible::NameChanged);
            }
            if (old->description != current.description) {
                sendChildEvent(element, QAccessible::DescriptionChanged);
            }
            QAccessible::State changed;
            changed.disabled = old->disabled != current.disabled;
            changed.selected = old->selected != current.selected;
            if (changed.disabled || changed.selected) {
                QAccessibleStateChangeEvent event(element, changed);
                AccessibilityBridge::dispatch(event);
            }
        }
        after.push_back(std::move(current));
    }
    told_ = std::move(after);
    return readerPlace;
}

bool AccessibleWindow::isValid() const {
    return !widget_.isNull();
}

QObject* AccessibleWindow::object() const {
    return widget_.data();
}

QWindow* AccessibleWindow::window() const {
    return widget_ ? widget_->windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleWindow::parent() const {
    return QAccessible::queryAccessibleInterface(qApp);
}

QAccessibleInterface* AccessibleWindow::child(int index) const {
    asked_ = true;
    const auto list = elements();
    if (index >= 0 && index < static_cast<int>(list.size())) {
        return AccessibilityBridge::interfaceFor(list[static_cast<std::size_t>(index)]);
    }
    if (index == static_cast<int>(list.size()) && hasAnnouncement()) {
        return announcementElement();
    }
    return nullptr;
}

int AccessibleWindow::childCount() const {
    asked_ = true;
    if (addingAt_) {
        return *addingAt_;
    }
    return static_cast<int>(elements().size()) + (hasAnnouncement() ? 1 : 0);
}

int AccessibleWindow::indexOfChild(const QAccessibleInterface* child) const {
    asked_ = true;
    const auto list = elements();
    if (child == QAccessible::accessibleInterface(announcementId_)) {
        return hasAnnouncement() ? static_cast<int>(list.size()) : -1;
    }
    auto* element = dynamic_cast<const AccessibleElement*>(child);
    auto view = element ? element->view() : nullptr;
    auto found = std::find(list.begin(), list.end(), view);
    return view && found != list.end() ? static_cast<int>(found - list.begin()) : -1;
}

QAccessibleInterface* AccessibleWindow::childAt(int x, int y) const {
    asked_ = true;
    const auto list = elements();
    // The frontmost element: reading order runs back to front.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        QAccessibleInterface* element = AccessibilityBridge::interfaceFor(*it);
        if (element && element->rect().contains(x, y)) {
            return element;
        }
    }
    return nullptr;
}

QString AccessibleWindow::text(QAccessible::Text type) const {
    if (!widget_) {
        return {};
    }
    return type == QAccessible::Name ? widget_->windowTitle() : QString();
}

void AccessibleWindow::setText(QAccessible::Text, const QString&) {}

QRect AccessibleWindow::rect() const {
    if (!widget_) {
        return {};
    }
    return QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size());
}

QAccessible::Role AccessibleWindow::role() const {
    return QAccessible::Window;
}

QAccessible::State AccessibleWindow::state() const {
    QAccessible::State state;
    if (!widget_) {
        state.invalid = true;
        return state;
    }
    state.invisible = !widget_->isVisible();
    state.active = widget_->isActiveWindow();
    state.focusable = true;
    state.focused = widget_->hasFocus();
    return state;
}

}  // namespace quorvel::platform
