#include "Source/Configuration/ButtonStyling.h"

#include "Source/Configuration/ImageLookup.h"

namespace quorvel {

void ButtonStyling::apply(platform::Button& button, const ButtonTheme& theme) {
    using platform::ControlState;
    button.setClipsToBounds(true);
    button.setBackgroundImage(ImageLookup::imageWithColor(theme.backgroundColor, {1, 1}),
                              ControlState::normal);
    button.setTitleColor(theme.titleColor, ControlState::normal);
    button.layer()->setCornerRadius(theme.cornerRadius);
    const auto& titleLabel = button.titleLabel();
    if (titleLabel) titleLabel->setFont(theme.font);
    button.setContentEdgeInsets({0, 8, 0, 8});
    if (const auto& imageView = button.imageView()) {
        imageView->setContentMode(platform::ContentMode::scaleAspectFit);
    }
    if (titleLabel) {
        titleLabel->setAdjustsFontSizeToFitWidth(true);
        titleLabel->setMinimumScaleFactor(0.3);
    }
}

}  // namespace quorvel
