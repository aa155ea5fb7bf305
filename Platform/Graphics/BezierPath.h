#pragma once

#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// A path of straight segments: the outlines the screens draw. Arcs and rounded corners are
// flattened into short segments when added (a full turn becomes 128 segments), so every path is a
// list of move, line and close elements that can be interpolated point by point. A value type.
class BezierPath {
public:
    enum class ElementType { moveTo, lineTo, closePath };
    struct Element {
        ElementType type;
        Point point;  // Unused for closePath.
        friend bool operator==(const Element&, const Element&) = default;
    };

    BezierPath() = default;

    // A closed rectangle: top left, top right, bottom right, bottom left.
    static BezierPath rect(const Rect& rect);
    // A closed rectangle with circular corners of `cornerRadius` (limited to half the shorter
    // side), starting at the end of the top-left corner and going clockwise.
    static BezierPath roundedRect(const Rect& rect, double cornerRadius);
    // An open arc; see addArc.
    static BezierPath arc(Point center, double radius, double startAngle, double endAngle,
                          bool clockwise);

    void moveTo(Point point) { elements_.push_back({ElementType::moveTo, point}); }
    void addLineTo(Point point) { elements_.push_back({ElementType::lineTo, point}); }
    void close() { elements_.push_back({ElementType::closePath, {}}); }

    // Adds an arc of a circle. Angles are in radians from the positive x axis; with y pointing
    // down, `clockwise` means increasing angles, as on the phone platform. A clockwise arc whose
    // end angle is below its start goes on past 2π (and likewise counter-clockwise), so start
    // −π/2 and end 3π/2 make one full turn. The arc begins with a line from the current point to
    // its start, or with a move when the path is empty.
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);

    // Adds the elements of `other` after this path's.
    void append(const BezierPath& other);

    // The path with every point mapped by `transform`.
    BezierPath applying(const AffineTransform& transform) const;

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // The last point added, nullopt for an empty path.
    std::optional<Point> currentPoint() const;
    // The smallest rectangle holding every point of the path; a zero rectangle for an empty path.
    Rect bounds() const;

    // The fill rule used when the path is filled as a whole: even-odd when true, else non-zero
    // winding (the default).
    bool usesEvenOddFillRule() const { return usesEvenOddFillRule_; }
    void setUsesEvenOddFillRule(bool evenOdd) { usesEvenOddFillRule_ = evenOdd; }

    friend bool operator==(const BezierPath&, const BezierPath&) = default;

private:
    std::vector<Element> elements_;
    bool usesEvenOddFillRule_ = false;
};

}  // namespace quorvel::platform
