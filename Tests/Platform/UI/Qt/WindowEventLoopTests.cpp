#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Qt/ApplicationHost.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

// A Qt event that carries what its receiver does with it.
class ActionEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }
    explicit ActionEvent(std::function<void()> action)
        : QEvent(type()), action(std::move(action)) {}
    std::function<void()> action;
};

class Receiver : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == ActionEvent::type()) {
            static_cast<ActionEvent*>(event)->action();
            return true;
        }
        return QObject::event(event);
    }
};

class WindowEventLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ApplicationHost::isStarted());
        MainRunLoop::discardPendingWork();
        QCoreApplication::sendPostedEvents();
    }
    void TearDown() override { MainRunLoop::discardPendingWork(); }

    // Posts a Qt event to the receiver (any thread may).
    void postEvent(std::function<void()> action) {
        QCoreApplication::postEvent(&receiver, new ActionEvent(std::move(action)));
    }
    std::function<void()> note(std::string entry) {
        return [this, entry] {
            std::lock_guard lock(mutex);
            order.push_back(std::move(entry));
        };
    }
    std::vector<std::string> recorded() {
        std::lock_guard lock(mutex);
        return order;
    }

    Receiver receiver;
    std::shared_ptr<DispatchQueue> main = DispatchQueue::main();
    std::mutex mutex;
    std::vector<std::string> order;
};

TEST_F(WindowEventLoopTest, EachTurnRunsTheDueBlocksThenDeliversQtsEvents) {
    main->async([this] {
        note("block 1")();
        postEvent([this] {
            note("event posted by block 1")();
            main->async(note("block posted by that event"));
        });
    });
    postEvent(note("event 1"));
    main->async(note("block 2"));

    EXPECT_EQ(MainRunLoop::runUntilIdle(), 3u);
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"block 1", "block 2", "event 1", "event posted by block 1",
                                        "block posted by that event"}));
}

TEST_F(WindowEventLoopTest, RunUntilIdleFiresDueQtTimers) {
    bool fired = false;
    QTimer::singleShot(0, &receiver, [&] { fired = true; });
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(fired);
}

TEST_F(WindowEventLoopTest, RunSleepsInQtsLoopAndWakesForBlocksAndEventsFromOtherThreads) {
    std::thread second;
    std::thread first([&] {
        postEvent([&] {
            note("event from a worker")();
            second = std::thread([this] {
                main->async([this] {
                    note("block from another worker")();
                    MainRunLoop::stop();
                });
            });
        });
    });
    MainRunLoop::run();
    first.join();
    second.join();
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"event from a worker", "block from another worker"}));
}

TEST_F(WindowEventLoopTest, RunKeepsDelayedBlocksOnTimeWhileWaitingInQt) {
    main->asyncAfter(20ms, [this] {
        note("delayed")();
        MainRunLoop::stop();
    });
    MainRunLoop::run();
    EXPECT_EQ(recorded(), std::vector<std::string>{"delayed"});
}

TEST_F(WindowEventLoopTest, RunUntilDeliversQtEventsWhileItWaits) {
    bool delivered = false;
    std::thread worker([&] { postEvent([&] { delivered = true; }); });
    EXPECT_TRUE(MainRunLoop::runUntil([&] { return delivered; }, 20s));
    worker.join();
}

TEST_F(WindowEventLoopTest, AQtEventHandlerMayDriveTheLoopItself) {
    postEvent([this] {
        main->async(note("block run from inside the event"));
        MainRunLoop::runUntilIdle();
        note("event done")();
    });
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(recorded(),
              (std::vector<std::string>{"block run from inside the event", "event done"}));
}

}  // namespace
}  // namespace quorvel::platform
