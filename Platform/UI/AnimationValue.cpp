#include "Platform/UI/AnimationValue.h"

#include <algorithm>
#include <cmath>

namespace quorvel::platform {

namespace {

struct CubicCurve {
    double x1, y1, x2, y2;
};

double bezier(double a, double b, double t) {
    // B(t) for control values 0, a, b, 1.
    const double u = 1 - t;
    return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
}

double bezierSlope(double a, double b, double t) {
    const double u = 1 - t;
    return 3 * u * u * a + 6 * u * t * (b - a) + 3 * t * t * (1 - b);
}

double solve(const CubicCurve& curve, double x) {
    // Newton's method on x(t) = x, falling back to bisection.
    double t = x;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(curve.x1, curve.x2, t) - x;
        if (std::abs(error) < 1e-7) {
            return bezier(curve.y1, curve.y2, t);
        }
        const double slope = bezierSlope(curve.x1, curve.x2, t);
        if (std::abs(slope) < 1e-6) {
            break;
        }
        t -= error / slope;
    }
    double lo = 0, hi = 1;
    t = x;
    for (int i = 0; i < 60; ++i) {
        const double value = bezier(curve.x1, curve.x2, t);
        if (std::abs(value - x) < 1e-9) {
            break;
        }
        if (value < x) {
            lo = t;
        } else {
            hi = t;
        }
        t = (lo + hi) / 2;
    }
    return bezier(curve.y1, curve.y2, t);
}

}  // namespace

double applyTimingFunction(TimingFunction function, double t) {
    t = std::clamp(t, 0.0, 1.0);
    switch (function) {
        case TimingFunction::linear:
            return t;
        case TimingFunction::easeIn:
            return solve({0.42, 0, 1, 1}, t);
        case TimingFunction::easeOut:
            return solve({0, 0, 0.58, 1}, t);
        case TimingFunction::easeInEaseOut:
            return solve({0.42, 0, 0.58, 1}, t);
        case TimingFunction::defaultCurve:
            return solve({0.25, 0.1, 0.25, 1}, t);
    }
    return t;
}

AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double progress) {
    if (const auto* a = std::get_if<double>(&from)) {
        if (const auto* b = std::get_if<double>(&to)) {
            return *a + (*b - *a) * progress;
        }
        return to;
    }
    const auto* a = std::get_if<BezierPath>(&from);
    const auto* b = std::get_if<BezierPath>(&to);
    if (!a || !b || a->elements().size() != b->elements().size()) {
        return to;
    }
    BezierPath result;
    result.setUsesEvenOddFillRule(b->usesEvenOddFillRule());
    for (std::size_t i = 0; i < a->elements().size(); ++i) {
        const auto& ea = a->elements()[i];
        const auto& eb = b->elements()[i];
        if (ea.type != eb.type) {
            return to;
        }
        const Point p{ea.point.x + (eb.point.x - ea.point.x) * progress,
                      ea.point.y + (eb.point.y - ea.point.y) * progress};
        switch (eb.type) {
            case BezierPath::ElementType::moveTo:
                result.moveTo(p);
                break;
            case BezierPath::ElementType::lineTo:
                result.addLineTo(p);
                break;
            case BezierPath::ElementType::closePath:
                result.close();
                break;
        }
    }
    return result;
}

}  // namespace quorvel::platform
