#include "Platform/UI/Qt/WindowHost.h"

#include <QBasicTimer>
#include <QCloseEvent>
#include <QGestureEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPinchGesture>
#include <QPixmap>
#include <QTimerEvent>
#include <QTouchEvent>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/ImageBridge.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

// About 60 frames a second while something animates.
constexpr int kFrameIntervalMilliseconds = 16;
// One wheel step (120 eighths of a degree) with Ctrl held zooms by this factor.
constexpr double kWheelStepZoom = 1.2;

std::vector<std::weak_ptr<WindowHost>>& hosts() {
    static std::vector<std::weak_ptr<WindowHost>> list;
    return list;
}

std::atomic<bool> frameRepaintPending{false};

std::optional<Key> keyFor(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Space:
            return Key::space;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::enter;
        case Qt::Key_Tab:
            return event.modifiers() & Qt::ShiftModifier ? Key::backtab : Key::tab;
        case Qt::Key_Backtab:
            return Key::backtab;
        case Qt::Key_Escape:
            return Key::escape;
        case Qt::Key_Left:
            return Key::left;
        case Qt::Key_Right:
            return Key::right;
        case Qt::Key_Up:
            return Key::up;
        case Qt::Key_Down:
            return Key::down;
        default:
            return std::nullopt;
    }
}

}  // namespace

class WindowHost::Widget : public QWidget {
public:
    explicit Widget(WindowHost& host) : host_(host) {
        setObjectName(QString::fromLatin1(widgetObjectName));
        setAttribute(Qt::WA_AcceptTouchEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(false);
        grabGesture(Qt::PinchGesture);
        setWindowTitle(QStringLiteral("QuorvelCapture"));
        fitToWindow();
    }

    void fitToWindow() {
        const Size size = host_.window_->bounds().size;
        const QSize wanted(static_cast<int>(std::lround(size.width)),
                           static_cast<int>(std::lround(size.height)));
        if (this->size() != wanted) {
            setFixedSize(wanted);
        }
    }

    void scheduleRepaint() {
        repaintPending_ = true;
        update();
    }

    bool repaintPending_ = false;
    int paintCount_ = 0;

protected:
    bool focusNextPrevChild(bool) override {
        // Tab and Shift+Tab move the focus inside the window (Window::sendKey), not between
        // widgets.
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        Window& window = *host_.window_;
        window.layoutIfNeededForDisplay();
        fitToWindow();
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        ViewPainter::paint(painter, window);
        window.markDisplayed();
        repaintPending_ = false;
        ++paintCount_;
        if (DisplayInvalidation::isAnimating() || window.needsDisplay()) {
            if (!frameTimer_.isActive()) {
                frameTimer_.start(kFrameIntervalMilliseconds, Qt::PreciseTimer, this);
            }
        }
    }

    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() != frameTimer_.timerId()) {
            QWidget::timerEvent(event);
            return;
        }
        if (DisplayInvalidation::isAnimating() || host_.window_->needsDisplay()) {
            scheduleRepaint();
        } else {
            frameTimer_.stop();
        }
    }

    void mousePressEvent(QMouseEvent* event) override { press(event, 1); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { press(event, 2); }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (touchDown_ && (event->buttons() & Qt::LeftButton)) {
            send(TouchPhase::moved, event->position());
        }
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && touchDown_) {
            touchDown_ = false;
            send(TouchPhase::ended, event->position());
        }
        event->accept();
    }

    bool event(QEvent* event) override {
        switch (event->type()) {
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TouchCancel:
                touch(static_cast<QTouchEvent*>(event));
                return true;
            case QEvent::Gesture:
                return gesture(static_cast<QGestureEvent*>(event));
            case QEvent::NativeGesture: {
                auto* native = static_cast<QNativeGestureEvent*>(event);
                if (native->gestureType() == Qt::ZoomNativeGesture) {
                    pinch(native->position(), 1 + native->value());
                    return true;
                }
                break;
            }
            default:
                break;
        }
        return QWidget::event(event);
    }

    void wheelEvent(QWheelEvent* event) override {
        if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
            event->ignore();
            return;
        }
        pinch(event->position(), std::pow(kWheelStepZoom, event->angleDelta().y() / 120.0));
        event->accept();
    }

    void keyPressEvent(QKeyEvent* event) override {
        const std::optional<Key> key = keyFor(*event);
        if (!key) {
            QWidget::keyPressEvent(event);
            return;
        }
        host_.window_->sendKey(*key);
        event->accept();
    }

    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (host_.closeHandler_) {
            host_.closeHandler_();
        }
    }

private:
    void press(QMouseEvent* event, int tapCount) {
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        touchDown_ = true;
        tapCount_ = tapCount;
        send(TouchPhase::began, event->position());
        event->accept();
    }

    void send(TouchPhase phase, QPointF position) {
        host_.window_->sendTouch(phase, Point{position.x(), position.y()}, tapCount_);
    }

    void touch(QTouchEvent* event) {
        event->accept();
        if (event->points().isEmpty()) {
            return;
        }
        const QEventPoint& point = event->points().front();
        switch (event->type()) {
            case QEvent::TouchBegin:
                touchDown_ = true;
                tapCount_ = 1;
                send(TouchPhase::began, point.position());
                break;
            case QEvent::TouchUpdate:
                if (touchDown_) {
                    send(TouchPhase::moved, point.position());
                }
                break;
            case QEvent::TouchEnd:
                if (touchDown_) {
                    touchDown_ = false;
                    send(TouchPhase::ended, point.position());
                }
                break;
            default:
                if (touchDown_) {
                    touchDown_ = false;
                    send(TouchPhase::cancelled, point.position());
                }
                break;
        }
    }

    bool gesture(QGestureEvent* event) {
        auto* pinchGesture = static_cast<QPinchGesture*>(event->gesture(Qt::PinchGesture));
        if (!pinchGesture) {
            return false;
        }
        if (pinchGesture->changeFlags() & QPinchGesture::ScaleFactorChanged) {
            pinch(mapFromGlobal(pinchGesture->centerPoint()), pinchGesture->scaleFactor());
        }
        event->accept(pinchGesture);
        return true;
    }

    void pinch(QPointF position, double scale) {
        if (scale > 0 && std::isfinite(scale)) {
            host_.window_->sendPinch(Point{position.x(), position.y()}, scale);
        }
    }

    WindowHost& host_;
    QBasicTimer frameTimer_;
    bool touchDown_ = false;
    int tapCount_ = 1;
};

WindowHost::WindowHost(std::shared_ptr<Window> window) : window_(std::move(window)) {}

std::shared_ptr<WindowHost> WindowHost::make(std::shared_ptr<Window> window) {
    if (!window || !ApplicationHost::isStarted()) {
        return nullptr;
    }
    auto host = std::shared_ptr<WindowHost>(new WindowHost(std::move(window)));
    host->widget_ = new Widget(*host);

    auto& list = hosts();
    list.erase(std::remove_if(list.begin(), list.end(), [](const auto& h) { return h.expired(); }),
               list.end());
    if (list.empty()) {
        // Repaint every shown window when the model changes, and when camera frames arrive
        // (those come on the camera's thread and are coalesced into one repaint on the main
        // queue).
        DisplayInvalidation::setHandler([] {
            for (const auto& weak : hosts()) {
                if (auto live = weak.lock()) {
                    live->widget_->scheduleRepaint();
                }
            }
        });
        VideoPreviewLayer::setFrameArrivalHandler([] {
            if (frameRepaintPending.exchange(true)) {
                return;
            }
            DispatchQueue::main()->async([] {
                frameRepaintPending = false;
                for (const auto& weak : hosts()) {
                    if (auto live = weak.lock()) {
                        live->widget_->scheduleRepaint();
                    }
                }
            });
        });
    }
    list.push_back(host);
    return host;
}

WindowHost::~WindowHost() {
    auto& list = hosts();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [this](const auto& h) {
                                  auto live = h.lock();
                                  return !live || live.get() == this;
                              }),
               list.end());
    if (list.empty()) {
        DisplayInvalidation::setHandler({});
        VideoPreviewLayer::setFrameArrivalHandler({});
    }
    delete widget_;
}

QWidget* WindowHost::widget() const {
    return widget_;
}

std::shared_ptr<WindowHost> WindowHost::hostOf(const QWidget* widget) {
    for (const auto& weak : hosts()) {
        if (auto live = weak.lock(); live && live->widget_ == widget) {
            return live;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowHost> WindowHost::hostFor(const Window& window) {
    for (const auto& weak : hosts()) {
        if (auto live = weak.lock(); live && live->window_.get() == &window) {
            return live;
        }
    }
    return nullptr;
}

void WindowHost::setCloseHandler(std::function<void()> handler) {
    closeHandler_ = std::move(handler);
}

void WindowHost::show() {
    widget_->show();
    if (!ApplicationHost::isOffscreen()) {
        widget_->raise();
        widget_->activateWindow();
    }
    widget_->scheduleRepaint();
}

void WindowHost::hide() {
    widget_->hide();
}

bool WindowHost::isRepaintPending() const {
    return widget_->repaintPending_;
}

void WindowHost::repaintIfNeeded() {
    if (widget_->repaintPending_ || window_->needsDisplay()) {
        widget_->repaint();
    }
}

int WindowHost::paintCount() const {
    return widget_->paintCount_;
}

std::shared_ptr<Image> WindowHost::grab() const {
    const QPixmap pixmap = widget_->grab();
    return ImageBridge::image(pixmap.toImage(), pixmap.devicePixelRatio());
}

}  // namespace quorvel::platform
