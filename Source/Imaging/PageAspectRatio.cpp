#include "Source/Imaging/PageAspectRatio.h"

#include <array>
#include <cmath>

#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

namespace {

using Vector = std::array<double, 3>;

Vector cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vector& a, const Vector& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// A lens between an ultra-wide and a long telephoto one, in picture diagonals.
constexpr double kShortestFocalLength = 0.25;
constexpr double kLongestFocalLength = 4.0;
// A 26 mm-equivalent lens: 26 mm over the 43.3 mm diagonal of a 35 mm frame.
constexpr double kTypicalFocalLength = 0.6;
// How far the corners are nudged to see whether the implied focal length holds, in picture
// diagonals, and how much the ratio may move for it still to count.
constexpr double kCornerNudge = 0.001;
constexpr double kSteadyRatio = 0.02;

// The page's top and left sides as the camera sees them, scaled alike: with the corners m1 (top
// left), m2 (top right), m3 (bottom left), m4 (bottom right) taken as (x, y, 1) about the
// principal point, the top side runs along k2·m2 − m1 and the left side along k3·m3 − m1 once
// divided by the focal length in x and y. k2 and k3 are the depths of m2 and m3 relative to m1.
struct Sides {
    Vector top;
    Vector left;

    // The focal length squared that makes the two sides perpendicular.
    std::optional<double> focalLengthSquared() const {
        const double converging = top[2] * left[2];
        if (converging == 0) return std::nullopt;
        return -(top[0] * left[0] + top[1] * left[1]) / converging;
    }

    double ratio(double focalLengthSquared) const {
        auto length = [focalLengthSquared](const Vector& v) {
            return v[0] * v[0] + v[1] * v[1] + focalLengthSquared * v[2] * v[2];
        };
        return std::sqrt(length(top) / length(left));
    }
};

std::optional<Sides> sidesOf(const std::array<platform::Point, 4>& corners,
                             platform::Point principalPoint) {
    std::array<Vector, 4> m;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        m[i] = {corners[i].x - principalPoint.x, corners[i].y - principalPoint.y, 1.0};
    }
    const auto& [m1, m2, m3, m4] = m;
    const Vector diagonal = cross(m1, m4);
    const double k2 = dot(diagonal, m3) / dot(cross(m2, m4), m3);
    const double k3 = dot(diagonal, m2) / dot(cross(m3, m4), m2);
    // Both depths are positive for every rectangle in front of the camera.
    if (!(k2 > 0 && k3 > 0 && std::isfinite(k2) && std::isfinite(k3))) return std::nullopt;
    Sides sides;
    for (int i = 0; i < 3; ++i) {
        sides.top[i] = k2 * m2[i] - m1[i];
        sides.left[i] = k3 * m3[i] - m1[i];
    }
    return sides;
}

std::array<platform::Point, 4> cornersOf(const RectangleFeature& feature) {
    return {feature.topLeft, feature.topRight, feature.bottomLeft, feature.bottomRight};
}

bool plausible(double focalLength, double diagonal) {
    return focalLength >= kShortestFocalLength * diagonal &&
           focalLength <= kLongestFocalLength * diagonal;
}

std::optional<double> focalLengthOf(const Sides& sides) {
    const auto squared = sides.focalLengthSquared();
    if (!squared || !(*squared > 0) || !std::isfinite(*squared)) return std::nullopt;
    return std::sqrt(*squared);
}

// The ratio with the focal length the corners imply themselves.
std::optional<double> selfCalibratedRatio(const std::array<platform::Point, 4>& corners,
                                          platform::Point principalPoint) {
    const auto sides = sidesOf(corners, principalPoint);
    const auto focalLength = sides ? focalLengthOf(*sides) : std::nullopt;
    if (!focalLength) return std::nullopt;
    return sides->ratio(*focalLength * *focalLength);
}

// Whether the self-calibrated ratio stays close to `ratio` when any corner moves by `nudge`.
bool holdsUnderNudges(std::array<platform::Point, 4> corners, platform::Point principalPoint,
                      double nudge, double ratio) {
    for (auto& corner : corners) {
        for (double* coordinate : {&corner.x, &corner.y}) {
            for (const double step : {-nudge, nudge}) {
                const double kept = *coordinate;
                *coordinate += step;
                const auto nudged = selfCalibratedRatio(corners, principalPoint);
                *coordinate = kept;
                if (!nudged || !(std::fabs(*nudged / ratio - 1) <= kSteadyRatio)) return false;
            }
        }
    }
    return true;
}

}  // namespace

std::optional<double> PageAspectRatio::estimate(const RectangleFeature& feature,
                                                platform::Rect picture,
                                                std::optional<double> cameraFocalLength) {
    const auto corners = cornersOf(feature);
    const platform::Point centre = picture.center();
    const double diagonal = std::hypot(picture.width(), picture.height());
    const auto sides = sidesOf(corners, centre);
    if (!sides || !(diagonal > 0)) return std::nullopt;

    const auto implied = focalLengthOf(*sides);
    if (implied && plausible(*implied, diagonal)) {
        const double ratio = sides->ratio(*implied * *implied);
        if (holdsUnderNudges(corners, centre, kCornerNudge * diagonal, ratio)) return ratio;
    }
    const double focalLength = cameraFocalLength && plausible(*cameraFocalLength, diagonal)
                                   ? *cameraFocalLength
                                   : kTypicalFocalLength * diagonal;
    const double ratio = sides->ratio(focalLength * focalLength);
    if (!(ratio > 0) || !std::isfinite(ratio)) return std::nullopt;
    return ratio;
}

}  // namespace quorvel
