#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

class Layer;
class View;

// The drawing surface handed to View::draw, standing in for the phone platform's graphics
// context. Coordinates are points in the current transform (at the start of View::draw: the
// view's bounds coordinates). The painter implements it (over QPainter); the model only declares
// it. Graphics state (transform, colours, line width, clip) is saved and restored as a stack.
//
// Like the platform's context it also holds a current path, built with moveTo/addLineTo/
// closePath and read back with path(), which fillPath()/strokePath() without arguments use and
// then clear.
//
// While a view draws, GraphicsContext::current() is its context; elsewhere it is null.
class GraphicsContext {
public:
    virtual ~GraphicsContext() = default;

    static GraphicsContext* current();
    // Makes `context` current for its lifetime (nested scopes restore the outer one).
    class Scope {
    public:
        explicit Scope(GraphicsContext* context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        GraphicsContext* previous_;
    };

    virtual void saveState() = 0;
    virtual void restoreState() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double sx, double sy) = 0;
    virtual void rotate(double radians) = 0;
    virtual void concatenate(const AffineTransform& transform) = 0;
    virtual AffineTransform currentTransform() const = 0;

    virtual void setFillColor(const Color& color) = 0;
    virtual void setStrokeColor(const Color& color) = 0;
    virtual void setLineWidth(double width) = 0;
    virtual void setAlpha(double alpha) = 0;

    // Intersects the clip with a rectangle or a path.
    virtual void clip(const Rect& rect) = 0;
    virtual void clip(const BezierPath& path) = 0;

    virtual void fillRect(const Rect& rect) = 0;
    virtual void strokeRect(const Rect& rect) = 0;
    // With the path's own fill rule.
    virtual void fill(const BezierPath& path) = 0;
    virtual void stroke(const BezierPath& path) = 0;
    // The image scaled into `rect` (no aspect handling).
    virtual void drawImage(const Image& image, const Rect& rect) = 0;
    // Text in `font` and `color`, laid out by TextLayout within `rect`.
    virtual void drawText(const std::string& text, const Rect& rect, const Font& font,
                          const Color& color) = 0;

    // Draws a layer tree as the window would, in the current coordinates with the layer's
    // bounds origin at (0, 0): for a view's layer, the view with its content, sublayers and
    // subviews (presentation values at the current Clock time).
    virtual void render(const Layer& layer) = 0;
    virtual void render(const View& view) = 0;

    // The current path.
    void beginPath() { path_ = BezierPath(); }
    void moveTo(Point point) { path_.moveTo(point); }
    void addLineTo(Point point) { path_.addLineTo(point); }
    void closePath() { path_.close(); }
    const BezierPath& path() const { return path_; }
    // Fill or stroke the current path, then clear it.
    void fillPath() {
        fill(path_);
        beginPath();
    }
    void strokePath() {
        stroke(path_);
        beginPath();
    }

private:
    BezierPath path_;
};

}  // namespace quorvel::platform
