#include "Platform/Imaging/PixelRect.h"

#include <algorithm>
#include <cmath>

namespace quorvel::platform {

namespace {

constexpr double limit = 1099511627776.0;  // 2^40
constexpr double tolerance = 1e-6;

std::int64_t held(double value) {
    return static_cast<std::int64_t>(std::clamp(value, -limit, limit));
}

}  // namespace

std::optional<PixelRect> PixelRect::enclosing(const Rect& rect) {
    if (std::isnan(rect.origin.x) || std::isnan(rect.origin.y) || std::isnan(rect.size.width) ||
        std::isnan(rect.size.height)) {
        return std::nullopt;
    }
    const double x0 = rect.origin.x;
    const double x1 = rect.origin.x + rect.size.width;
    const double y0 = rect.origin.y;
    const double y1 = rect.origin.y + rect.size.height;
    if (std::isnan(x1) || std::isnan(y1)) {  // −∞ + ∞
        return std::nullopt;
    }
    const double minX = std::min(x0, x1);
    const double maxX = std::max(x0, x1);
    const double minY = std::min(y0, y1);
    const double maxY = std::max(y0, y1);
    return PixelRect{held(std::floor(minX + tolerance)), held(std::floor(minY + tolerance)),
                     held(std::ceil(maxX - tolerance)), held(std::ceil(maxY - tolerance))};
}

PixelRect PixelRect::intersection(const PixelRect& other) const {
    PixelRect result{std::max(minX, other.minX), std::max(minY, other.minY),
                     std::min(maxX, other.maxX), std::min(maxY, other.maxY)};
    if (result.isEmpty()) {
        return PixelRect{};
    }
    return result;
}

}  // namespace quorvel::platform
