#pragma once

#include <QTransform>
#include <vector>

#include "Platform/UI/GraphicsContext.h"

class QPainter;

namespace quorvel::platform {

// GraphicsContext over a QPainter: what View::draw draws on while the painter paints the view.
// Part of the Qt backend. Coordinates start as the painter's at construction; the colours, line
// width and alpha are part of the saved state. Rendering a view or layer that is already being
// rendered through a context (a loupe that shows the area it sits in) draws nothing the second
// time, so rendering never recurses without end.
class PainterGraphicsContext : public GraphicsContext {
public:
    explicit PainterGraphicsContext(QPainter& painter);
    ~PainterGraphicsContext() override;
    PainterGraphicsContext(const PainterGraphicsContext&) = delete;
    PainterGraphicsContext& operator=(const PainterGraphicsContext&) = delete;

    void saveState() override;
    void restoreState() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void rotate(double radians) override;
    void concatenate(const AffineTransform& transform) override;
    AffineTransform currentTransform() const override;

    void setFillColor(const Color& color) override;
    void setStrokeColor(const Color& color) override;
    void setLineWidth(double width) override;
    void setAlpha(double alpha) override;

    void clip(const Rect& rect) override;
    void clip(const BezierPath& path) override;

    void fillRect(const Rect& rect) override;
    void strokeRect(const Rect& rect) override;
    void fill(const BezierPath& path) override;
    void stroke(const BezierPath& path) override;
    void drawImage(const Image& image, const Rect& rect) override;
    void drawText(const std::string& text, const Rect& rect, const Font& font,
                  const Color& color) override;

    void render(const Layer& layer) override;
    void render(const View& view) override;

private:
    struct State {
        Color fill = Color::black();
        Color stroke = Color::black();
        double lineWidth = 1;
        double alpha = 1;
    };

    QPainter& painter_;
    QTransform base_;
    double baseOpacity_;
    int saveDepth_ = 0;
    State state_;
    std::vector<State> saved_;
};

}  // namespace quorvel::platform
