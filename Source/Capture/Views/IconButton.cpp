#include "Source/Capture/Views/IconButton.h"

#include "Platform/UI/NibRegistry.h"
#include "Source/Capture/Views/IconButtonNib.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/FontManager.h"
#include "Source/Configuration/LocalizedText.h"

namespace quorvel {

IconButton::IconButton(const platform::Rect& frame) : Button(frame) {}

std::shared_ptr<IconButton> IconButton::make(const platform::Rect& frame) {
    auto button = std::shared_ptr<IconButton>(new IconButton(frame));
    button->sharedInit();
    return button;
}

void IconButton::sharedInit() {
    IconButtonNib::registerNib();
    auto content = platform::NibRegistry::instantiate(
        nibName, std::static_pointer_cast<IconButton>(shared_from_this()));
    if (!content || !iconView() || !textLabel() || !labelHeight()) {
        fatalError("The IconButton nib did not connect the button's views");
    }
    // The content takes no touches of its own: they reach the button, which tracks them.
    content->setUserInteractionEnabled(false);
    content->setTranslatesAutoresizingMaskIntoConstraints(false);
    addSubview(content);
    using platform::LayoutAttribute;
    using platform::LayoutConstraint;
    using platform::LayoutRelation;
    const auto self = shared_from_this();
    LayoutConstraint::activate({
        LayoutConstraint::make(content, LayoutAttribute::top, LayoutRelation::equal, self,
                               LayoutAttribute::top),
        LayoutConstraint::make(content, LayoutAttribute::leading, LayoutRelation::equal, self,
                               LayoutAttribute::leading),
        LayoutConstraint::make(content, LayoutAttribute::bottom, LayoutRelation::equal, self,
                               LayoutAttribute::bottom),
        LayoutConstraint::make(content, LayoutAttribute::trailing, LayoutRelation::equal, self,
                               LayoutAttribute::trailing),
    });
    setIsAccessibilityElement(true);
    setAccessibilityTraits(platform::AccessibilityTraits::button);
}

void IconButton::layoutSubviews() {
    // The content fills the button (the four edge constraints).
    if (auto content = contentView()) content->setFrame(bounds());
}

void IconButton::update(std::shared_ptr<platform::Image> image, std::optional<std::string> text,
                        std::weak_ptr<IconButtonDelegate> delegate, const CaptureTheme* theme) {
    iconView()->setImage(std::move(image));
    textLabel()->setText(text ? LocalizedText::uppercased(*text) : std::string());
    delegate_ = std::move(delegate);
    setAccessibilityLabel(text);
    if (theme) apply(*theme);
}

void IconButton::apply(const CaptureTheme& theme) {
    contentView()->setBackgroundColor(theme.resolvedColor(&CaptureTheme::captureBackgroundColor));
    textLabel()->setTextColor(theme.resolvedColor(&CaptureTheme::captureIconButtonTextColor));
    // A theme decoded without fonts still gets the default caption style.
    const auto fonts = theme.fonts() ? theme.fonts() : FontManager::makeDefault();
    applyForLabel(fonts->captionOne());
}

std::pair<double, double> IconButton::captionRange() const {
    const double iconHeight = iconView()->frame().size.height;
    return {Constants::smallestCaptionRatio * iconHeight,
            Constants::largestCaptionRatio * iconHeight};
}

double IconButton::getScaledFontSize() const {
    const auto label = textLabel();
    const double natural = label->intrinsicContentSize().width;
    double ratio = natural > 0 ? label->frame().size.width / natural : 1.0;
    if (ratio <= Constants::smallestSqueeze) ratio = Constants::smallestSqueeze;
    const auto [lower, upper] = captionRange();
    return FontManager::getScaledSize(label->effectiveFont(), ratio, lower, upper);
}

void IconButton::applyForLabel(const platform::Font& font) {
    // The range follows the icon's laid-out height.
    layoutIfNeeded();
    const auto [lower, upper] = captionRange();
    const double size = font.pointSize();
    const platform::Font chosen =
        (size >= lower && size <= upper) ? font : font.withSize(std::clamp(size, lower, upper));
    textLabel()->setFont(chosen);
    labelHeight()->setConstant(chosen.pointSize() + Constants::verticalBreathingRoom);
    setNeedsLayout();
    layoutIfNeeded();
}

void IconButton::buttonPressedDown() {
    contentView()->setAlpha(0.5);
}

void IconButton::buttonReleased() {
    contentView()->setAlpha(1.0);
}

void IconButton::buttonPressed() {
    if (auto receiver = delegate_.lock()) receiver->iconButtonPressed(*this);
}

}  // namespace quorvel
