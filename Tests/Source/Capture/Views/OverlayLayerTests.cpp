#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <variant>

#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Transaction.h"
#include "Source/Capture/Views/CaptureCircle.h"
#include "Source/Capture/Views/DetectionLayer.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using platform::BezierPath;
using platform::Point;
using platform::Rect;
using platform::Transaction;

std::shared_ptr<CaptureTheme> resourceTheme() {
    platform::ScopedLogCapture quiet;
    return std::make_shared<CaptureTheme>(std::shared_ptr<platform::Bundle>());
}

BezierPath outline(double x, double y) {
    return BezierPath::rect(Rect{{x, y}, {100, 100}});
}

std::optional<BezierPath> pathOnScreen(const platform::Layer& layer) {
    const auto value = layer.presentationValue("path");
    if (!value || !std::holds_alternative<BezierPath>(*value)) return std::nullopt;
    return std::get<BezierPath>(*value);
}

double strokeEndOnScreen(const platform::Layer& layer) {
    return std::get<double>(layer.presentationValue("strokeEnd").value());
}

// Sets the path inside a transaction of `duration` seconds.
void setPath(DetectionLayer& layer, const BezierPath& path, double duration) {
    Transaction::begin();
    Transaction::setAnimationDuration(duration);
    layer.setPath(path);
    Transaction::commit();
}

class DetectionLayerTest : public ::testing::Test {
protected:
    platform::ScopedManualClock clock;
    std::shared_ptr<DetectionLayer> layer = DetectionLayer::make();
};

TEST_F(DetectionLayerTest, TakesItsColoursAndLineWidthFromTheTheme) {
    const auto theme = resourceTheme();
    theme->detectionLineWidth = 6;
    layer->apply(*theme);
    EXPECT_EQ(layer->strokeColor(), theme->resolvedColor(&CaptureTheme::detectionStrokeColor));
    EXPECT_EQ(layer->fillColor(), theme->resolvedColor(&CaptureTheme::detectionFillColor));
    EXPECT_EQ(layer->lineWidth(), 6);
}

TEST_F(DetectionLayerTest, ANewOutlineStartsFromTheOneOnScreenEvenMidAnimation) {
    setPath(*layer, outline(0, 0), 0);
    setPath(*layer, outline(100, 100), 1.0);
    EXPECT_EQ(pathOnScreen(*layer), outline(0, 0));

    clock.advance(500ms);
    EXPECT_EQ(pathOnScreen(*layer), outline(50, 50));

    // No animation removed in between: the second change starts from the half-way outline, not
    // from the first change's end.
    setPath(*layer, outline(200, 0), 1.0);
    const auto animation = layer->animation("path");
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->fromValue(), platform::AnimationValue(outline(50, 50)));
    EXPECT_EQ(animation->duration(), 1.0);
    EXPECT_EQ(pathOnScreen(*layer), outline(50, 50));

    clock.advance(500ms);
    EXPECT_EQ(pathOnScreen(*layer), outline(125, 25));
    clock.advance(500ms);
    EXPECT_EQ(pathOnScreen(*layer), outline(200, 0));
    EXPECT_EQ(layer->path(), outline(200, 0));
}

TEST_F(DetectionLayerTest, FollowsTheTransactionInForce) {
    setPath(*layer, outline(0, 0), 0);
    // With no transaction of the caller's, the default one: a quarter of a second.
    layer->setPath(outline(100, 0));
    ASSERT_NE(layer->animation("path"), nullptr);
    EXPECT_EQ(layer->animation("path")->duration(), Transaction::defaultAnimationDuration);
    clock.advance(250ms);
    EXPECT_EQ(pathOnScreen(*layer), outline(100, 0));

    // A zero-duration transaction shows the change at once.
    setPath(*layer, outline(0, 100), 0);
    EXPECT_EQ(pathOnScreen(*layer), outline(0, 100));
}

TEST_F(DetectionLayerTest, OtherPropertiesChangeAsOnAPlainShapeLayer) {
    EXPECT_EQ(layer->action("strokeEnd"), nullptr);
    layer->setStrokeEnd(0.25);
    EXPECT_EQ(strokeEndOnScreen(*layer), 0.25);
    EXPECT_TRUE(layer->animationKeys().empty());
}

class CaptureCircleTest : public ::testing::Test {
protected:
    platform::ScopedManualClock clock;
    std::shared_ptr<platform::Layer> preview = platform::Layer::make();
    std::shared_ptr<CaptureCircle> circle = CaptureCircle::make();

    void SetUp() override { preview->setFrame({{0, 0}, {390, 600}}); }
};

TEST_F(CaptureCircleTest, DrawsARingOfRadius30FromTheTopOver0Point8Seconds) {
    circle->display({100, 200}, *preview);

    EXPECT_EQ(circle->superlayer(), preview);
    ASSERT_TRUE(circle->path());
    const Rect bounds = circle->path()->bounds();
    EXPECT_NEAR(bounds.origin.x, 70, 1e-3);
    EXPECT_NEAR(bounds.origin.y, 170, 1e-3);
    EXPECT_NEAR(bounds.size.width, 60, 1e-3);
    EXPECT_NEAR(bounds.size.height, 60, 1e-3);
    const auto& first = circle->path()->elements().front();
    EXPECT_NEAR(first.point.x, 100, 1e-3);
    EXPECT_NEAR(first.point.y, 170, 1e-3);
    // Clockwise on screen: the next point lies to the right of the top.
    EXPECT_GT(circle->path()->elements()[1].point.x, 100);

    const auto animation = circle->animation("drawCircleAnimation");
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(animation->keyPath(), "strokeEnd");
    EXPECT_EQ(animation->fromValue(), platform::AnimationValue(0.0));
    EXPECT_EQ(animation->toValue(), platform::AnimationValue(1.0));
    EXPECT_EQ(animation->duration(), 0.8);
    EXPECT_EQ(animation->timingFunction(), platform::TimingFunction::linear);
    EXPECT_FALSE(animation->isRemovedOnCompletion());

    // It leaves no transaction open behind it.
    EXPECT_EQ(Transaction::depth(), 0);

    EXPECT_EQ(strokeEndOnScreen(*circle), 0.0);
    clock.advance(400ms);
    EXPECT_DOUBLE_EQ(strokeEndOnScreen(*circle), 0.5);
    clock.advance(400ms);
    EXPECT_DOUBLE_EQ(strokeEndOnScreen(*circle), 1.0);
    // The full ring stays until the screen removes the layer.
    clock.advance(10s);
    EXPECT_DOUBLE_EQ(strokeEndOnScreen(*circle), 1.0);
    EXPECT_NE(circle->animation("drawCircleAnimation"), nullptr);
}

TEST_F(CaptureCircleTest, KeepsTheLayerColoursUntilAThemeIsGiven) {
    circle->display({100, 200}, *preview);
    EXPECT_EQ(circle->fillColor(), platform::Color::black());
    EXPECT_EQ(circle->strokeColor(), std::nullopt);
    EXPECT_EQ(circle->lineWidth(), 1);

    // A theme is read at the next display, not when it is given.
    const auto theme = resourceTheme();
    circle->apply(*theme);
    EXPECT_EQ(circle->strokeColor(), std::nullopt);
    circle->display({100, 200}, *preview);
    EXPECT_EQ(circle->fillColor(), theme->resolvedColor(&CaptureTheme::captureCircleFillColor));
    EXPECT_EQ(circle->strokeColor(), theme->resolvedColor(&CaptureTheme::captureCircleStrokeColor));
    EXPECT_EQ(circle->lineWidth(), 2);
}

TEST_F(CaptureCircleTest, DisplayingAgainMovesTheRingAndStartsItsDrawingOver) {
    circle->display({100, 200}, *preview);
    clock.advance(500ms);
    auto other = platform::Layer::make();
    other->setFrame({{0, 0}, {390, 600}});
    circle->display({200, 300}, *other);

    EXPECT_EQ(circle->superlayer(), other);
    EXPECT_TRUE(preview->sublayers().empty());
    EXPECT_EQ(circle->animationKeys(), std::vector<std::string>{"drawCircleAnimation"});
    EXPECT_EQ(strokeEndOnScreen(*circle), 0.0);
    EXPECT_NEAR(circle->path()->bounds().origin.x, 170, 1e-3);
    clock.advance(800ms);
    EXPECT_DOUBLE_EQ(strokeEndOnScreen(*circle), 1.0);
}

}  // namespace
}  // namespace quorvel
