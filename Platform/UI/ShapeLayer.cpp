#include "Platform/UI/ShapeLayer.h"

namespace quorvel::platform {

std::shared_ptr<ShapeLayer> ShapeLayer::make() {
    return std::shared_ptr<ShapeLayer>(new ShapeLayer());
}

void ShapeLayer::setPath(std::optional<BezierPath> path) {
    changeAnimatable("path", [&] { path_ = std::move(path); });
}

void ShapeLayer::setFillColor(std::optional<Color> color) {
    fillColor_ = color;
    didChange();
}

void ShapeLayer::setStrokeColor(std::optional<Color> color) {
    strokeColor_ = color;
    didChange();
}

void ShapeLayer::setLineWidth(double width) {
    lineWidth_ = width;
    didChange();
}

void ShapeLayer::setStrokeStart(double start) {
    strokeStart_ = start;
    didChange();
}

void ShapeLayer::setStrokeEnd(double end) {
    changeAnimatable("strokeEnd", [&] { strokeEnd_ = end; });
}

void ShapeLayer::setFillRule(FillRule rule) {
    fillRule_ = rule;
    didChange();
}

void ShapeLayer::setLineJoin(LineJoin join) {
    lineJoin_ = join;
    didChange();
}

void ShapeLayer::setLineCap(LineCap cap) {
    lineCap_ = cap;
    didChange();
}

std::optional<AnimationValue> ShapeLayer::modelValue(const std::string& keyPath) const {
    if (keyPath == "path") {
        if (path_) {
            return AnimationValue{*path_};
        }
        return std::nullopt;
    }
    if (keyPath == "strokeEnd") {
        return AnimationValue{strokeEnd_};
    }
    return Layer::modelValue(keyPath);
}

std::optional<BezierPath> ShapeLayer::presentationPath() const {
    auto value = presentationValue("path");
    if (value) {
        if (auto* path = std::get_if<BezierPath>(&*value)) {
            return std::move(*path);
        }
    }
    return std::nullopt;
}

double ShapeLayer::presentationStrokeEnd() const {
    auto value = presentationValue("strokeEnd");
    if (value) {
        if (const auto* number = std::get_if<double>(&*value)) {
            return *number;
        }
    }
    return strokeEnd_;
}

}  // namespace quorvel::platform
