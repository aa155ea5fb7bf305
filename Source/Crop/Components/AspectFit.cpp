#include "Source/Crop/Components/AspectFit.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

platform::Rect makeRectWithAspectRatioInsideRect(platform::Size aspectRatio,
                                                 const platform::Rect& boundingRect) {
    const auto bounds = boundingRect.standardized();
    const double aw = std::abs(aspectRatio.width);
    const double ah = std::abs(aspectRatio.height);
    if (!(aw > 0) || !(ah > 0) || !std::isfinite(aw) || !std::isfinite(ah)) {
        return platform::Rect{bounds.center(), {0, 0}};
    }
    const double scale = std::min(bounds.width() / aw, bounds.height() / ah);
    const double w = aw * scale;
    const double h = ah * scale;
    return platform::Rect::make(bounds.minX() + (bounds.width() - w) * 0.5,
                                bounds.minY() + (bounds.height() - h) * 0.5, w, h);
}

}  // namespace quorvel
