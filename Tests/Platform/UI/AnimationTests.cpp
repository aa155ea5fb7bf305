#include <gtest/gtest.h>

#include <numbers>
#include <optional>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/UI/BasicAnimation.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/Transaction.h"

namespace quorvel::platform {
namespace {

using testing::UIModelTest;

// A shape layer whose path changes animate from what is on screen, over the transaction's
// duration, the way the camera screen's outline layer does.
class OutlineLayer : public ShapeLayer {
public:
    static std::shared_ptr<OutlineLayer> make() {
        return std::shared_ptr<OutlineLayer>(new OutlineLayer());
    }
    std::shared_ptr<BasicAnimation> action(const std::string& key) override {
        if (key != "path") {
            return ShapeLayer::action(key);
        }
        auto animation = BasicAnimation::make("path");
        animation->setFromValue(presentationValue("path"));
        animation->setDuration(Transaction::animationDuration());
        animation->setTimingFunction(Transaction::animationTimingFunction());
        return animation;
    }
};

BezierPath square(double x, double y, double size) {
    return BezierPath::rect(Rect::make(x, y, size, size));
}

Point firstPoint(const std::optional<BezierPath>& path) {
    return path ? path->elements().front().point : Point{-1, -1};
}

class Animations : public UIModelTest {};

TEST_F(Animations, APathChangeMidAnimationStartsFromTheOutlineOnScreen) {
    const auto layer = OutlineLayer::make();
    layer->setPath(square(0, 0, 10));  // no path before: appears at once
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{0, 0}));

    layer->setPath(square(100, 0, 10));  // 0.25 s by default, linear
    advance(0.125);
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{50, 0}));

    // A second change while the first still runs starts from the half-way outline.
    layer->setPath(square(100, 100, 10));
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{50, 0}));
    advance(0.125);
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{75, 50}));
    advance(0.125);
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{100, 100}));
    EXPECT_TRUE(layer->animationKeys().empty());  // removed on completion
    EXPECT_EQ(layer->path(), square(100, 100, 10));
}

TEST_F(Animations, AZeroDurationTransactionOrDisabledActionsShowTheChangeAtOnce) {
    const auto layer = OutlineLayer::make();
    layer->setPath(square(0, 0, 10));
    Transaction::begin();
    Transaction::setAnimationDuration(0);
    layer->setPath(square(200, 0, 10));
    Transaction::commit();
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{200, 0}));

    Transaction::begin();
    Transaction::setDisableActions(true);
    layer->setPath(square(0, 300, 10));
    Transaction::commit();
    EXPECT_TRUE(layer->animationKeys().empty());
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{0, 300}));

    // Transactions nest and put the outer settings back; an extra commit is harmless.
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::begin();
    EXPECT_EQ(Transaction::animationDuration(), 1);
    Transaction::setAnimationDuration(2);
    Transaction::commit();
    EXPECT_EQ(Transaction::animationDuration(), 1);
    Transaction::commit();
    Transaction::commit();
    EXPECT_EQ(Transaction::depth(), 0);
    EXPECT_EQ(Transaction::animationDuration(), Transaction::defaultAnimationDuration);

    // Without an open transaction a setting holds for the rest of this turn of the main queue.
    Transaction::setAnimationDuration(0);
    layer->setPath(square(10, 10, 10));
    EXPECT_EQ(firstPoint(layer->presentationPath()), (Point{10, 10}));
    turn();
    EXPECT_EQ(Transaction::animationDuration(), Transaction::defaultAnimationDuration);
    // Also when the queued reset was dropped with the queue's pending work.
    Transaction::setDisableActions(true);
    MainRunLoop::discardPendingWork();
    Transaction::setAnimationDuration(3);
    turn();
    EXPECT_EQ(Transaction::animationDuration(), Transaction::defaultAnimationDuration);
    EXPECT_FALSE(Transaction::disableActions());
}

TEST_F(Animations, PathsOfDifferentShapeJumpAndAPlainShapeLayerDoesNotAnimate) {
    const auto layer = OutlineLayer::make();
    layer->setPath(square(0, 0, 10));
    BezierPath triangle;
    triangle.moveTo({0, 0});
    triangle.addLineTo({10, 0});
    triangle.addLineTo({5, 5});
    layer->setPath(triangle);
    advance(0.1);
    EXPECT_EQ(layer->presentationPath(), triangle);

    const auto plain = ShapeLayer::make();
    plain->setPath(square(0, 0, 10));
    plain->setPath(square(50, 0, 10));
    EXPECT_TRUE(plain->animationKeys().empty());
    EXPECT_EQ(firstPoint(plain->presentationPath()), (Point{50, 0}));
}

TEST_F(Animations, AStrokeAnimationKeptAfterItsEndHoldsItsLastValueAndIsReplacedByKey) {
    const auto ring = ShapeLayer::make();
    ring->setPath(
        BezierPath::arc({50, 50}, 30, -std::numbers::pi / 2, 3 * std::numbers::pi / 2, true));
    auto draw = BasicAnimation::make("strokeEnd");
    draw->setFromValue(0.0);
    draw->setToValue(1.0);
    draw->setDuration(0.8);
    draw->setRemovedOnCompletion(false);
    ring->add(draw, "drawCircleAnimation");
    draw->setDuration(100);  // the layer holds its own copy
    EXPECT_DOUBLE_EQ(ring->presentationStrokeEnd(), 0);
    advance(0.4);
    EXPECT_DOUBLE_EQ(ring->presentationStrokeEnd(), 0.5);
    ring->setStrokeEnd(0.2);  // the model value is hidden while the kept animation lasts
    advance(1.0);
    EXPECT_DOUBLE_EQ(ring->presentationStrokeEnd(), 1);
    EXPECT_EQ(ring->animationKeys(), (std::vector<std::string>{"drawCircleAnimation"}));

    // Adding under the same key replaces and restarts it.
    auto again = BasicAnimation::make("strokeEnd");
    again->setFromValue(0.0);
    again->setToValue(1.0);
    again->setDuration(0.8);
    ring->add(again, "drawCircleAnimation");
    EXPECT_DOUBLE_EQ(ring->presentationStrokeEnd(), 0);
    EXPECT_EQ(ring->animationKeys().size(), 1u);
    ring->removeAllAnimations();
    EXPECT_DOUBLE_EQ(ring->presentationStrokeEnd(), 0.2);

    // A full turn of the ring is one closed-looking arc from the top, clockwise.
    const Rect box = ring->path()->bounds();
    EXPECT_NEAR(box.width(), 60, 1e-9);
    EXPECT_NEAR(ring->path()->elements().front().point.y, 20, 1e-9);
}

TEST_F(Animations, AViewAnimationChangesTheModelAtOnceAndTheScreenOverTime) {
    const auto view = View::make(Rect::make(0, 0, 100, 100));
    root->addSubview(view);
    view->setAlpha(0);
    std::vector<bool> completions;
    View::animate(
        0.3, 0.2, AnimationOptions::curveLinear,
        [&] {
            view->setAlpha(1);
            view->setFrame(Rect::make(100, 0, 100, 100));
        },
        [&](bool finished) { completions.push_back(finished); });
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_EQ(view->frame().minX(), 100);
    // During the delay the old values show.
    EXPECT_DOUBLE_EQ(view->presentationAlpha(), 0);
    advance(0.2);
    EXPECT_DOUBLE_EQ(view->presentationAlpha(), 0);
    advance(0.15);
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
    EXPECT_NEAR(view->presentationFrame().minX(), 50, 1e-9);
    EXPECT_TRUE(completions.empty());
    advance(0.15);
    EXPECT_EQ(completions, (std::vector<bool>{true}));
    EXPECT_DOUBLE_EQ(view->presentationAlpha(), 1);
    EXPECT_FALSE(view->hasRunningAnimations());
}

TEST_F(Animations, AZeroLengthViewAnimationCompletesOnTheNextTurn) {
    const auto view = View::make();
    bool done = false;
    View::animate(
        0, [&] { view->setAlpha(0.5); }, [&](bool) { done = true; });
    EXPECT_EQ(view->presentationAlpha(), 0.5);
    EXPECT_FALSE(done);
    turn();
    EXPECT_TRUE(done);
}

TEST_F(Animations, BeginningFromTheCurrentStateTakesOverMidWayAndTheOldOneReportsUnfinished) {
    const auto view = View::make();
    std::vector<bool> first, second;
    View::animate(
        1.0, 0, AnimationOptions::curveLinear, [&] { view->setAlpha(0); },
        [&](bool finished) { first.push_back(finished); });
    advance(0.5);
    View::animate(
        1.0, 0, AnimationOptions::beginFromCurrentState | AnimationOptions::curveLinear,
        [&] { view->setAlpha(1); }, [&](bool finished) { second.push_back(finished); });
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-9);
    advance(0.5);
    EXPECT_NEAR(view->presentationAlpha(), 0.75, 1e-9);
    EXPECT_EQ(first, (std::vector<bool>{false}));
    advance(0.5);
    EXPECT_EQ(second, (std::vector<bool>{true}));

    // Without the option an animation starts from the old model value.
    View::animate(1.0, 0, AnimationOptions::curveLinear, [&] { view->setAlpha(0); });
    advance(0.5);
    View::animate(1.0, 0, AnimationOptions::curveLinear, [&] { view->setAlpha(1); });
    EXPECT_NEAR(view->presentationAlpha(), 0, 1e-9);
}

TEST_F(Animations, LayoutInsideAnAnimationBlockIsAnimatedAndEasedByDefault) {
    const auto container = View::make(Rect::make(0, 0, 300, 100));
    const auto slider = View::make(Rect::make(0, 0, 100, 100));
    container->addSubview(slider);
    root->addSubview(container);
    double target = 0;
    container->setLayoutHandler([&](View&) { slider->setFrame(Rect::make(target, 0, 100, 100)); });
    window->layoutIfNeeded();
    target = 200;
    container->setNeedsLayout();
    View::animate(0.3, [&] { container->layoutIfNeeded(); });
    EXPECT_EQ(slider->frame().minX(), 200);
    advance(0.075);
    const double eased = slider->presentationFrame().minX();
    EXPECT_GT(eased, 0);
    EXPECT_LT(eased, 50);  // ease-in-ease-out starts slowly
    advance(0.075);
    EXPECT_NEAR(slider->presentationFrame().minX(), 100, 1e-6);
    advance(0.2);
    EXPECT_EQ(slider->presentationFrame().minX(), 200);
    // A plain change outside a block drops a running animation.
    View::animate(1, [&] { slider->setFrame(Rect::make(0, 0, 100, 100)); });
    slider->setFrame(Rect::make(50, 0, 100, 100));
    EXPECT_EQ(slider->presentationFrame().minX(), 50);
}

}  // namespace
}  // namespace quorvel::platform
