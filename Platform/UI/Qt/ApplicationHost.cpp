#include "Platform/UI/Qt/ApplicationHost.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

#include "Platform/Dispatch/EventPump.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Log/LogChannel.h"
#include "Platform/UI/Qt/AccessibilityBridge.h"
#include "Platform/UI/Qt/FileDialogChooser.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {
namespace {

const LogChannel& log() {
    static const LogChannel channel("com.quorvel.platform", "ui");
    return channel;
}

// The target of wake-ups from other threads. Cleared before the application goes away, so that a
// late wake-up never reaches a destroyed event dispatcher.
struct WakeTarget {
    std::mutex mutex;
    std::condition_variable woken;
    QAbstractEventDispatcher* dispatcher = nullptr;
    bool pending = false;

    void wake() {
        {
            std::lock_guard lock(mutex);
            pending = true;
            if (dispatcher) {
                dispatcher->wakeUp();
            }
        }
        woken.notify_all();
    }
    void detach() {
        std::lock_guard lock(mutex);
        dispatcher = nullptr;
    }
};

// Receives the timer that ends a bounded wait; the timer event itself only has to arrive.
class WaitTimer : public QObject {
protected:
    void timerEvent(QTimerEvent*) override {}
};

// What a process that exits without shutDown() leaves behind, kept reachable so that a leak
// checker does not count it (volatile: the stores are never read, and must not be dropped).
struct {
    QApplication* volatile application = nullptr;
    WaitTimer* volatile waitTimer = nullptr;
} leftAtExit;

// What start() made and shutDown() takes down again.
struct HostState {
    std::unique_ptr<QApplication> ownedApplication;
    std::shared_ptr<WakeTarget> wakeTarget;
    std::unique_ptr<WaitTimer> waitTimer;
    bool started = false;

    // Reached only when the process exits without shutDown(): by then Qt's own globals are
    // already gone, and an application destroyed after them takes the process down with it. The
    // application and its objects are left to the process's end instead, where the system takes
    // back what they hold.
    ~HostState() {
        if (started) {
            leftAtExit.application = ownedApplication.release();
            leftAtExit.waitTimer = waitTimer.release();
        }
    }
};

HostState& host() {
    static HostState state;
    return state;
}

bool onApplicationThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool deliverPending() {
    if (!onApplicationThread()) {
        return false;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    bool delivered = dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
    // Objects whose deletion was deferred go now rather than at the next nested event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return delivered;
}

void waitForEvents(const std::shared_ptr<WakeTarget>& target, std::optional<Duration> timeout) {
    if (!onApplicationThread()) {
        // Another thread drives the loop: it cannot wait in the window system, so it waits for a
        // wake-up alone.
        std::unique_lock lock(target->mutex);
        if (timeout) {
            target->woken.wait_for(lock, *timeout, [&] { return target->pending; });
        } else {
            target->woken.wait(lock, [&] { return target->pending; });
        }
        target->pending = false;
        return;
    }
    {
        // The dispatcher keeps its own record of a wake-up that came before this wait, so the
        // wait below returns at once for it.
        std::lock_guard lock(target->mutex);
        target->pending = false;
    }
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) {
        return;
    }
    if (timeout && *timeout <= Duration::zero()) {
        dispatcher->processEvents(QEventLoop::AllEvents);
        return;
    }
    int timerId = 0;
    if (timeout) {
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(*timeout);
        timerId = host().waitTimer->startTimer(milliseconds, Qt::PreciseTimer);
    }
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (timerId != 0) {
        host().waitTimer->killTimer(timerId);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool hasWindowSystem() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

// The command line an application is made with. QApplication keeps references to the count and
// the list for its whole life, and takes out of the list the options it understands, so both
// are laid out anew for every application.
char applicationName[] = "quorvel";
char platformOption[] = "-platform";
char offscreenPlatform[] = "offscreen";
int applicationArgc = 0;
char* applicationArgv[4] = {};

void layOutArguments(bool offscreen) {
    applicationArgv[0] = applicationName;
    applicationArgv[1] = offscreen ? platformOption : nullptr;
    applicationArgv[2] = offscreen ? offscreenPlatform : nullptr;
    applicationArgv[3] = nullptr;
    applicationArgc = offscreen ? 3 : 1;
}

}  // namespace

bool ApplicationHost::start(Display display) {
    HostState& state = host();
    if (state.started) {
        return true;
    }
    QCoreApplication* existing = QCoreApplication::instance();
    if (existing && !qobject_cast<QApplication*>(existing)) {
        log().error("The process already runs a Qt application without a user interface");
        return false;
    }
    if (!existing) {
        const bool offscreen = display == Display::offscreen || !hasWindowSystem();
        layOutArguments(offscreen);
        QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
        state.ownedApplication = std::make_unique<QApplication>(applicationArgc, applicationArgv);
    }

    state.waitTimer = std::make_unique<WaitTimer>();
    state.wakeTarget = std::make_shared<WakeTarget>();
    state.wakeTarget->dispatcher = QAbstractEventDispatcher::instance();
    const std::shared_ptr<WakeTarget> target = state.wakeTarget;
    MainRunLoop::setEventPump(EventPump{
        deliverPending,
        [target](std::optional<Duration> timeout) { waitForEvents(target, timeout); },
        [target] { target->wake(); },
    });
    ViewPainter::install();
    AccessibilityBridge::install();
    if (!isOffscreen()) {
        FileDialogChooser::install();
    }
    state.started = true;
    return true;
}

bool ApplicationHost::isStarted() {
    return host().started;
}

bool ApplicationHost::isOffscreen() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void ApplicationHost::shutDown() {
    HostState& state = host();
    if (!state.started) {
        return;
    }
    FileDialogChooser::uninstall();
    AccessibilityBridge::uninstall();
    View::setSnapshotProvider({});
    MainRunLoop::setEventPump(std::nullopt);
    state.wakeTarget->detach();
    state.wakeTarget.reset();
    state.waitTimer.reset();
    state.ownedApplication.reset();
    state.started = false;
}

}  // namespace quorvel::platform
