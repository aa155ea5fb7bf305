#include <gtest/gtest.h>

#include <QApplication>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "PaintingTestSupport.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/PanGestureRecognizer.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/ScrollView.h"
#include "Platform/UI/ScrollViewDelegate.h"
#include "Platform/UI/TapGestureRecognizer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

using namespace std::chrono_literals;

class WindowHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainRunLoop::discardPendingWork();
        window = Window::make();
        window->setBackgroundColor(Color::white());
        window->makeKeyAndVisible();
        host = WindowHost::make(window);
        ASSERT_NE(host, nullptr);
        host->show();
        ASSERT_TRUE(driveUntil([&] { return host->paintCount() > 0; }));
    }
    void TearDown() override {
        host.reset();
        window.reset();
        MainRunLoop::discardPendingWork();
    }

    QWidget* widget() const { return host->widget(); }

    // Drives the run loop (and with it Qt's events) until `predicate` holds; the limit only keeps
    // a broken test from hanging.
    static bool driveUntil(const std::function<bool()>& predicate) {
        return MainRunLoop::runUntil(predicate, 20s);
    }

    std::shared_ptr<Button> addButton(const Rect& frame, std::vector<ControlEvent>& events) {
        auto button = Button::make({}, frame);
        button->setTitle("Capture", ControlState::normal);
        for (ControlEvent event :
             {ControlEvent::touchDown, ControlEvent::touchUpInside, ControlEvent::touchUpOutside,
              ControlEvent::primaryActionTriggered}) {
            button->addAction(
                event, [&events, event](Control&, const Event*) { events.push_back(event); });
        }
        window->addSubview(button);
        return button;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<WindowHost> host;
};

TEST_F(WindowHostTest, TheWidgetShowsTheWindowAtItsLogicalSize) {
    EXPECT_EQ(widget()->size(), QSize(390, 844));
    EXPECT_EQ(WindowHost::hostOf(widget()), host);
    EXPECT_EQ(WindowHost::hostFor(*window), host);
    auto grabbed = host->grab();
    ASSERT_NE(grabbed, nullptr);
    EXPECT_EQ(grabbed->size(), (Size{390, 844}));
    EXPECT_EQ(grabbed->bitmap()->pixel(10, 10), Color::white());
}

// --- Mouse and touch -------------------------------------------------------------------------

TEST_F(WindowHostTest, AClickReachesTheButtonsTouchUpInside) {
    std::vector<ControlEvent> events;
    auto button = addButton(Rect::make(100, 100, 120, 44), events);
    QTest::mousePress(widget(), Qt::LeftButton, {}, QPoint(150, 120));
    EXPECT_TRUE(button->isHighlighted());
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, QPoint(150, 120));
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(events,
              (std::vector<ControlEvent>{ControlEvent::touchDown, ControlEvent::touchUpInside,
                                         ControlEvent::primaryActionTriggered}));
}

TEST_F(WindowHostTest, ReleasingFarFromTheButtonIsATouchUpOutside) {
    std::vector<ControlEvent> events;
    addButton(Rect::make(100, 100, 120, 44), events);
    QTest::mousePress(widget(), Qt::LeftButton, {}, QPoint(150, 120));
    QTest::mouseMove(widget(), QPoint(150, 400));
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, QPoint(150, 400));
    EXPECT_EQ(events,
              (std::vector<ControlEvent>{ControlEvent::touchDown, ControlEvent::touchUpOutside}));
}

TEST_F(WindowHostTest, ADragPansThroughTheViewsRecognizer) {
    auto area = View::make(Rect::make(0, 100, 390, 400));
    std::vector<Point> translations;
    std::vector<GestureRecognizerState> states;
    auto pan = PanGestureRecognizer::make([&](GestureRecognizer& recognizer) {
        states.push_back(recognizer.state());
        translations.push_back(static_cast<PanGestureRecognizer&>(recognizer).translation(nullptr));
    });
    area->addGestureRecognizer(pan);
    window->addSubview(area);

    QTest::mousePress(widget(), Qt::LeftButton, {}, QPoint(50, 200));
    for (int step = 1; step <= 5; ++step) {
        QTest::mouseMove(widget(), QPoint(50 + 10 * step, 200 + 4 * step));
    }
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, QPoint(100, 220));
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), GestureRecognizerState::began);
    EXPECT_EQ(states.back(), GestureRecognizerState::ended);
    EXPECT_EQ(translations.back(), (Point{50, 20}));
}

TEST_F(WindowHostTest, ADoubleClickIsASecondTap) {
    auto area = View::make(Rect::make(0, 0, 390, 844));
    int recognized = 0;
    auto doubleTap = TapGestureRecognizer::make([&](GestureRecognizer& recognizer) {
        recognized += recognizer.state() == GestureRecognizerState::ended;
    });
    doubleTap->setNumberOfTapsRequired(2);
    area->addGestureRecognizer(doubleTap);
    window->addSubview(area);

    QTest::mouseClick(widget(), Qt::LeftButton, {}, QPoint(200, 300));
    EXPECT_EQ(recognized, 0);
    // What a double click delivers after the first click: a double-click event, then a release.
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseRelease(widget(), Qt::LeftButton, {}, QPoint(200, 300));
    EXPECT_EQ(recognized, 1);
}

TEST_F(WindowHostTest, ATouchScreenTapReachesTheButton) {
    std::vector<ControlEvent> events;
    addButton(Rect::make(100, 100, 120, 44), events);
    const std::unique_ptr<QPointingDevice> screen(QTest::createTouchDevice());
    QTest::touchEvent(widget(), screen.get()).press(0, QPoint(150, 120));
    QTest::touchEvent(widget(), screen.get()).move(0, QPoint(152, 121));
    QTest::touchEvent(widget(), screen.get()).release(0, QPoint(152, 121));
    EXPECT_EQ(events,
              (std::vector<ControlEvent>{ControlEvent::touchDown, ControlEvent::touchUpInside,
                                         ControlEvent::primaryActionTriggered}));
}

// --- Zoom and keys ---------------------------------------------------------------------------

class ZoomDelegate : public ScrollViewDelegate {
public:
    std::shared_ptr<View> zoomed;
    std::shared_ptr<View> viewForZooming(ScrollView&) override { return zoomed; }
};

TEST_F(WindowHostTest, CtrlWheelAndPinchZoomTheScrollView) {
    auto scrollView = ScrollView::make(Rect::make(0, 0, 390, 844));
    auto delegate = std::make_shared<ZoomDelegate>();
    delegate->zoomed = View::make(Rect::make(0, 0, 390, 844));
    scrollView->addSubview(delegate->zoomed);
    scrollView->setMinimumZoomScale(1);
    scrollView->setMaximumZoomScale(4);
    scrollView->setDelegate(delegate);
    window->addSubview(scrollView);

    QWheelEvent wheel(QPointF(200, 400), widget()->mapToGlobal(QPointF(200, 400)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget(), &wheel);
    EXPECT_NEAR(scrollView->zoomScale(), 1.2, 1e-9);

    QWheelEvent plainWheel(QPointF(200, 400), widget()->mapToGlobal(QPointF(200, 400)), QPoint(),
                           QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget(), &plainWheel);
    EXPECT_NEAR(scrollView->zoomScale(), 1.2, 1e-9) << "without Ctrl the wheel does not zoom";

    QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
                              QPointF(200, 400), QPointF(200, 400),
                              widget()->mapToGlobal(QPointF(200, 400)), 0.5, QPointF());
    QApplication::sendEvent(widget(), &pinch);
    EXPECT_NEAR(scrollView->zoomScale(), 1.8, 1e-9);
}

TEST_F(WindowHostTest, TabMovesTheFocusAndSpaceActivates) {
    std::vector<ControlEvent> firstEvents;
    std::vector<ControlEvent> secondEvents;
    auto first = addButton(Rect::make(20, 100, 100, 44), firstEvents);
    auto second = addButton(Rect::make(20, 200, 100, 44), secondEvents);

    QTest::keyClick(widget(), Qt::Key_Tab);
    EXPECT_EQ(window->focusedView(), first);
    QTest::keyClick(widget(), Qt::Key_Tab);
    EXPECT_EQ(window->focusedView(), second);
    QTest::keyClick(widget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(window->focusedView(), first);
    QTest::keyClick(widget(), Qt::Key_Space);
    EXPECT_EQ(firstEvents, (std::vector<ControlEvent>{ControlEvent::touchUpInside,
                                                      ControlEvent::primaryActionTriggered}));
    QTest::keyClick(widget(), Qt::Key_Return);
    EXPECT_EQ(firstEvents.size(), 4u);
    EXPECT_TRUE(secondEvents.empty());
    EXPECT_TRUE(widget()->hasFocus() || !widget()->isActiveWindow())
        << "Tab stays inside the window";
}

// --- Repainting ------------------------------------------------------------------------------

TEST_F(WindowHostTest, AModelChangeRepaintsOnTheNextTurn) {
    auto view = View::make(Rect::make(0, 0, 100, 100));
    window->addSubview(view);
    ASSERT_TRUE(driveUntil([&] { return !host->isRepaintPending(); }));
    const int painted = host->paintCount();

    view->setBackgroundColor(testing::red);
    EXPECT_TRUE(host->isRepaintPending());
    MainRunLoop::runUntilIdle();
    EXPECT_GT(host->paintCount(), painted);
    EXPECT_FALSE(host->isRepaintPending());
    EXPECT_EQ(host->grab()->bitmap()->pixel(50, 50), testing::red);
}

class PreviewView : public View {
public:
    explicit PreviewView(const Rect& frame) : View(frame, VideoPreviewLayer::make()) {}
    VideoPreviewLayer& preview() const { return static_cast<VideoPreviewLayer&>(*layer()); }
};

TEST_F(WindowHostTest, ACameraFrameFromAnotherThreadRepaints) {
    auto preview = std::make_shared<PreviewView>(Rect::make(0, 0, 390, 844));
    window->addSubview(preview);
    ASSERT_TRUE(driveUntil([&] { return !host->isRepaintPending(); }));
    const int painted = host->paintCount();

    std::thread camera([&] {
        preview->preview().enqueue(
            testing::makeFrame(64, 36, [](int, int) { return testing::green; }));
    });
    camera.join();
    ASSERT_TRUE(driveUntil([&] { return host->paintCount() > painted; }));
    EXPECT_EQ(host->grab()->bitmap()->pixel(195, 422), testing::green);
}

}  // namespace
}  // namespace quorvel::platform
