#include "Source/Capture/Views/IconButtonNib.h"

#include <algorithm>

#include "Platform/UI/NibRegistry.h"
#include "Source/Capture/Views/IconButton.h"
#include "Source/Configuration/FatalError.h"

namespace quorvel {

using platform::LayoutAttribute;
using platform::LayoutConstraint;

void IconButtonNib::registerNib() {
    if (!platform::NibRegistry::hasViewBuilder(IconButton::nibName)) {
        platform::NibRegistry::registerViewBuilder(IconButton::nibName, &IconButtonNib::build);
    }
}

std::shared_ptr<platform::View> IconButtonNib::build(std::shared_ptr<void> owner) {
    auto button = std::static_pointer_cast<IconButton>(owner);
    if (!button) fatalError("The IconButton nib needs an IconButton as its owner");

    auto content = platform::View::make();
    auto icon = platform::ImageView::make();
    icon->setContentMode(platform::ContentMode::scaleAspectFit);
    auto caption = platform::Label::make();
    caption->setTextAlignment(platform::TextAlignment::center);
    caption->setNumberOfLines(1);
    caption->setAdjustsFontSizeToFitWidth(true);
    caption->setMinimumScaleFactor(0.5);
    caption->setLineBreakMode(platform::LineBreakMode::byTruncatingTail);
    content->addSubview(icon);
    content->addSubview(caption);

    LayoutConstraint::activate({
        LayoutConstraint::make(icon, LayoutAttribute::width, iconSize),
        LayoutConstraint::make(icon, LayoutAttribute::height, iconSize),
    });
    // The caption at the caption style's default size until a theme is applied.
    auto captionHeight = LayoutConstraint::make(caption, LayoutAttribute::height,
                                                15 + IconButton::Constants::verticalBreathingRoom);
    captionHeight->setIdentifier("labelHeight");
    captionHeight->activate();
    content->setLayoutHandler(&IconButtonNib::layout);

    button->contentView_ = content;
    button->iconView_ = icon;
    button->textLabel_ = caption;
    button->labelHeight_ = captionHeight;

    const std::weak_ptr<IconButton> weak = button;
    using platform::ControlEvent;
    button->addAction(ControlEvent::touchDown, [weak](platform::Control&, const platform::Event*) {
        if (auto owner = weak.lock()) owner->buttonPressedDown();
    });
    button->addAction(
        ControlEvent::touchUpInside | ControlEvent::touchUpOutside | ControlEvent::touchCancel,
        [weak](platform::Control&, const platform::Event*) {
            if (auto owner = weak.lock()) owner->buttonReleased();
        });
    button->addAction(ControlEvent::touchUpInside,
                      [weak](platform::Control&, const platform::Event*) {
                          if (auto owner = weak.lock()) owner->buttonPressed();
                      });
    return content;
}

void IconButtonNib::layout(platform::View& content) {
    if (content.subviews().size() < 2) return;
    const auto& icon = content.subviews()[0];
    const auto& caption = content.subviews()[1];
    const platform::Rect bounds = content.bounds();
    const double iconWidth = icon->fixedConstant(LayoutAttribute::width).value_or(iconSize);
    const double iconHeight = icon->fixedConstant(LayoutAttribute::height).value_or(iconSize);
    const double captionHeight = caption->fixedConstant(LayoutAttribute::height).value_or(0);
    const double group = iconHeight + spacing + captionHeight;
    const double top = std::max(0.0, (bounds.size.height - group) / 2);
    icon->setFrame({{(bounds.size.width - iconWidth) / 2, top}, {iconWidth, iconHeight}});
    caption->setFrame({{0, top + iconHeight + spacing}, {bounds.size.width, captionHeight}});
}

}  // namespace quorvel
