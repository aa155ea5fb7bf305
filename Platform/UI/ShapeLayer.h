#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Color.h"
#include "Platform/UI/Layer.h"

namespace quorvel::platform {

enum class FillRule { nonZero, evenOdd };
enum class LineJoin { miter, round, bevel };
enum class LineCap { butt, round, square };

// A layer that draws a path, standing in for the phone platform's shape layer: filled with
// fillColor by fillRule, then stroked with strokeColor, lineWidth and lineJoin, the stroke drawn
// from strokeStart to strokeEnd (fractions of the path's length). The path is in the layer's own
// coordinates. "path" and "strokeEnd" are animatable (see Layer). Main thread only.
class ShapeLayer : public Layer {
public:
    static std::shared_ptr<ShapeLayer> make();

    // nullopt (the default) draws nothing.
    const std::optional<BezierPath>& path() const { return path_; }
    void setPath(std::optional<BezierPath> path);

    // Opaque black until set; nullopt fills nothing.
    const std::optional<Color>& fillColor() const { return fillColor_; }
    void setFillColor(std::optional<Color> color);
    // None until set.
    const std::optional<Color>& strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::optional<Color> color);
    // 1 until set.
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width);
    double strokeStart() const { return strokeStart_; }
    void setStrokeStart(double start);
    // 1 until set. Animatable.
    double strokeEnd() const { return strokeEnd_; }
    void setStrokeEnd(double end);
    FillRule fillRule() const { return fillRule_; }
    void setFillRule(FillRule rule);
    LineJoin lineJoin() const { return lineJoin_; }
    void setLineJoin(LineJoin join);
    LineCap lineCap() const { return lineCap_; }
    void setLineCap(LineCap cap);

    // "path" (a BezierPath; nullopt while there is none), "strokeEnd", then the base's.
    std::optional<AnimationValue> modelValue(const std::string& keyPath) const override;

    // For the painter: what is on screen now.
    std::optional<BezierPath> presentationPath() const;
    double presentationStrokeEnd() const;

protected:
    ShapeLayer() = default;

private:
    std::optional<BezierPath> path_;
    std::optional<Color> fillColor_ = Color::black();
    std::optional<Color> strokeColor_;
    double lineWidth_ = 1;
    double strokeStart_ = 0;
    double strokeEnd_ = 1;
    FillRule fillRule_ = FillRule::nonZero;
    LineJoin lineJoin_ = LineJoin::miter;
    LineCap lineCap_ = LineCap::butt;
};

}  // namespace quorvel::platform
