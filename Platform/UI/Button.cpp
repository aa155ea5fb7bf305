#include "Platform/UI/Button.h"

#include <cstddef>
#include <utility>

#include "Platform/Dispatch/MainQueueCheck.h"

namespace quorvel::platform {

namespace {

std::size_t slot(ControlState state) {
    return static_cast<std::size_t>(state);
}

// The state's own value, else the normal state's.
template <typename T>
const T& lookup(const std::array<T, 4>& values, ControlState state) {
    const T& own = values[slot(state)];
    return own ? own : values[slot(ControlState::normal)];
}

}  // namespace

std::shared_ptr<Button> Button::make(ButtonParts parts, const Rect& frame) {
    std::shared_ptr<Button> button(new Button(frame));
    if (parts.hasImageView) {
        button->imageView_ = ImageView::make();
        button->addSubview(button->imageView_);
    }
    if (parts.hasTitleLabel) {
        button->titleLabel_ = Label::make();
        button->addSubview(button->titleLabel_);
    }
    button->updateContent();
    return button;
}

std::optional<std::string> Button::title(ControlState state) const {
    return lookup(titles_, state);
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
    MainQueueCheck::require("Button::setTitle");
    titles_[slot(state)] = std::move(title);
    updateContent();
}

std::optional<Color> Button::titleColor(ControlState state) const {
    return lookup(titleColors_, state);
}

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
    MainQueueCheck::require("Button::setTitleColor");
    titleColors_[slot(state)] = color;
    updateContent();
}

std::shared_ptr<Image> Button::image(ControlState state) const {
    return lookup(images_, state);
}

void Button::setImage(std::shared_ptr<Image> image, ControlState state) {
    MainQueueCheck::require("Button::setImage");
    images_[slot(state)] = std::move(image);
    updateContent();
}

std::shared_ptr<Image> Button::backgroundImage(ControlState state) const {
    return lookup(backgroundImages_, state);
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
    MainQueueCheck::require("Button::setBackgroundImage");
    backgroundImages_[slot(state)] = std::move(image);
}

void Button::stateDidChange() {
    updateContent();
}

void Button::updateContent() {
    if (titleLabel_) {
        titleLabel_->setText(currentTitle().value_or(std::string()));
        titleLabel_->setTextColor(currentTitleColor().value_or(defaultTitleColor));
    }
    if (imageView_) {
        imageView_->setImage(currentImage());
    }
}

}  // namespace quorvel::platform
