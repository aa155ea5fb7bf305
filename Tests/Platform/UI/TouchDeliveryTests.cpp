#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Control.h"
#include "Platform/UI/PanGestureRecognizer.h"
#include "Platform/UI/SwipeGestureRecognizer.h"
#include "Platform/UI/TapGestureRecognizer.h"
#include "Platform/UI/UIDriver.h"

namespace quorvel::platform {
namespace {

using testing::UIModelTest;

// A view that writes down the touches it is given.
class TouchLog : public View {
public:
    static std::shared_ptr<TouchLog> make(const Rect& frame) {
        return std::shared_ptr<TouchLog>(new TouchLog(frame));
    }
    void touchesBegan(const std::vector<Touch>&, const Event&) override { log.push_back("began"); }
    void touchesMoved(const std::vector<Touch>&, const Event&) override { log.push_back("moved"); }
    void touchesEnded(const std::vector<Touch>&, const Event&) override { log.push_back("ended"); }
    void touchesCancelled(const std::vector<Touch>&, const Event&) override {
        log.push_back("cancelled");
    }
    std::vector<std::string> log;

private:
    using View::View;
};

// A view that lets touches through, as the crop screen's corner handles do.
class TouchThrough : public View {
public:
    static std::shared_ptr<TouchThrough> make(const Rect& frame) {
        return std::shared_ptr<TouchThrough>(new TouchThrough(frame));
    }
    bool pointInside(Point, const Event*) const override { return false; }

private:
    using View::View;
};

// A control like the crop screen's touch layer: it refuses every recognizer but pans.
class PanOnlyControl : public Control {
public:
    static std::shared_ptr<PanOnlyControl> make(const Rect& frame) {
        return std::shared_ptr<PanOnlyControl>(new PanOnlyControl(frame));
    }
    bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override {
        return dynamic_cast<PanGestureRecognizer*>(&recognizer) != nullptr;
    }

private:
    using Control::Control;
};

class Refusing : public GestureRecognizerDelegate {
public:
    bool gestureRecognizerShouldBegin(GestureRecognizer&) override { return false; }
};

class TouchDelivery : public UIModelTest {
protected:
    // Registers an action per event of interest that appends the event's name to `events`.
    void watch(Control& control) {
        const std::pair<ControlEvent, const char*> names[] = {
            {ControlEvent::touchDown, "down"},
            {ControlEvent::touchDownRepeat, "downRepeat"},
            {ControlEvent::touchDragInside, "dragInside"},
            {ControlEvent::touchDragOutside, "dragOutside"},
            {ControlEvent::touchUpInside, "upInside"},
            {ControlEvent::touchUpOutside, "upOutside"},
            {ControlEvent::touchCancel, "cancel"},
            {ControlEvent::primaryActionTriggered, "primary"},
            {ControlEvent::valueChanged, "valueChanged"},
        };
        for (const auto& [event, name] : names) {
            control.addAction(event, [this, name = std::string(name)](Control&, const Event*) {
                events.push_back(name);
            });
        }
    }

    std::vector<std::string> events;
};

// --- Hit testing --------------------------------------------------------------------------------

TEST_F(TouchDelivery, HitTestingSkipsHiddenFaintDisabledAndDetachedViews) {
    const auto back = View::make(Rect::make(0, 0, 100, 100));
    const auto front = View::make(Rect::make(0, 0, 100, 100));
    root->addSubview(back);
    root->addSubview(front);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), front);

    front->setHidden(true);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), back);
    front->setHidden(false);
    front->setAlpha(0.01);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), back);
    front->setAlpha(0.02);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), front);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), back);

    // Interaction off on a container takes its whole subtree out.
    root->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({50, 50}, nullptr), window);
    root->setUserInteractionEnabled(true);

    // Not in a window: no touch at all.
    const auto detached = View::make(Rect::make(0, 0, 100, 100));
    EXPECT_EQ(detached->hitTest({50, 50}, nullptr), nullptr);
    back->removeFromSuperview();
    EXPECT_EQ(back->hitTest({50, 50}, nullptr), nullptr);
}

TEST_F(TouchDelivery, PointsOutsideAViewReachNoneOfItsSubviewsAndTheScrollOffsetCounts) {
    const auto box = View::make(Rect::make(100, 100, 50, 50));
    const auto overhang = View::make(Rect::make(40, 0, 50, 50));  // sticks out to the right
    box->addSubview(overhang);
    root->addSubview(box);
    EXPECT_EQ(window->hitTest({145, 110}, nullptr), overhang);
    EXPECT_EQ(window->hitTest({170, 110}, nullptr), root);  // inside overhang, outside box

    // The bounds origin is the scroll offset: content at y 50 shows at the top.
    const auto scroller = View::make(Rect::make(0, 300, 100, 100));
    const auto content = View::make(Rect::make(0, 50, 100, 20));
    scroller->addSubview(content);
    root->addSubview(scroller);
    scroller->setBounds(Rect::make(0, 50, 100, 100));
    EXPECT_EQ(window->hitTest({10, 305}, nullptr), content);
    EXPECT_EQ(content->convert(Point{0, 0}, nullptr), (Point{0, 300}));
    EXPECT_EQ(content->convertFrom(Point{10, 305}, nullptr), (Point{10, 5}));
}

TEST_F(TouchDelivery, AViewThatRefusesPointsLetsTouchesThroughToTheViewBehind) {
    const auto layer = Button::make({}, Rect::make(0, 0, 200, 200));
    const auto handle = TouchThrough::make(Rect::make(80, 80, 40, 40));
    root->addSubview(layer);
    root->addSubview(handle);
    watch(*layer);
    ASSERT_TRUE(UIDriver::tap(*handle));
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upInside", "primary"}));
}

// --- Controls -----------------------------------------------------------------------------------

TEST_F(TouchDelivery, AControlTracksItsTouchIntoControlEvents) {
    const auto button = Button::make({}, Rect::make(100, 100, 80, 40));
    root->addSubview(button);
    watch(*button);

    ASSERT_TRUE(UIDriver::press(*button, {40, 20}));
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(button->state(), ControlState::highlighted);
    UIDriver::moveTo(*button, {40, 25});
    UIDriver::moveTo(*button, {40, 200});  // beyond the 70-point margin
    EXPECT_FALSE(button->isHighlighted());
    UIDriver::release(*button, {40, 200});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "dragInside", "dragOutside", "upOutside"}));

    events.clear();
    // A finger that strays a little (within the margin) still counts as inside.
    UIDriver::press(*button, {40, 20});
    UIDriver::release(*button, {40, 60});
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upInside", "primary"}));
    EXPECT_FALSE(button->isHighlighted());
}

TEST_F(TouchDelivery, TouchesOnAPlainSubviewReachTheControlThroughTheResponderChain) {
    const auto button = Button::make({}, Rect::make(0, 0, 100, 100));
    const auto content = View::make(Rect::make(0, 0, 100, 100));  // takes touches itself
    button->addSubview(content);
    root->addSubview(button);
    watch(*button);
    ASSERT_EQ(window->hitTest({50, 50}, nullptr), content);
    UIDriver::tap(*content);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upInside", "primary"}));

    events.clear();
    button->setEnabled(false);
    UIDriver::tap(*content);
    EXPECT_TRUE(events.empty());
}

TEST_F(TouchDelivery, AnActionMayRemoveItselfAndOthersWhileRunning) {
    const auto button = Button::make({}, Rect::make(0, 0, 100, 100));
    root->addSubview(button);
    int first = 0, second = 0;
    ControlActionToken secondToken;
    ControlActionToken firstToken;
    firstToken = button->addAction(ControlEvent::touchUpInside, [&](Control& sender, const Event*) {
        ++first;
        sender.removeAction(secondToken);
        sender.removeAction(firstToken);
    });
    secondToken =
        button->addAction(ControlEvent::touchUpInside, [&](Control&, const Event*) { ++second; });
    UIDriver::tap(*button);
    UIDriver::tap(*button);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

// --- Gesture recognizers ------------------------------------------------------------------------

TEST_F(TouchDelivery, ARecognizerSeesTheTouchFirstAndCancelsItForTheView) {
    const auto target = TouchLog::make(Rect::make(0, 0, 100, 100));
    root->addSubview(target);
    int taps = 0;
    root->addGestureRecognizer(TapGestureRecognizer::make([&](GestureRecognizer& r) {
        if (r.state() == GestureRecognizerState::ended) {
            ++taps;
        }
    }));
    UIDriver::tap(*target);
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(target->log, (std::vector<std::string>{"began", "cancelled"}));
}

TEST_F(TouchDelivery, APanThatKeepsTouchesLeavesTheControlItsEventsAndReportsStepByStep) {
    const auto control = PanOnlyControl::make(Rect::make(0, 0, 300, 300));
    root->addSubview(control);
    watch(*control);
    std::vector<Point> steps;
    std::vector<GestureRecognizerState> states;
    auto pan = PanGestureRecognizer::make([&](GestureRecognizer& r) {
        auto& p = static_cast<PanGestureRecognizer&>(r);
        states.push_back(p.state());
        steps.push_back(p.translation(control.get()));
        p.setTranslation({0, 0}, control.get());
    });
    pan->setCancelsTouchesInView(false);
    control->addGestureRecognizer(pan);
    // A tap recognizer on the same view is refused by the view.
    int taps = 0;
    control->addGestureRecognizer(TapGestureRecognizer::make([&](GestureRecognizer&) { ++taps; }));

    UIDriver::pan(*control, {100, 100}, {100, 160}, 6);  // 10 points a step
    EXPECT_EQ(states.front(), GestureRecognizerState::began);
    EXPECT_EQ(states.back(), GestureRecognizerState::ended);
    // Every report carries only the movement since the previous one.
    double total = 0;
    for (const auto& step : steps) {
        EXPECT_LE(step.y, 10.0);
        total += step.y;
    }
    EXPECT_DOUBLE_EQ(total, 60);
    EXPECT_EQ(events.front(), "down");
    EXPECT_EQ(events.back(), "primary");
    EXPECT_NE(std::find(events.begin(), events.end(), "upInside"), events.end());

    events.clear();
    UIDriver::tap(*control);
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "upInside", "primary"}));
}

TEST_F(TouchDelivery, ADoubleTapRecognizesOnTheSecondTapOnly) {
    const auto view = View::make(Rect::make(0, 0, 200, 200));
    root->addSubview(view);
    int doubles = 0;
    Point where;
    auto recognizer = TapGestureRecognizer::make([&](GestureRecognizer& r) {
        ++doubles;
        where = r.location(view.get());
    });
    recognizer->setNumberOfTapsRequired(2);
    view->addGestureRecognizer(recognizer);

    UIDriver::tap(*view, {30, 40});
    EXPECT_EQ(doubles, 0);
    UIDriver::doubleTap(*view, {30, 40});
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(where, (Point{30, 40}));
}

TEST_F(TouchDelivery, ASwipeRecognizesOnlyItsDirectionAndOnlyFromFiftyPoints) {
    const auto view = View::make(Rect::make(0, 100, 390, 300));
    root->addSubview(view);
    int lefts = 0, rights = 0;
    view->addGestureRecognizer(
        SwipeGestureRecognizer::make(SwipeDirection::left, [&](GestureRecognizer&) { ++lefts; }));
    view->addGestureRecognizer(
        SwipeGestureRecognizer::make(SwipeDirection::right, [&](GestureRecognizer&) { ++rights; }));
    UIDriver::swipe(*view, SwipeDirection::left);
    EXPECT_EQ(lefts, 1);
    EXPECT_EQ(rights, 0);
    UIDriver::swipe(*view, SwipeDirection::right);
    EXPECT_EQ(rights, 1);
    // Too short, or mostly vertical: nothing.
    UIDriver::pan(*view, {200, 150}, {160, 150}, 4);
    UIDriver::pan(*view, {200, 50}, {140, 250}, 8);
    EXPECT_EQ(lefts, 1);
    EXPECT_EQ(rights, 1);
}

TEST_F(TouchDelivery, TheDelegateOrTheViewCanStopARecognizerAndTheViewThenGetsTheTouches) {
    const auto target = TouchLog::make(Rect::make(0, 0, 100, 100));
    root->addSubview(target);
    int taps = 0;
    auto tap = TapGestureRecognizer::make([&](GestureRecognizer&) { ++taps; });
    auto refusing = std::make_shared<Refusing>();
    tap->setDelegate(refusing);
    target->addGestureRecognizer(tap);
    UIDriver::tap(*target);
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(tap->state(), GestureRecognizerState::possible);  // reset after the touch
    EXPECT_EQ(target->log, (std::vector<std::string>{"began", "ended"}));

    // A delegate that has gone away vetoes nothing.
    refusing.reset();
    UIDriver::tap(*target);
    EXPECT_EQ(taps, 1);
}

TEST_F(TouchDelivery, OnlyOneRecognizerOfATouchRecognizesTheNearestFirst) {
    const auto inner = View::make(Rect::make(0, 0, 300, 300));
    root->addSubview(inner);
    int innerPans = 0, outerPans = 0;
    inner->addGestureRecognizer(PanGestureRecognizer::make(
        [&](GestureRecognizer& r) { innerPans += r.state() == GestureRecognizerState::began; }));
    root->addGestureRecognizer(PanGestureRecognizer::make(
        [&](GestureRecognizer& r) { outerPans += r.state() == GestureRecognizerState::began; }));
    UIDriver::pan(*inner, {50, 50}, {150, 50}, 5);
    EXPECT_EQ(innerPans, 1);
    EXPECT_EQ(outerPans, 0);

    // A disabled recognizer is passed over.
    inner->gestureRecognizers().front()->setEnabled(false);
    UIDriver::pan(*inner, {50, 50}, {150, 50}, 5);
    EXPECT_EQ(innerPans, 1);
    EXPECT_EQ(outerPans, 1);
}

// --- Keyboard -----------------------------------------------------------------------------------

TEST_F(TouchDelivery, TabFollowsTheReadingOrderAndSpaceOrEnterActivatesTheFocusedControl) {
    const auto a = Button::make({}, Rect::make(0, 0, 50, 50));
    const auto b = Button::make({}, Rect::make(60, 0, 50, 50));
    const auto c = Button::make({}, Rect::make(120, 0, 50, 50));
    const auto hidden = Button::make({}, Rect::make(180, 0, 50, 50));
    hidden->setHidden(true);
    for (const auto& button : {a, b, c, hidden}) {
        root->addSubview(button);
    }
    root->setAccessibilityElements(std::vector<std::shared_ptr<View>>{c, a, hidden, b});
    b->setEnabled(false);
    int pressedC = 0;
    c->addAction(ControlEvent::primaryActionTriggered, [&](Control&, const Event* event) {
        EXPECT_EQ(event, nullptr);
        ++pressedC;
    });

    EXPECT_TRUE(window->sendKey(Key::tab));
    EXPECT_EQ(window->focusedView(), c);
    EXPECT_TRUE(window->sendKey(Key::space));
    EXPECT_TRUE(window->sendKey(Key::enter));
    EXPECT_EQ(pressedC, 2);
    window->sendKey(Key::tab);
    EXPECT_EQ(window->focusedView(), a);  // b is disabled, hidden is hidden
    window->sendKey(Key::tab);
    EXPECT_EQ(window->focusedView(), c);  // wraps
    window->sendKey(Key::backtab);
    EXPECT_EQ(window->focusedView(), a);

    // A focused control that goes away loses the focus; keys then do nothing.
    a->removeFromSuperview();
    EXPECT_FALSE(window->sendKey(Key::space));
}

}  // namespace
}  // namespace quorvel::platform
