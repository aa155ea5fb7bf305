#include "Platform/UI/Qt/PainterGraphicsContext.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <numbers>

#include "Platform/UI/Label.h"
#include "Platform/UI/Layer.h"
#include "Platform/UI/Qt/PathFiller.h"
#include "Platform/UI/Qt/QtConversions.h"
#include "Platform/UI/Qt/TextPainter.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {
namespace {

// The views and layers being rendered through a context right now, innermost last.
std::vector<const void*>& rendering() {
    static std::vector<const void*> stack;
    return stack;
}

class RenderGuard {
public:
    explicit RenderGuard(const void* subject) {
        auto& stack = rendering();
        entered_ = std::find(stack.begin(), stack.end(), subject) == stack.end();
        if (entered_) {
            stack.push_back(subject);
        }
    }
    ~RenderGuard() {
        if (entered_) {
            rendering().pop_back();
        }
    }
    RenderGuard(const RenderGuard&) = delete;
    RenderGuard& operator=(const RenderGuard&) = delete;

    explicit operator bool() const { return entered_; }

private:
    bool entered_ = false;
};

}  // namespace

PainterGraphicsContext::PainterGraphicsContext(QPainter& painter)
    : painter_(painter), base_(painter.worldTransform()), baseOpacity_(painter.opacity()) {}

PainterGraphicsContext::~PainterGraphicsContext() {
    // Unbalanced saves are undone, so the painter leaves as it came.
    while (saveDepth_ > 0) {
        restoreState();
    }
}

void PainterGraphicsContext::saveState() {
    painter_.save();
    saved_.push_back(state_);
    ++saveDepth_;
}

void PainterGraphicsContext::restoreState() {
    if (saveDepth_ == 0) {
        return;
    }
    painter_.restore();
    state_ = saved_.back();
    saved_.pop_back();
    --saveDepth_;
}

void PainterGraphicsContext::translate(double dx, double dy) {
    painter_.translate(dx, dy);
}

void PainterGraphicsContext::scale(double sx, double sy) {
    painter_.scale(sx, sy);
}

void PainterGraphicsContext::rotate(double radians) {
    painter_.rotate(radians * 180 / std::numbers::pi);
}

void PainterGraphicsContext::concatenate(const AffineTransform& transform) {
    painter_.setWorldTransform(QtConversions::transform(transform), true);
}

AffineTransform PainterGraphicsContext::currentTransform() const {
    return QtConversions::transform(painter_.worldTransform() * base_.inverted());
}

void PainterGraphicsContext::setFillColor(const Color& color) {
    state_.fill = color;
}

void PainterGraphicsContext::setStrokeColor(const Color& color) {
    state_.stroke = color;
}

void PainterGraphicsContext::setLineWidth(double width) {
    state_.lineWidth = width;
}

void PainterGraphicsContext::setAlpha(double alpha) {
    state_.alpha = std::clamp(alpha, 0.0, 1.0);
    painter_.setOpacity(baseOpacity_ * state_.alpha);
}

void PainterGraphicsContext::clip(const Rect& rect) {
    painter_.setClipRect(QtConversions::rect(rect), Qt::IntersectClip);
}

void PainterGraphicsContext::clip(const BezierPath& path) {
    painter_.setClipPath(QtConversions::path(path), Qt::IntersectClip);
}

void PainterGraphicsContext::fillRect(const Rect& rect) {
    painter_.fillRect(QtConversions::rect(rect), QtConversions::color(state_.fill));
}

void PainterGraphicsContext::strokeRect(const Rect& rect) {
    QPainterPath path;
    path.addRect(QtConversions::rect(rect));
    PathFiller::stroke(painter_, path, QPen(QtConversions::color(state_.stroke), state_.lineWidth));
}

void PainterGraphicsContext::fill(const BezierPath& path) {
    PathFiller::fill(painter_, QtConversions::path(path), QtConversions::color(state_.fill));
}

void PainterGraphicsContext::stroke(const BezierPath& path) {
    QPen pen(QtConversions::color(state_.stroke), state_.lineWidth);
    pen.setJoinStyle(Qt::SvgMiterJoin);
    pen.setMiterLimit(10);
    PathFiller::stroke(painter_, QtConversions::path(path), pen);
}

void PainterGraphicsContext::drawImage(const Image& image, const Rect& rect) {
    QtConversions::drawImage(painter_, image, rect);
}

void PainterGraphicsContext::drawText(const std::string& text, const Rect& rect, const Font& font,
                                      const Color& color) {
    const auto layout = TextPainter::layout(text, font, rect.width(), 0, rect.height());
    TextPainter::draw(painter_, layout, font, color, rect.origin, rect.width(),
                      TextAlignment::left);
}

void PainterGraphicsContext::render(const Layer& layer) {
    const void* subject = layer.view() ? static_cast<const void*>(layer.view().get()) : &layer;
    if (RenderGuard guard(subject); guard) {
        ViewPainter::paint(painter_, layer);
    }
}

void PainterGraphicsContext::render(const View& view) {
    if (RenderGuard guard(&view); guard) {
        ViewPainter::paint(painter_, view);
    }
}

}  // namespace quorvel::platform
