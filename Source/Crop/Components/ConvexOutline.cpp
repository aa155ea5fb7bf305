#include "Source/Crop/Components/ConvexOutline.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

using platform::Point;

double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}

Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

// A side of the outline extended into a line, with the side of it the outline's inside lies on:
// `clearance(x)` is the signed distance of x from the line, positive inside.
struct Line {
    Point from;
    Point to;

    double clearance(Point x) const {
        const Point along = minus(to, from);
        const double length = std::hypot(along.x, along.y);
        return length > 0 ? cross(minus(x, from), along) / length : 0;
    }
    // The unit step that raises the clearance fastest.
    Point inward() const {
        const Point along = minus(to, from);
        const double length = std::hypot(along.x, along.y);
        return length > 0 ? Point{along.y / length, -along.x / length} : Point{0, 0};
    }
};

Point corner(const ConvexOutline::Corners& corners, std::size_t index, int offset) {
    return corners[(index + 4 + offset) % 4];
}

// How far corner `index` lies inside the line through its neighbours (negative: the outline is
// concave there).
double clearanceAt(const ConvexOutline::Corners& corners, std::size_t index) {
    return Line{corner(corners, index, -1), corner(corners, index, 1)}.clearance(corners[index]);
}

constexpr double tolerance = 1e-9;

}  // namespace

Point ConvexOutline::limitCornerMove(const Corners& corners, std::size_t index, Point translation,
                                     double spacing, const std::function<Point(Point)>& keepInBox) {
    const Point at = corners[index];
    const Point previous = corner(corners, index, -1);
    const Point next = corner(corners, index, 1);
    const Point opposite = corner(corners, index, 2);
    // The corner stays beyond the line through its neighbours, and within the two sides beside
    // them extended, so that they still turn the right way too.
    struct Limit {
        Line line;
        double least;
    };
    std::array<Limit, 3> limits{Limit{{previous, next}, 0}, Limit{{opposite, next}, 0},
                                Limit{{previous, opposite}, 0}};
    for (Limit& limit : limits) limit.least = std::min(spacing, limit.line.clearance(at));
    auto kept = [&](Point x) {
        return std::all_of(limits.begin(), limits.end(), [x](const Limit& limit) {
            return limit.line.clearance(x) >= limit.least - tolerance;
        });
    };

    const Point target{at.x + translation.x, at.y + translation.y};
    if (kept(target)) return translation;
    // Slide along the first line the move would cross.
    for (const Limit& limit : limits) {
        const double shortBy = limit.least - limit.line.clearance(target);
        if (shortBy <= 0) continue;
        const Point inward = limit.line.inward();
        const Point slid =
            keepInBox({target.x + shortBy * inward.x - at.x, target.y + shortBy * inward.y - at.y});
        if (kept({at.x + slid.x, at.y + slid.y})) return slid;
        break;
    }
    // Else stop where the straight move first meets a limit.
    double share = 1;
    for (const Limit& limit : limits) {
        const double now = limit.line.clearance(at);
        const double then = limit.line.clearance(target);
        if (then < limit.least && now > then) {
            share = std::min(share, std::max(0.0, (now - limit.least) / (now - then)));
        }
    }
    return {translation.x * share, translation.y * share};
}

bool ConvexOutline::keepsSideMove(const Corners& corners, std::size_t index, Point translation,
                                  double spacing) {
    Corners moved = corners;
    for (const std::size_t i : {index % 4, (index + 1) % 4}) {
        moved[i] = {moved[i].x + translation.x, moved[i].y + translation.y};
    }
    for (std::size_t i = 0; i < 4; ++i) {
        const double least = std::min(spacing, clearanceAt(corners, i));
        if (clearanceAt(moved, i) < least - tolerance) return false;
    }
    return true;
}

}  // namespace quorvel
