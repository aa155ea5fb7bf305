#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ModelTestSupport.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/Qt/TextLayout.h"
#include "Platform/UI/StackView.h"

namespace quorvel::platform {
namespace {

using testing::UIModelTest;

// A view whose layout keeps asking for more layout, and may lay itself out again from inside.
class Restless : public View {
public:
    static std::shared_ptr<Restless> make(std::vector<std::string>* log, std::string name) {
        auto view = std::shared_ptr<Restless>(new Restless(Rect::make(0, 0, 100, 100)));
        view->log_ = log;
        view->name_ = std::move(name);
        return view;
    }
    void layoutSubviews() override {
        log_->push_back(name_);
        if (asksAgain) {
            setNeedsLayout();
        }
        if (nested) {
            layoutIfNeeded();
        }
        if (resizesChild && !subviews().empty()) {
            // Moving a subview during layout marks it; it is laid out in the same pass.
            subviews().front()->setFrame(Rect::make(0, 0, bounds().width() / 2, 10));
        }
    }
    bool asksAgain = false;
    bool nested = false;
    bool resizesChild = false;

private:
    using View::View;
    std::vector<std::string>* log_ = nullptr;
    std::string name_;
};

class LayoutPass : public UIModelTest {};

TEST_F(LayoutPass, ALayoutThatAlwaysAsksForMoreRunsTwiceAndStops) {
    std::vector<std::string> log;
    const auto view = Restless::make(&log, "restless");
    view->asksAgain = true;
    view->nested = true;  // and calls layoutIfNeeded on itself from inside
    root->addSubview(view);
    window->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"restless", "restless"}));
    EXPECT_FALSE(view->needsLayout());

    // The next request is honoured again, with the same limit.
    log.clear();
    view->setNeedsLayout();
    window->layoutIfNeeded();
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(LayoutPass, ParentsAreLaidOutBeforeTheirChildrenAndOnlyWhenMarked) {
    std::vector<std::string> log;
    const auto parent = Restless::make(&log, "parent");
    const auto child = Restless::make(&log, "child");
    parent->resizesChild = true;
    parent->addSubview(child);
    root->addSubview(parent);
    window->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"parent", "child"}));
    EXPECT_EQ(child->frame(), Rect::make(0, 0, 50, 10));

    log.clear();
    window->layoutIfNeeded();
    EXPECT_TRUE(log.empty());

    // Resizing marks the view; adding a subview marks the superview.
    parent->setFrame(Rect::make(0, 0, 300, 100));
    window->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"parent", "child"}));
    EXPECT_EQ(child->frame().width(), 150);
    log.clear();
    parent->addSubview(View::make());
    window->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"parent"}));
}

TEST_F(LayoutPass, AControllersRootViewCallsItsLayoutHooksAroundTheLayoutAndMayNestOnce) {
    class Screen : public ViewController {
    public:
        std::vector<std::string> log;
        void viewWillLayoutSubviews() override { log.push_back("will"); }
        void viewDidLayoutSubviews() override {
            log.push_back("did");
            // As a screen does when it lays its root out again from its hook.
            viewIfLoaded()->setNeedsLayout();
            viewIfLoaded()->layoutIfNeeded();
        }
    };
    const auto screen = std::make_shared<Screen>();
    screen->view()->setLayoutHandler([&](View&) { screen->log.push_back("layout"); });
    window->setRootViewController(screen);
    window->layoutIfNeeded();
    EXPECT_EQ(screen->log,
              (std::vector<std::string>{"will", "layout", "did", "will", "layout", "did"}));
}

TEST_F(LayoutPass, AutoresizingFollowsTheSuperviewsSize) {
    const auto container = View::make(Rect::make(0, 0, 200, 100));
    const auto stretch = View::make(Rect::make(10, 10, 180, 80));
    stretch->setAutoresizingMask(AutoresizingMask::flexibleWidth |
                                 AutoresizingMask::flexibleHeight);
    const auto pinnedRight = View::make(Rect::make(150, 0, 50, 20));
    pinnedRight->setAutoresizingMask(AutoresizingMask::flexibleLeftMargin);
    container->addSubview(stretch);
    container->addSubview(pinnedRight);
    container->setFrame(Rect::make(0, 0, 300, 150));
    EXPECT_EQ(stretch->frame(), Rect::make(10, 10, 280, 130));
    EXPECT_EQ(pinnedRight->frame(), Rect::make(250, 0, 50, 20));
}

TEST_F(LayoutPass, AStackViewGivesHiddenViewsNoRoomAndKeepsFixedAndIntrinsicSizes) {
    const auto fixed = View::make();
    LayoutConstraint::make(fixed, LayoutAttribute::height, 40)->activate();
    const auto image = ImageView::make(Image::make(Bitmap::make(30, 25)));
    const auto flexibleA = View::make();
    const auto hidden = View::make();
    const auto flexibleB = View::make();
    hidden->setHidden(true);
    const auto stack =
        StackView::make({fixed, image, flexibleA, hidden, flexibleB}, Rect::make(0, 0, 200, 300));
    stack->setAxis(LayoutAxis::vertical);
    stack->setSpacing(5);
    root->addSubview(stack);
    window->layoutIfNeeded();
    // 300 − 40 − 25 − 3 × 5 spacing = 220, shared by the two flexible views.
    EXPECT_EQ(fixed->frame(), Rect::make(0, 0, 200, 40));
    EXPECT_EQ(image->frame(), Rect::make(0, 45, 200, 25));
    EXPECT_EQ(flexibleA->frame(), Rect::make(0, 75, 200, 110));
    EXPECT_EQ(flexibleB->frame(), Rect::make(0, 190, 200, 110));

    // Showing the hidden view lays the stack out again with the room shared three ways.
    hidden->setHidden(false);
    window->layoutIfNeeded();
    EXPECT_DOUBLE_EQ(hidden->frame().height(), (300 - 40 - 25 - 4 * 5) / 3.0);

    // Changing the fixed constant does too.
    fixed->constraintsAffecting(LayoutAttribute::height).front()->setConstant(10);
    window->layoutIfNeeded();
    EXPECT_EQ(fixed->frame().height(), 10);
}

TEST_F(LayoutPass, ConstraintRecordsLiveOnTheCommonAncestorAndMarkLayout) {
    const auto strip = View::make(Rect::make(0, 0, 390, 50));
    const auto left = View::make(Rect::make(0, 0, 100, 50));
    const auto right = View::make(Rect::make(200, 0, 100, 50));
    strip->addSubview(left);
    strip->addSubview(right);
    root->addSubview(strip);
    window->layoutIfNeeded();

    auto centre = LayoutConstraint::make(right, LayoutAttribute::centerX, LayoutRelation::equal,
                                         strip, LayoutAttribute::centerX);
    centre->setIdentifier("centre");
    EXPECT_FALSE(centre->isActive());
    centre->activate();
    EXPECT_TRUE(strip->needsLayout());
    ASSERT_EQ(strip->constraints().size(), 1u);
    EXPECT_EQ(strip->constraints().front(), centre);
    EXPECT_EQ(right->constraintsAffecting(LayoutAttribute::centerX).front(), centre);
    EXPECT_DOUBLE_EQ(centre->targetValue(), 195);
    window->layoutIfNeeded();
    centre->setConstant(-20);
    EXPECT_TRUE(strip->needsLayout());
    EXPECT_DOUBLE_EQ(centre->targetValue(), 175);

    centre->deactivate();
    EXPECT_TRUE(strip->constraints().empty());
    EXPECT_TRUE(right->constraintsAffecting(LayoutAttribute::centerX).empty());
}

TEST_F(LayoutPass, AButtonCentresImageAndTitleAndMeasuresWhatItShows) {
    const auto button = Button::make({}, Rect::make(0, 0, 200, 60));
    button->setTitle("Crop", ControlState::normal);
    button->setImage(Image::make(Bitmap::make(20, 20)), ControlState::normal);
    button->setContentEdgeInsets(EdgeInsets{5, 10, 5, 10});
    root->addSubview(button);
    window->layoutIfNeeded();
    const Size title = TextLayout::measure("Crop", Label::defaultFont());
    const Rect image = button->imageView()->frame();
    const Rect text = button->titleLabel()->frame();
    EXPECT_DOUBLE_EQ(image.minX(), 100 - (20 + title.width) / 2);
    EXPECT_DOUBLE_EQ(text.minX(), image.maxX());
    EXPECT_DOUBLE_EQ(image.midY(), 30);
    EXPECT_DOUBLE_EQ(text.midY(), 30);
    EXPECT_EQ(button->intrinsicContentSize(),
              (Size{20 + title.width + 20, std::max(20.0, title.height) + 10}));

    // Without a title the label hides and the image sits in the middle.
    button->setTitle(std::nullopt, ControlState::normal);
    window->layoutIfNeeded();
    EXPECT_TRUE(button->titleLabel()->isHidden());
    EXPECT_DOUBLE_EQ(button->imageView()->frame().midX(), 100);
}

TEST_F(LayoutPass, ALabelsIntrinsicSizeIsTheMeasuredTextAndAnEmptyLabelHasNone) {
    const auto label = Label::make();
    EXPECT_EQ(label->intrinsicContentSize(), (Size{0, 0}));
    label->setText("Normal");
    label->setFont(Font::systemFont(15, FontWeight::bold));
    EXPECT_EQ(label->intrinsicContentSize(),
              TextLayout::measure("Normal", Font::systemFont(15, FontWeight::bold)));
    EXPECT_GT(label->intrinsicContentSize().width, 0);
    // Wrapped into a narrow width it grows in height.
    label->setNumberOfLines(0);
    label->setText("a long caption that needs more than one line");
    const Size oneLine = label->sizeThatFits(Size{0, 0});
    const Size wrapped = label->sizeThatFits(Size{80, 0});
    EXPECT_LE(wrapped.width, 80);
    EXPECT_GT(wrapped.height, oneLine.height);
}

TEST(ViewThreading, ChangingTheTreeOffTheMainThreadStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto parent = View::make();
    const auto child = View::make();
    EXPECT_DEATH(std::thread([&] { parent->addSubview(child); }).join(),
                 "View::addSubview must be called on the main queue");
}

}  // namespace
}  // namespace quorvel::platform
