#include "Platform/UI/Label.h"

#include <algorithm>
#include <cmath>

#include "Platform/UI/Qt/TextLayout.h"

namespace quorvel::platform {

Label::Label(const Rect& frame) : View(frame) {
    setUserInteractionEnabled(false);
    setIsAccessibilityElement(true);
    setAccessibilityTraits(AccessibilityTraits::staticText);
}

std::shared_ptr<Label> Label::make(const Rect& frame) {
    return std::shared_ptr<Label>(new Label(frame));
}

void Label::contentDidChange() {
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

void Label::setText(std::string text) {
    if (text_ == text) {
        return;
    }
    text_ = std::move(text);
    contentDidChange();
}

void Label::setFont(std::optional<Font> font) {
    font_ = std::move(font);
    contentDidChange();
}

void Label::setTextColor(const Color& color) {
    textColor_ = color;
    setNeedsDisplay();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
    adjustsFontSizeToFitWidth_ = adjusts;
    setNeedsDisplay();
}

void Label::setMinimumScaleFactor(double factor) {
    minimumScaleFactor_ = factor;
    setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
    textAlignment_ = alignment;
    setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
    numberOfLines_ = std::max(0, lines);
    contentDidChange();
}

void Label::setLineBreakMode(LineBreakMode mode) {
    lineBreakMode_ = mode;
    setNeedsDisplay();
}

void Label::setPreferredMaxLayoutWidth(double width) {
    preferredMaxLayoutWidth_ = width;
    contentDidChange();
}

Font Label::drawingFont() const {
    const Font font = effectiveFont();
    if (!adjustsFontSizeToFitWidth_ || text_.empty() || bounds().width() <= 0) {
        return font;
    }
    const double natural = TextLayout::measure(text_, font, 0, 1).width;
    if (natural <= bounds().width()) {
        return font;
    }
    const double factor = std::max(minimumScaleFactor_, bounds().width() / natural);
    const double size = std::max(1.0, std::floor(font.pointSize() * factor * 2) / 2);
    return font.withSize(std::min(font.pointSize(), size));
}

Size Label::intrinsicContentSize() const {
    if (text_.empty()) {
        return Size{0, 0};
    }
    const double maxWidth = numberOfLines_ == 1 ? 0 : preferredMaxLayoutWidth_;
    return TextLayout::measure(text_, effectiveFont(), maxWidth, numberOfLines_);
}

Size Label::sizeThatFits(Size size) const {
    if (text_.empty()) {
        return Size{0, 0};
    }
    return TextLayout::measure(text_, effectiveFont(), size.width > 0 ? size.width : 0,
                               numberOfLines_);
}

std::string Label::accessibilityLabel() const {
    return hasAccessibilityLabel() ? View::accessibilityLabel() : text_;
}

}  // namespace quorvel::platform
