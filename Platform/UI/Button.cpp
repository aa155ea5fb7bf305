#include "Platform/UI/Button.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "Platform/UI/GraphicsContext.h"

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

// A rectangle of `size` centred in `slot` shrunk by `insets`.
Rect centredIn(const Rect& slot, const EdgeInsets& insets, Size size) {
    const Rect area{
        {slot.minX() + insets.left, slot.minY() + insets.top},
        {slot.width() - insets.left - insets.right, slot.height() - insets.top - insets.bottom}};
    return Rect{{area.minX() + (area.size.width - size.width) / 2,
                 area.minY() + (area.size.height - size.height) / 2},
                size};
}

}  // namespace

Button::Button(const Rect& frame) : Control(frame) {
    setAccessibilityTraits(AccessibilityTraits::button);
}

std::shared_ptr<Button> Button::make(ButtonParts parts, const Rect& frame) {
    std::shared_ptr<Button> button(new Button(frame));
    if (parts.hasImageView) {
        button->imageView_ = ImageView::make();
        button->imageView_->setContentMode(ContentMode::center);
        button->addSubview(button->imageView_);
    }
    if (parts.hasTitleLabel) {
        button->titleLabel_ = Label::make();
        button->titleLabel_->setTextAlignment(TextAlignment::center);
        // The button speaks for its title.
        button->titleLabel_->setIsAccessibilityElement(false);
        button->addSubview(button->titleLabel_);
    }
    button->updateContent();
    return button;
}

std::optional<std::string> Button::title(ControlState state) const {
    return lookup(titles_, state);
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
    titles_[slot(state)] = std::move(title);
    updateContent();
}

std::optional<Color> Button::titleColor(ControlState state) const {
    return lookup(titleColors_, state);
}

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
    titleColors_[slot(state)] = color;
    updateContent();
}

std::shared_ptr<Image> Button::image(ControlState state) const {
    return lookup(images_, state);
}

void Button::setImage(std::shared_ptr<Image> image, ControlState state) {
    images_[slot(state)] = std::move(image);
    updateContent();
}

std::shared_ptr<Image> Button::backgroundImage(ControlState state) const {
    return lookup(backgroundImages_, state);
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
    backgroundImages_[slot(state)] = std::move(image);
    setNeedsDisplay();
}

void Button::setContentEdgeInsets(const EdgeInsets& insets) {
    contentEdgeInsets_ = insets;
    invalidateIntrinsicContentSize();
}

void Button::setImageEdgeInsets(const EdgeInsets& insets) {
    imageEdgeInsets_ = insets;
    setNeedsLayout();
}

void Button::setTitleEdgeInsets(const EdgeInsets& insets) {
    titleEdgeInsets_ = insets;
    setNeedsLayout();
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
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

Size Button::titleSize() const {
    if (!titleLabel_ || titleLabel_->text().empty()) {
        return Size{0, 0};
    }
    return titleLabel_->intrinsicContentSize();
}

Size Button::imageSize() const {
    if (!imageView_ || !imageView_->image()) {
        return Size{0, 0};
    }
    return imageView_->image()->size();
}

void Button::layoutSubviews() {
    Control::layoutSubviews();
    const Rect content = bounds().inset(contentEdgeInsets_);
    // An image larger than the content area gets an image view no larger than that area, as on
    // the phone: its content mode then decides how the image fits (a page's thumbnail is a whole
    // page filling the button, not its middle at one pixel per point).
    Size image = imageSize();
    image.width = std::min(image.width, std::max(0.0, content.width()));
    image.height = std::min(image.height, std::max(0.0, content.height()));
    Size title = titleSize();
    title.width = std::max(0.0, std::min(title.width, content.width() - image.width));
    const double total = image.width + title.width;
    const double left = content.minX() + (content.width() - total) / 2;
    if (imageView_) {
        imageView_->setHidden(image.width <= 0 && image.height <= 0);
        const Rect slot{{left, content.minY()}, {image.width, content.height()}};
        imageView_->setFrame(centredIn(slot, imageEdgeInsets_, image));
    }
    if (titleLabel_) {
        titleLabel_->setHidden(titleLabel_->text().empty());
        const Rect slot{{left + image.width, content.minY()}, {title.width, content.height()}};
        titleLabel_->setFrame(centredIn(slot, titleEdgeInsets_, title));
    }
}

Size Button::intrinsicContentSize() const {
    const Size image = imageSize();
    const Size title = titleSize();
    return Size{
        image.width + title.width + contentEdgeInsets_.left + contentEdgeInsets_.right,
        std::max(image.height, title.height) + contentEdgeInsets_.top + contentEdgeInsets_.bottom};
}

Size Button::sizeThatFits(Size) const {
    return intrinsicContentSize();
}

void Button::draw(GraphicsContext& context, const Rect&) {
    if (auto background = currentBackgroundImage()) {
        context.drawImage(*background, bounds());
    }
}

std::string Button::accessibilityLabel() const {
    if (hasAccessibilityLabel()) {
        return View::accessibilityLabel();
    }
    return currentTitle().value_or(std::string());
}

}  // namespace quorvel::platform
