#pragma once

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/Graphics/Font.h"

namespace quorvel::platform {

// The phone platform's text styles.
enum class TextStyle {
    body,
    headline,
    subheadline,
    largeTitle,
    title1,
    title2,
    title3,
    footnote,
    callout,
    caption1,
    caption2,
};

// Scales fonts and lengths for the user's preferred text size (TextSizeSetting::current()), as
// the phone platform's font metrics do for a text style. The setting is read on every call, so a
// change shows at the next one.
//
// One factor table serves every text style; "large", the platform's default setting, is exactly
// 1.0:
//
//   extraSmall 0.82   small 0.88   medium 0.94   large 1.0
//   extraLarge 1.12   extraExtraLarge 1.24   extraExtraExtraLarge 1.35
//   accessibilityMedium 1.65   accessibilityLarge 2.0   accessibilityExtraLarge 2.35
//   accessibilityExtraExtraLarge 2.76   accessibilityExtraExtraExtraLarge 3.12
//
// The metrics keep their text style so that a table per style can take the single one's place
// without changing callers.
class FontMetrics {
public:
    explicit FontMetrics(TextStyle style) : style_(style) {}

    TextStyle textStyle() const { return style_; }

    // The factor for a text-size setting (the same for every style, see above).
    static double factor(ContentSizeCategory category);

    // The same face at pointSize × factor for the current setting.
    Font scaledFont(const Font& font) const;
    double scaledValue(double value) const;

private:
    TextStyle style_;
};

}  // namespace quorvel::platform
