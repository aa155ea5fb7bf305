#include "Platform/Graphics/FontMetrics.h"

namespace quorvel::platform {

double FontMetrics::factor(ContentSizeCategory category) {
    switch (category) {
        case ContentSizeCategory::extraSmall:
            return 0.82;
        case ContentSizeCategory::small:
            return 0.88;
        case ContentSizeCategory::medium:
            return 0.94;
        case ContentSizeCategory::large:
            return 1.0;
        case ContentSizeCategory::extraLarge:
            return 1.12;
        case ContentSizeCategory::extraExtraLarge:
            return 1.24;
        case ContentSizeCategory::extraExtraExtraLarge:
            return 1.35;
        case ContentSizeCategory::accessibilityMedium:
            return 1.65;
        case ContentSizeCategory::accessibilityLarge:
            return 2.0;
        case ContentSizeCategory::accessibilityExtraLarge:
            return 2.35;
        case ContentSizeCategory::accessibilityExtraExtraLarge:
            return 2.76;
        case ContentSizeCategory::accessibilityExtraExtraExtraLarge:
            return 3.12;
    }
    return 1.0;
}

Font FontMetrics::scaledFont(const Font& font) const {
    return font.withSize(scaledValue(font.pointSize()));
}

double FontMetrics::scaledValue(double value) const {
    return value * factor(TextSizeSetting::current());
}

}  // namespace quorvel::platform
