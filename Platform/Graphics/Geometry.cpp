#include "Platform/Graphics/Geometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvel::platform {

double Rect::minX() const {
    return std::min(origin.x, origin.x + size.width);
}
double Rect::midX() const {
    return origin.x + size.width / 2;
}
double Rect::maxX() const {
    return std::max(origin.x, origin.x + size.width);
}
double Rect::minY() const {
    return std::min(origin.y, origin.y + size.height);
}
double Rect::midY() const {
    return origin.y + size.height / 2;
}
double Rect::maxY() const {
    return std::max(origin.y, origin.y + size.height);
}
double Rect::width() const {
    return std::abs(size.width);
}
double Rect::height() const {
    return std::abs(size.height);
}

bool Rect::isEmpty() const {
    return !(width() > 0) || !(height() > 0);
}

Rect Rect::standardized() const {
    return Rect::make(minX(), minY(), width(), height());
}

bool Rect::contains(Point point) const {
    return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
}

bool Rect::intersects(const Rect& other) const {
    return intersection(other).has_value();
}

std::optional<Rect> Rect::intersection(const Rect& other) const {
    const double left = std::max(minX(), other.minX());
    const double top = std::max(minY(), other.minY());
    const double right = std::min(maxX(), other.maxX());
    const double bottom = std::min(maxY(), other.maxY());
    if (!(right > left) || !(bottom > top)) {
        return std::nullopt;
    }
    return Rect::make(left, top, right - left, bottom - top);
}

Rect Rect::offsetBy(double dx, double dy) const {
    return Rect{{origin.x + dx, origin.y + dy}, size};
}

Rect Rect::insetBy(double dx, double dy) const {
    return inset(EdgeInsets{dy, dx, dy, dx});
}

Rect Rect::inset(const EdgeInsets& insets) const {
    const Rect s = standardized();
    const double width = std::max(0.0, s.size.width - insets.left - insets.right);
    const double height = std::max(0.0, s.size.height - insets.top - insets.bottom);
    return Rect::make(s.origin.x + insets.left, s.origin.y + insets.top, width, height);
}

AffineTransform AffineTransform::translation(double tx, double ty) {
    return AffineTransform{1, 0, 0, 1, tx, ty};
}

AffineTransform AffineTransform::scale(double sx, double sy) {
    return AffineTransform{sx, 0, 0, sy, 0, 0};
}

AffineTransform AffineTransform::rotation(double radians) {
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    return AffineTransform{cosine, sine, -sine, cosine, 0, 0};
}

AffineTransform AffineTransform::concatenating(const AffineTransform& next) const {
    const AffineTransform& m = next;
    return AffineTransform{
        a * m.a + b * m.c, a * m.b + b * m.d,          c * m.a + d * m.c,
        c * m.b + d * m.d, tx * m.a + ty * m.c + m.tx, tx * m.b + ty * m.d + m.ty,
    };
}

AffineTransform AffineTransform::translatedBy(double dx, double dy) const {
    return translation(dx, dy).concatenating(*this);
}

AffineTransform AffineTransform::scaledBy(double sx, double sy) const {
    return scale(sx, sy).concatenating(*this);
}

AffineTransform AffineTransform::rotatedBy(double radians) const {
    return rotation(radians).concatenating(*this);
}

std::optional<AffineTransform> AffineTransform::inverted() const {
    const double determinant = a * d - b * c;
    if (determinant == 0 || !std::isfinite(determinant)) {
        return std::nullopt;
    }
    const double ia = d / determinant;
    const double ib = -b / determinant;
    const double ic = -c / determinant;
    const double id = a / determinant;
    return AffineTransform{ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

Point AffineTransform::apply(Point point) const {
    return {a * point.x + c * point.y + tx, b * point.x + d * point.y + ty};
}

Size AffineTransform::apply(Size size) const {
    return {a * size.width + c * size.height, b * size.width + d * size.height};
}

Rect AffineTransform::apply(const Rect& rect) const {
    const std::array<Point, 4> corners{
        apply(Point{rect.minX(), rect.minY()}), apply(Point{rect.maxX(), rect.minY()}),
        apply(Point{rect.maxX(), rect.maxY()}), apply(Point{rect.minX(), rect.maxY()})};
    double left = corners[0].x;
    double right = corners[0].x;
    double top = corners[0].y;
    double bottom = corners[0].y;
    for (const Point& p : corners) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    return Rect::make(left, top, right - left, bottom - top);
}

}  // namespace quorvel::platform
