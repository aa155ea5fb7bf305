#pragma once

#include <optional>

namespace quorvel::platform {

// Plain geometry values in points (or pixels, where a caller says so). The coordinate system is
// the one of the phone platform's user-interface drawing: origin at the top left, x to the right,
// y downwards.

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

// The margins of a rectangle, as the phone platform orders them: top, left, bottom, right.
struct EdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

// A rectangle given by its origin and size. The size may be negative; the min/max accessors and
// width()/height() then read the rectangle as if it were standardized (positive size), which is
// how the phone platform's geometry functions behave.
struct Rect {
    Point origin;
    Size size;

    static Rect make(double x, double y, double width, double height) {
        return Rect{{x, y}, {width, height}};
    }

    double minX() const;
    double midX() const;
    double maxX() const;
    double minY() const;
    double midY() const;
    double maxY() const;
    double width() const;
    double height() const;
    Point center() const { return {midX(), midY()}; }

    // True when the width or the height is zero (or not a number).
    bool isEmpty() const;
    // The same rectangle with a non-negative size.
    Rect standardized() const;
    // Half-open containment: the min edges belong to the rectangle, the max edges do not.
    bool contains(Point point) const;
    bool intersects(const Rect& other) const;
    // The common part of the two rectangles; nullopt when they do not overlap.
    std::optional<Rect> intersection(const Rect& other) const;
    Rect offsetBy(double dx, double dy) const;
    // Shrinks (positive values) or grows (negative values) the standardized rectangle on each
    // side; the size never goes below zero.
    Rect insetBy(double dx, double dy) const;
    Rect inset(const EdgeInsets& insets) const;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// An affine transform with the phone platform's conventions:
//   x' = a·x + c·y + tx
//   y' = b·x + d·y + ty
// `t1.concatenating(t2)` applies t1 first and then t2. With y pointing down, a positive rotation
// angle turns clockwise on screen, as on the phone platform.
struct AffineTransform {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double tx = 0;
    double ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double tx, double ty);
    static AffineTransform scale(double sx, double sy);
    static AffineTransform rotation(double radians);

    bool isIdentity() const { return *this == identity(); }
    // This transform followed by `next`.
    AffineTransform concatenating(const AffineTransform& next) const;
    // A translation (scale, rotation) applied before this transform.
    AffineTransform translatedBy(double dx, double dy) const;
    AffineTransform scaledBy(double sx, double sy) const;
    AffineTransform rotatedBy(double radians) const;
    // nullopt when the transform is singular (or not finite).
    std::optional<AffineTransform> inverted() const;

    Point apply(Point point) const;
    // Sizes are vectors: the translation does not apply.
    Size apply(Size size) const;
    // The smallest axis-aligned rectangle holding the transformed corners.
    Rect apply(const Rect& rect) const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace quorvel::platform
