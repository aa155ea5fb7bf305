#include "Platform/Graphics/BezierPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvel::platform {

namespace {

constexpr double kSegmentsPerTurn = 128;

}  // namespace

BezierPath BezierPath::rect(const Rect& rect) {
    const Rect r = rect.standardized();
    BezierPath path;
    path.moveTo({r.minX(), r.minY()});
    path.addLineTo({r.maxX(), r.minY()});
    path.addLineTo({r.maxX(), r.maxY()});
    path.addLineTo({r.minX(), r.maxY()});
    path.close();
    return path;
}

BezierPath BezierPath::roundedRect(const Rect& rect, double cornerRadius) {
    const Rect r = rect.standardized();
    const double radius = std::clamp(cornerRadius, 0.0, std::min(r.width(), r.height()) / 2);
    if (radius <= 0) {
        return BezierPath::rect(r);
    }
    constexpr double pi = std::numbers::pi;
    BezierPath path;
    path.moveTo({r.minX() + radius, r.minY()});
    path.addArc({r.maxX() - radius, r.minY() + radius}, radius, -pi / 2, 0, true);
    path.addArc({r.maxX() - radius, r.maxY() - radius}, radius, 0, pi / 2, true);
    path.addArc({r.minX() + radius, r.maxY() - radius}, radius, pi / 2, pi, true);
    path.addArc({r.minX() + radius, r.minY() + radius}, radius, pi, 3 * pi / 2, true);
    path.close();
    return path;
}

BezierPath BezierPath::arc(Point center, double radius, double startAngle, double endAngle,
                           bool clockwise) {
    BezierPath path;
    path.addArc(center, radius, startAngle, endAngle, clockwise);
    return path;
}

void BezierPath::addArc(Point center, double radius, double startAngle, double endAngle,
                        bool clockwise) {
    constexpr double turn = 2 * std::numbers::pi;
    double sweep = endAngle - startAngle;
    if (clockwise) {
        while (sweep < 0) {
            sweep += turn;
        }
        sweep = std::min(sweep, turn);
    } else {
        while (sweep > 0) {
            sweep -= turn;
        }
        sweep = std::max(sweep, -turn);
    }
    const int segments =
        std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / turn * kSegmentsPerTurn)));
    const auto pointAt = [&](double angle) {
        return Point{center.x + radius * std::cos(angle), center.y + radius * std::sin(angle)};
    };
    const Point start = pointAt(startAngle);
    if (elements_.empty()) {
        moveTo(start);
    } else {
        addLineTo(start);
    }
    for (int i = 1; i <= segments; ++i) {
        addLineTo(pointAt(startAngle + sweep * i / segments));
    }
}

void BezierPath::append(const BezierPath& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
}

BezierPath BezierPath::applying(const AffineTransform& transform) const {
    BezierPath result = *this;
    for (auto& element : result.elements_) {
        if (element.type != ElementType::closePath) {
            element.point = transform.apply(element.point);
        }
    }
    return result;
}

std::optional<Point> BezierPath::currentPoint() const {
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        if (it->type != ElementType::closePath) {
            return it->point;
        }
    }
    return std::nullopt;
}

Rect BezierPath::bounds() const {
    bool any = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (const auto& element : elements_) {
        if (element.type == ElementType::closePath) {
            continue;
        }
        const Point p = element.point;
        if (!any) {
            minX = maxX = p.x;
            minY = maxY = p.y;
            any = true;
        } else {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    return Rect{{minX, minY}, {maxX - minX, maxY - minY}};
}

}  // namespace quorvel::platform
