#include <gtest/gtest.h>

#include <thread>

#include "Platform/Dispatch/MainQueueCheck.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Layer.h"
#include "Platform/UI/View.h"

namespace {

using quorvel::platform::Bitmap;
using quorvel::platform::Button;
using quorvel::platform::ButtonParts;
using quorvel::platform::Color;
using quorvel::platform::ContentMode;
using quorvel::platform::ControlState;
using quorvel::platform::EdgeInsets;
using quorvel::platform::Font;
using quorvel::platform::FontWeight;
using quorvel::platform::Image;
using quorvel::platform::Label;
using quorvel::platform::Layer;
using quorvel::platform::MainQueueCheck;
using quorvel::platform::Point;
using quorvel::platform::Rect;
using quorvel::platform::TextAlignment;
using quorvel::platform::View;

std::shared_ptr<Image> anImage() {
    return Image::make(Bitmap::make(1, 1));
}

TEST(View, DefaultsAsOnThePhonePlatform) {
    const auto view = View::make();
    EXPECT_FALSE(view->isHidden());
    EXPECT_EQ(view->alpha(), 1);
    EXPECT_FALSE(view->backgroundColor().has_value());
    EXPECT_EQ(view->contentMode(), ContentMode::scaleToFill);
    EXPECT_FALSE(view->clipsToBounds());
    EXPECT_EQ(view->tag(), 0);
    ASSERT_NE(view->layer(), nullptr);
    EXPECT_EQ(view->layer()->cornerRadius(), 0);
    EXPECT_EQ(view->layer()->borderWidth(), 0);
    EXPECT_EQ(view->layer()->borderColor(), Color::black());
}

TEST(View, ClipsToBoundsIsTheLayersMasksToBounds) {
    const auto view = View::make();
    view->setClipsToBounds(true);
    EXPECT_TRUE(view->layer()->masksToBounds());
    view->layer()->setMasksToBounds(false);
    EXPECT_FALSE(view->clipsToBounds());
}

TEST(View, FrameBoundsAndCentreStayInStep) {
    const auto view = View::make(Rect::make(10, 20, 100, 50));
    EXPECT_EQ(view->center(), (Point{60, 45}));
    EXPECT_EQ(view->bounds(), Rect::make(0, 0, 100, 50));
    view->setBounds(Rect::make(0, 0, 40, 10));  // resizes around the centre
    EXPECT_EQ(view->frame(), Rect::make(40, 40, 40, 10));
    view->setCenter({0, 0});
    EXPECT_EQ(view->frame(), Rect::make(-20, -5, 40, 10));
}

TEST(View, SubviewsMoveBetweenSuperviewsAndRefuseCycles) {
    const auto root = View::make();
    const auto other = View::make();
    const auto child = View::make();
    root->addSubview(child);
    EXPECT_EQ(child->superview(), root);
    other->addSubview(child);
    EXPECT_TRUE(root->subviews().empty());
    EXPECT_EQ(child->superview(), other);

    child->addSubview(other);  // other is child's ancestor
    EXPECT_TRUE(child->subviews().empty());
    child->addSubview(child);
    EXPECT_TRUE(child->subviews().empty());

    child->removeFromSuperview();
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_TRUE(other->subviews().empty());
}

TEST(View, ReAddingASubviewBringsItToTheFront) {
    const auto root = View::make();
    const auto first = View::make();
    const auto second = View::make();
    root->addSubview(first);
    root->addSubview(second);
    root->addSubview(first);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews().back(), first);
}

TEST(View, ViewWithTagSearchesDepthFirst) {
    const auto root = View::make();
    const auto branch = View::make();
    const auto leaf = View::make();
    leaf->setTag(3);
    root->addSubview(branch);
    branch->addSubview(leaf);
    EXPECT_EQ(root->viewWithTag(3), leaf);
    EXPECT_EQ(root->viewWithTag(0), root);
    EXPECT_EQ(root->viewWithTag(4), nullptr);
    EXPECT_TRUE(leaf->isDescendantOf(*root));
    EXPECT_FALSE(root->isDescendantOf(*leaf));
}

TEST(Label, DefaultsAsOnThePhonePlatform) {
    const auto label = Label::make();
    EXPECT_EQ(label->text(), "");
    EXPECT_FALSE(label->font().has_value());
    EXPECT_EQ(Label::defaultFont(), Font::systemFont(17));
    EXPECT_EQ(label->textColor(), Color::black());
    EXPECT_FALSE(label->adjustsFontSizeToFitWidth());
    EXPECT_EQ(label->minimumScaleFactor(), 0);
    EXPECT_EQ(label->textAlignment(), TextAlignment::natural);
    EXPECT_EQ(label->numberOfLines(), 1);
}

TEST(Button, MadeWithTheChosenParts) {
    const auto full = Button::make();
    ASSERT_NE(full->titleLabel(), nullptr);
    ASSERT_NE(full->imageView(), nullptr);
    EXPECT_EQ(full->titleLabel()->superview(), full);
    EXPECT_EQ(full->imageView()->superview(), full);

    const auto bare = Button::make(ButtonParts{.hasTitleLabel = false, .hasImageView = false});
    EXPECT_EQ(bare->titleLabel(), nullptr);
    EXPECT_EQ(bare->imageView(), nullptr);
    EXPECT_TRUE(bare->subviews().empty());
    bare->setTitle("Done", ControlState::normal);  // nothing to show it in, no harm
    EXPECT_EQ(bare->title(ControlState::normal), "Done");
}

TEST(Button, StatesWithoutTheirOwnValueUseTheNormalOnes) {
    const auto button = Button::make();
    const auto normalImage = anImage();
    const auto pressedImage = anImage();
    button->setTitle("Take", ControlState::normal);
    button->setTitleColor(Color::white(), ControlState::normal);
    button->setImage(normalImage, ControlState::normal);
    button->setBackgroundImage(normalImage, ControlState::normal);
    button->setTitleColor(Color{1, 0, 0, 1}, ControlState::highlighted);
    button->setBackgroundImage(pressedImage, ControlState::highlighted);

    EXPECT_EQ(button->titleColor(ControlState::highlighted), (Color{1, 0, 0, 1}));
    EXPECT_EQ(button->backgroundImage(ControlState::highlighted), pressedImage);
    EXPECT_EQ(button->title(ControlState::highlighted), "Take");
    EXPECT_EQ(button->image(ControlState::selected), normalImage);
    EXPECT_EQ(button->titleColor(ControlState::disabled), Color::white());

    // Taking a state's own value away falls back to the normal one again.
    button->setTitleColor(std::nullopt, ControlState::highlighted);
    EXPECT_EQ(button->titleColor(ControlState::highlighted), Color::white());
    button->setBackgroundImage(nullptr, ControlState::normal);
    EXPECT_EQ(button->backgroundImage(ControlState::normal), nullptr);
    EXPECT_EQ(button->backgroundImage(ControlState::highlighted), pressedImage);
}

TEST(Button, StateFollowsTheControlFlags) {
    const auto button = Button::make();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->state(), ControlState::normal);
    button->setSelected(true);
    EXPECT_EQ(button->state(), ControlState::selected);
    button->setHighlighted(true);
    EXPECT_EQ(button->state(), ControlState::highlighted);
    button->setEnabled(false);
    EXPECT_EQ(button->state(), ControlState::disabled);
    EXPECT_TRUE(button->isSelected());
}

TEST(Button, TitleLabelAndImageViewShowTheCurrentState) {
    const auto button = Button::make();
    const auto normalImage = anImage();
    const auto selectedImage = anImage();
    EXPECT_EQ(button->titleLabel()->textColor(), Button::defaultTitleColor);
    button->setTitle("Auto", ControlState::normal);
    button->setTitle("Auto on", ControlState::selected);
    button->setTitleColor(Color{0, 1, 0, 1}, ControlState::selected);
    button->setImage(normalImage, ControlState::normal);
    button->setImage(selectedImage, ControlState::selected);
    EXPECT_EQ(button->titleLabel()->text(), "Auto");
    EXPECT_EQ(button->imageView()->image(), normalImage);

    button->setSelected(true);
    EXPECT_EQ(button->titleLabel()->text(), "Auto on");
    EXPECT_EQ(button->titleLabel()->textColor(), (Color{0, 1, 0, 1}));
    EXPECT_EQ(button->imageView()->image(), selectedImage);
    EXPECT_EQ(button->currentTitle(), "Auto on");

    button->setSelected(false);
    EXPECT_EQ(button->titleLabel()->textColor(), Button::defaultTitleColor);
    EXPECT_EQ(button->currentImage(), normalImage);
}

TEST(Button, AnImageLargerThanTheButtonGetsAnImageViewWithinIt) {
    const auto button = Button::make(ButtonParts{}, {{0, 0}, {48, 48}});
    button->setImage(Image::make(Bitmap::make(300, 400)), ControlState::normal);
    button->imageView()->setContentMode(ContentMode::scaleAspectFill);
    button->layoutIfNeeded();
    EXPECT_EQ(button->imageView()->frame(), (Rect{{0, 0}, {48, 48}}));

    button->setImage(Image::make(Bitmap::make(20, 10)), ControlState::normal);
    button->layoutIfNeeded();
    EXPECT_EQ(button->imageView()->frame(), (Rect{{14, 19}, {20, 10}}));
}

TEST(Button, CarriesWhatAStylerSets) {
    const auto button = Button::make();
    button->setClipsToBounds(true);
    button->layer()->setCornerRadius(24);
    button->setContentEdgeInsets(EdgeInsets{0, 8, 0, 8});
    button->imageView()->setContentMode(ContentMode::scaleAspectFit);
    button->titleLabel()->setFont(Font::systemFont(16, FontWeight::semibold));
    button->titleLabel()->setAdjustsFontSizeToFitWidth(true);
    button->titleLabel()->setMinimumScaleFactor(0.3);
    button->setTag(4);

    EXPECT_TRUE(button->layer()->masksToBounds());
    EXPECT_EQ(button->layer()->cornerRadius(), 24);
    EXPECT_EQ(button->contentEdgeInsets(), (EdgeInsets{0, 8, 0, 8}));
    EXPECT_EQ(button->imageView()->contentMode(), ContentMode::scaleAspectFit);
    EXPECT_EQ(button->titleLabel()->font(), Font::systemFont(16, FontWeight::semibold));
    EXPECT_TRUE(button->titleLabel()->adjustsFontSizeToFitWidth());
    EXPECT_EQ(button->titleLabel()->minimumScaleFactor(), 0.3);
    EXPECT_EQ(button->tag(), 4);
}

TEST(ViewDeathTest, ViewsAreMadeAndChangedOnTheMainQueueOnly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { View::make(Rect::make(0, 0, 10, 10)); }).join(),
                 "view's constructor must be called on the main queue");
    const auto view = View::make(Rect::make(0, 0, 10, 10));
    EXPECT_DEATH(std::thread([&] { view->setFrame(Rect::make(0, 0, 20, 20)); }).join(),
                 "View::setFrame must be called on the main queue");
    const auto button = Button::make();
    EXPECT_DEATH(std::thread([&] { button->setSelected(true); }).join(),
                 "Control::setSelected must be called on the main queue");
}

}  // namespace
