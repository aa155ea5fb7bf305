#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Font.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

// Horizontal alignment of text, with the phone platform's cases. Natural follows the writing
// direction (left for left-to-right text).
enum class TextAlignment { left, center, right, justified, natural };

// How text that does not fit is broken or cut, with the phone platform's cases in its order.
enum class LineBreakMode {
    byWordWrapping,
    byCharWrapping,
    byClipping,
    byTruncatingHead,
    byTruncatingTail,
    byTruncatingMiddle,
};

// A view that shows a line (or lines) of text, centred vertically in its bounds. Main thread
// only. Sizes are measured with TextLayout, the engine the painter draws with, so a label's
// intrinsic size is what it paints (measuring needs the GUI environment: ApplicationHost in a
// program, UITestEnvironment in tests).
//
// Takes no touches (user interaction off) and is an accessibility element with the static-text
// trait whose label is its text unless set.
class Label : public View {
public:
    // The font a label uses while none is set: the system font at 17 points, as on the phone
    // platform.
    static constexpr double defaultFontSize = 17;

    static std::shared_ptr<Label> make(const Rect& frame = {});

    const std::string& text() const { return text_; }
    void setText(std::string text);

    // nullopt (the default) means defaultFont().
    const std::optional<Font>& font() const { return font_; }
    void setFont(std::optional<Font> font);
    static Font defaultFont() { return Font::systemFont(defaultFontSize); }
    // font() or defaultFont().
    Font effectiveFont() const { return font_.value_or(defaultFont()); }

    // Opaque black until set.
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);

    bool adjustsFontSizeToFitWidth() const { return adjustsFontSizeToFitWidth_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    // The smallest fraction of the font size that shrinking to fit may use; 0 until set.
    double minimumScaleFactor() const { return minimumScaleFactor_; }
    void setMinimumScaleFactor(double factor);

    TextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(TextAlignment alignment);
    // 0 means as many lines as the text needs; 1 until set.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    // byTruncatingTail until set.
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode);
    // The width at which a multi-line label's intrinsic size breaks its lines; 0 (unlimited)
    // until set.
    double preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }
    void setPreferredMaxLayoutWidth(double width);

    // The font the painter draws with: effectiveFont(), shrunk (not below minimumScaleFactor)
    // when adjustsFontSizeToFitWidth is on and one line of text is wider than the bounds.
    Font drawingFont() const;

    // The text's size in the font; (0, 0) for empty text.
    Size intrinsicContentSize() const override;
    // The text broken at size.width (unlimited when <= 0), limited to numberOfLines.
    Size sizeThatFits(Size size) const override;
    std::string accessibilityLabel() const override;

protected:
    explicit Label(const Rect& frame);

private:
    void contentDidChange();

    std::string text_;
    std::optional<Font> font_;
    Color textColor_ = Color::black();
    bool adjustsFontSizeToFitWidth_ = false;
    double minimumScaleFactor_ = 0;
    TextAlignment textAlignment_ = TextAlignment::natural;
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::byTruncatingTail;
    double preferredMaxLayoutWidth_ = 0;
};

}  // namespace quorvel::platform
