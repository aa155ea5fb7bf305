#pragma once

#include <vector>

#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// A path of straight segments: the outlines the screens draw.
class BezierPath {
public:
    enum class ElementType { moveTo, lineTo, closePath };
    struct Element {
        ElementType type;
        Point point;  // Unused for closePath.
        friend bool operator==(const Element&, const Element&) = default;
    };

    void moveTo(Point point) { elements_.push_back({ElementType::moveTo, point}); }
    void addLineTo(Point point) { elements_.push_back({ElementType::lineTo, point}); }
    void close() { elements_.push_back({ElementType::closePath, {}}); }

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }

private:
    std::vector<Element> elements_;
};

}  // namespace quorvel::platform
