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

// A view that shows a line (or lines) of text. Main thread only.
class Label : public View {
public:
    // The font a label uses while none is set: the system font at 17 points, as on the phone
    // platform.
    static constexpr double defaultFontSize = 17;

    static std::shared_ptr<Label> make(const Rect& frame = {});

    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }

    // nullopt (the default) means defaultFont().
    const std::optional<Font>& font() const { return font_; }
    void setFont(std::optional<Font> font) { font_ = std::move(font); }
    static Font defaultFont() { return Font::systemFont(defaultFontSize); }

    // Opaque black until set.
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color) { textColor_ = color; }

    bool adjustsFontSizeToFitWidth() const { return adjustsFontSizeToFitWidth_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts) { adjustsFontSizeToFitWidth_ = adjusts; }
    // The smallest fraction of the font size that shrinking to fit may use; 0 until set.
    double minimumScaleFactor() const { return minimumScaleFactor_; }
    void setMinimumScaleFactor(double factor) { minimumScaleFactor_ = factor; }

    TextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(TextAlignment alignment) { textAlignment_ = alignment; }
    // 0 means as many lines as the text needs; 1 until set.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines) { numberOfLines_ = lines; }

protected:
    explicit Label(const Rect& frame) : View(frame) {}

private:
    std::string text_;
    std::optional<Font> font_;
    Color textColor_ = Color::black();
    bool adjustsFontSizeToFitWidth_ = false;
    double minimumScaleFactor_ = 0;
    TextAlignment textAlignment_ = TextAlignment::natural;
    int numberOfLines_ = 1;
};

}  // namespace quorvel::platform
