#include "Platform/UI/Qt/ViewPainter.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <vector>

#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Layer.h"
#include "Platform/UI/Qt/ImageBridge.h"
#include "Platform/UI/Qt/PainterGraphicsContext.h"
#include "Platform/UI/Qt/PathFiller.h"
#include "Platform/UI/Qt/QtConversions.h"
#include "Platform/UI/Qt/TextPainter.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/View.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {
namespace {

// Opacity below this paints nothing.
constexpr double kInvisible = 1.0 / 512;

double clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

// The outline of a layer of that size: its bounds with the corners rounded.
QPainterPath outline(double width, double height, double cornerRadius) {
    QPainterPath path;
    const QRectF rect(0, 0, width, height);
    const double radius = std::min(cornerRadius, std::min(width, height) / 2);
    if (radius > 0) {
        path.addRoundedRect(rect, radius, radius);
    } else {
        path.addRect(rect);
    }
    return path;
}

// Where a layer of that frame sits in its superlayer's coordinates: at its frame, turned by its
// transform about its centre.
QTransform placement(const Rect& frame, const AffineTransform& transform) {
    if (transform.isIdentity()) {
        return QTransform::fromTranslate(frame.minX(), frame.minY());
    }
    QTransform result = QTransform::fromTranslate(-frame.width() / 2, -frame.height() / 2);
    result *= QtConversions::transform(transform);
    result *= QTransform::fromTranslate(frame.midX(), frame.midY());
    return result;
}

bool isHidden(const View& view) {
    return view.isHidden() || view.layer()->isHidden();
}

double opacityOf(const View& view) {
    return clamp01(view.presentationAlpha()) * clamp01(view.layer()->presentationOpacity());
}

// The part of a polyline path between two fractions of its length.
QPainterPath partialStroke(const BezierPath& path, double start, double end) {
    struct Segment {
        Point from;
        Point to;
        double length;
    };
    std::vector<Segment> segments;
    Point current{};
    Point subpathStart{};
    for (const auto& element : path.elements()) {
        switch (element.type) {
            case BezierPath::ElementType::moveTo:
                current = subpathStart = element.point;
                segments.push_back({current, current, -1});  // marks a new subpath
                break;
            case BezierPath::ElementType::lineTo:
                segments.push_back(
                    {current, element.point,
                     std::hypot(element.point.x - current.x, element.point.y - current.y)});
                current = element.point;
                break;
            case BezierPath::ElementType::closePath:
                segments.push_back(
                    {current, subpathStart,
                     std::hypot(subpathStart.x - current.x, subpathStart.y - current.y)});
                current = subpathStart;
                break;
        }
    }
    double total = 0;
    for (const auto& segment : segments) {
        total += std::max(segment.length, 0.0);
    }
    QPainterPath result;
    if (total <= 0) {
        return result;
    }
    const double from = start * total;
    const double to = end * total;
    double position = 0;
    bool drawing = false;
    for (const auto& segment : segments) {
        if (segment.length < 0) {
            drawing = false;
            continue;
        }
        const double segmentEnd = position + segment.length;
        const double a = std::max(from, position);
        const double b = std::min(to, segmentEnd);
        if (b > a || (segment.length == 0 && a == b && position >= from && position <= to)) {
            const auto at = [&](double distance) {
                const double t = segment.length > 0 ? (distance - position) / segment.length : 0;
                return QPointF(segment.from.x + (segment.to.x - segment.from.x) * t,
                               segment.from.y + (segment.to.y - segment.from.y) * t);
            };
            if (!drawing) {
                result.moveTo(at(a));
                drawing = true;
            }
            result.lineTo(at(b));
        } else {
            drawing = false;
        }
        position = segmentEnd;
    }
    return result;
}

Qt::PenJoinStyle penJoin(LineJoin join) {
    switch (join) {
        case LineJoin::round:
            return Qt::RoundJoin;
        case LineJoin::bevel:
            return Qt::BevelJoin;
        case LineJoin::miter:
            return Qt::SvgMiterJoin;
    }
    return Qt::SvgMiterJoin;
}

Qt::PenCapStyle penCap(LineCap cap) {
    switch (cap) {
        case LineCap::round:
            return Qt::RoundCap;
        case LineCap::square:
            return Qt::SquareCap;
        case LineCap::butt:
            return Qt::FlatCap;
    }
    return Qt::FlatCap;
}

void paintShape(QPainter& painter, const ShapeLayer& shape) {
    const std::optional<BezierPath> path = shape.presentationPath();
    if (!path || path->isEmpty()) {
        return;
    }
    QPainterPath qpath = QtConversions::path(*path);
    qpath.setFillRule(shape.fillRule() == FillRule::evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    if (shape.fillColor() && shape.fillColor()->alpha > 0) {
        PathFiller::fill(painter, qpath, QtConversions::color(*shape.fillColor()));
    }
    if (!shape.strokeColor() || shape.strokeColor()->alpha <= 0 || shape.lineWidth() <= 0) {
        return;
    }
    const double start = clamp01(shape.strokeStart());
    const double end = clamp01(shape.presentationStrokeEnd());
    if (end <= start) {
        return;
    }
    QPen pen(QtConversions::color(*shape.strokeColor()), shape.lineWidth());
    pen.setJoinStyle(penJoin(shape.lineJoin()));
    pen.setCapStyle(penCap(shape.lineCap()));
    pen.setMiterLimit(10);
    PathFiller::stroke(painter, start <= 0 && end >= 1 ? qpath : partialStroke(*path, start, end),
                       pen);
}

void paintVideo(QPainter& painter, const VideoPreviewLayer& layer, const Rect& bounds) {
    const std::shared_ptr<const PixelBuffer> frame = layer.latestFrame();
    if (!frame) {
        return;
    }
    const Size frameSize{static_cast<double>(frame->width()), static_cast<double>(frame->height())};
    const Rect picture = VideoPreviewLayer::pictureRect(frameSize, bounds, layer.videoGravity());
    const std::optional<Rect> visible = picture.intersection(bounds);
    if (!visible || visible->isEmpty()) {
        return;
    }
    // Only the part of the frame that shows is read: the picture is cut to the bounds.
    const double sx = frameSize.width / picture.width();
    const double sy = frameSize.height / picture.height();
    const QRectF source((visible->minX() - picture.minX()) * sx,
                        (visible->minY() - picture.minY()) * sy, visible->width() * sx,
                        visible->height() * sy);
    const QImage pixels = ImageBridge::qImage(frame);
    painter.save();
    // Interpolated while the frame is shrunk or slightly enlarged; once every frame pixel covers
    // two device pixels or more, interpolation adds little and costs half the time of the paint.
    QPaintDevice* device = painter.device();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    const QTransform& world = painter.worldTransform();
    const double enlargement = std::min(std::hypot(world.m11(), world.m12()) / sx,
                                        std::hypot(world.m21(), world.m22()) / sy) *
                               ratio;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, enlargement < 2);
    painter.drawImage(QtConversions::rect(*visible), pixels, source);
    painter.restore();
}

// Content of a layer in its own coordinates (bounds origin (0, 0)).
void paintLayerContent(QPainter& painter, const Layer& layer, const Rect& bounds) {
    if (auto shape = dynamic_cast<const ShapeLayer*>(&layer)) {
        paintShape(painter, *shape);
    } else if (auto video = dynamic_cast<const VideoPreviewLayer*>(&layer)) {
        paintVideo(painter, *video, bounds);
    }
}

// A view's own content in its bounds coordinates.
void paintViewContent(QPainter& painter, const View& view, const Rect& bounds) {
    if (auto label = dynamic_cast<const Label*>(&view)) {
        TextPainter::draw(painter, label->text(), label->drawingFont(), label->textColor(), bounds,
                          label->textAlignment(), label->numberOfLines());
    } else if (auto imageView = dynamic_cast<const ImageView*>(&view)) {
        if (const auto& image = imageView->image()) {
            const Size size = image->size();
            if (size.width > 0 && size.height > 0) {
                QtConversions::drawImage(painter, *image,
                                         placedContent(view.contentMode(), size, bounds));
            }
        }
    }
    painter.save();
    PainterGraphicsContext context(painter);
    {
        GraphicsContext::Scope scope(&context);
        auto& drawn = const_cast<View&>(view);
        drawn.draw(context, bounds);
        drawn.clearNeedsDisplay();
    }
    painter.restore();
}

void paintBorder(QPainter& painter, const Layer& layer, double width, double height) {
    const double borderWidth = layer.borderWidth();
    if (borderWidth <= 0 || !layer.borderColor() || layer.borderColor()->alpha <= 0) {
        return;
    }
    // The border lies inside the outline: a path along the outline inset by half its width.
    const double inset = std::min(borderWidth, std::min(width, height) / 2) / 2;
    const QRectF rect(inset, inset, width - 2 * inset, height - 2 * inset);
    const double radius =
        std::max(0.0, std::min(layer.cornerRadius(), std::min(width, height) / 2) - inset);
    QPainterPath path;
    if (radius > 0) {
        path.addRoundedRect(rect, radius, radius);
    } else {
        path.addRect(rect);
    }
    QPen pen(QtConversions::color(*layer.borderColor()), 2 * inset);
    pen.setJoinStyle(Qt::MiterJoin);
    PathFiller::stroke(painter, path, pen);
}

void paintBackground(QPainter& painter, const QPainterPath& shape,
                     const std::optional<Color>& color) {
    if (color && color->alpha > 0) {
        PathFiller::fill(painter, shape, QtConversions::color(*color));
    }
}

QRectF layerExtent(const Layer& layer);

// Everything a layer may paint, in its own coordinates.
QRectF layerExtent(const Layer& layer) {
    const Rect bounds = layer.bounds();
    QRectF extent(0, 0, bounds.width(), bounds.height());
    if (layer.masksToBounds()) {
        return extent;
    }
    if (auto shape = dynamic_cast<const ShapeLayer*>(&layer)) {
        if (auto path = shape->presentationPath()) {
            const double margin = shape->lineWidth() * 5 + 1;
            extent |=
                QtConversions::rect(path->bounds()).adjusted(-margin, -margin, margin, margin);
        }
    }
    for (const auto& sublayer : layer.sublayers()) {
        extent |= placement(sublayer->frame(), sublayer->affineTransform())
                      .mapRect(layerExtent(*sublayer));
    }
    return extent;
}

// Everything a view may paint, in its own coordinates (origin at the top left of its frame).
QRectF viewExtent(const View& view) {
    const Rect bounds = view.presentationBounds();
    QRectF extent(0, 0, bounds.width(), bounds.height());
    if (view.clipsToBounds()) {
        return extent;
    }
    const QTransform scroll = QTransform::fromTranslate(-bounds.minX(), -bounds.minY());
    for (const auto& sublayer : view.layer()->sublayers()) {
        extent |= (placement(sublayer->frame(), sublayer->affineTransform()) * scroll)
                      .mapRect(layerExtent(*sublayer));
    }
    for (const auto& subview : view.subviews()) {
        if (isHidden(*subview)) {
            continue;
        }
        extent |=
            (placement(subview->presentationFrame(), subview->layer()->affineTransform()) * scroll)
                .mapRect(viewExtent(*subview));
    }
    return extent;
}

// Paints `paint` at `opacity`: as one group (into an image, then blended) when `group`, else with
// the painter's opacity lowered, which is the same for content that does not overlap itself.
template <typename Paint>
void paintWithOpacity(QPainter& painter, double opacity, bool group, const QRectF& extent,
                      const Paint& paint) {
    if (opacity >= 1) {
        paint(painter);
        return;
    }
    if (!group) {
        painter.save();
        painter.setOpacity(painter.opacity() * opacity);
        paint(painter);
        painter.restore();
        return;
    }
    QPaintDevice* device = painter.device();
    const QTransform world = painter.worldTransform();
    QRectF area = world.mapRect(extent);
    if (device) {
        area &= QtConversions::deviceArea(painter);
    }
    if (area.isEmpty()) {
        return;
    }
    area = area.toAlignedRect();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    QImage layerImage(static_cast<int>(std::ceil(area.width() * ratio)),
                      static_cast<int>(std::ceil(area.height() * ratio)),
                      QImage::Format_ARGB32_Premultiplied);
    layerImage.setDevicePixelRatio(ratio);
    layerImage.fill(Qt::transparent);
    {
        QPainter inner(&layerImage);
        inner.setRenderHints(painter.renderHints());
        inner.setWorldTransform(world * QTransform::fromTranslate(-area.x(), -area.y()));
        paint(inner);
    }
    painter.save();
    painter.resetTransform();
    painter.setOpacity(painter.opacity() * opacity);
    painter.drawImage(area.topLeft(), layerImage);
    painter.restore();
}

// Masked areas of up to this many device pixels are painted apart and then cut out, rather than
// painted through a clip path, which slows every primitive drawn behind it (images most).
constexpr double kMaskedPixelsApart = 1024.0 * 1024.0;

// Paints `paint` clipped to `shape` (in the painter's coordinates). A rounded shape of modest
// size is painted into an image of the area it covers on the device, cut to the shape with
// anti-aliased edges, and laid over what is below.
template <typename Paint>
void paintMasked(QPainter& painter, const QPainterPath& shape, bool rounded, const Paint& paint) {
    QPaintDevice* device = painter.device();
    const QTransform world = painter.worldTransform();
    if (!rounded || !device || !painter.testRenderHint(QPainter::Antialiasing)) {
        painter.setClipPath(shape, Qt::IntersectClip);
        paint(painter);
        return;
    }
    // The area in the painter's device-independent coordinates, as paintWithOpacity takes it.
    QRectF area = world.mapRect(shape.boundingRect());
    area &= QtConversions::deviceArea(painter);
    if (painter.hasClipping()) {
        area &= world.mapRect(painter.clipBoundingRect());
    }
    if (area.isEmpty()) {
        return;
    }
    area = area.toAlignedRect();
    const double ratio = device->devicePixelRatioF();
    const int width = static_cast<int>(std::ceil(area.width() * ratio));
    const int height = static_cast<int>(std::ceil(area.height() * ratio));
    if (static_cast<double>(width) * height > kMaskedPixelsApart) {
        painter.setClipPath(shape, Qt::IntersectClip);
        paint(painter);
        return;
    }
    QImage apart(width, height, QImage::Format_ARGB32_Premultiplied);
    apart.setDevicePixelRatio(ratio);
    apart.fill(Qt::transparent);
    {
        QPainter inner(&apart);
        inner.setRenderHints(painter.renderHints());
        inner.setWorldTransform(world * QTransform::fromTranslate(-area.x(), -area.y()));
        inner.save();
        paint(inner);
        inner.restore();
        PathFiller::keepInside(inner, shape);
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(area.topLeft(), apart);
    painter.restore();
}

void paintLayer(QPainter& painter, const Layer& layer);

void paintSublayers(QPainter& painter, const Layer& layer) {
    for (const auto& sublayer : layer.sublayers()) {
        painter.save();
        painter.setTransform(placement(sublayer->frame(), sublayer->affineTransform()), true);
        paintLayer(painter, *sublayer);
        painter.restore();
    }
}

// A layer's box of `size` at the painter's origin: its background colours in order, then
// `content`, cut to the box's outline when the layer masks to its bounds, and its border over
// both.
template <typename Paint>
void paintBox(QPainter& painter, const Layer& layer, const Size& size,
              std::initializer_list<std::optional<Color>> backgrounds, const Paint& content) {
    painter.save();
    const QPainterPath shape = outline(size.width, size.height, layer.cornerRadius());
    for (const auto& colour : backgrounds) {
        paintBackground(painter, shape, colour);
    }
    if (layer.masksToBounds()) {
        paintMasked(painter, shape, layer.cornerRadius() > 0, content);
    } else {
        content(painter);
    }
    painter.restore();
    paintBorder(painter, layer, size.width, size.height);
}

// A layer with the top left of its bounds at the painter's origin.
void paintLayer(QPainter& painter, const Layer& layer) {
    if (layer.isHidden()) {
        return;
    }
    const double opacity = clamp01(layer.presentationOpacity());
    if (opacity < kInvisible) {
        return;
    }
    const Rect bounds = layer.bounds();
    const bool group = !layer.sublayers().empty();
    paintWithOpacity(
        painter, opacity, group, group ? layerExtent(layer) : QRectF(), [&](QPainter& p) {
            paintBox(p, layer, bounds.size, {layer.backgroundColor()}, [&](QPainter& q) {
                paintLayerContent(q, layer, bounds);
                paintSublayers(q, layer);
            });
        });
}

void paintView(QPainter& painter, const View& view);

// A view with the top left of its frame at the painter's origin.
void paintView(QPainter& painter, const View& view) {
    if (isHidden(view)) {
        return;
    }
    const double opacity = opacityOf(view);
    if (opacity < kInvisible) {
        return;
    }
    const Layer& layer = *view.layer();
    const Rect bounds = view.presentationBounds();
    const bool group = !view.subviews().empty() || !layer.sublayers().empty();
    paintWithOpacity(
        painter, opacity, group, group ? viewExtent(view) : QRectF(), [&](QPainter& p) {
            paintBox(p, layer, bounds.size, {layer.backgroundColor(), view.backgroundColor()},
                     [&](QPainter& q) {
                         paintLayerContent(q, layer, Rect{{0, 0}, bounds.size});
                         q.translate(-bounds.minX(), -bounds.minY());
                         paintViewContent(q, view, bounds);
                         paintSublayers(q, layer);
                         for (const auto& subview : view.subviews()) {
                             q.save();
                             q.setTransform(placement(subview->presentationFrame(),
                                                      subview->layer()->affineTransform()),
                                            true);
                             paintView(q, *subview);
                             q.restore();
                         }
                     });
        });
}

// The focus ring: a white line around the focused view and a dark blue one around that. Over
// any background one of the two stands out by at least 3:1 (white up to a background luminance
// of 0.30, the blue, of luminance 0.054, from 0.26 up), and the two by 10:1 between them.
constexpr Color kFocusRingInner{1, 1, 1, 1};
constexpr Color kFocusRingOuter{10 / 255.0, 61 / 255.0, 145 / 255.0, 1};
constexpr double kFocusRingLine = 2;

bool isShownInWindow(const View& view) {
    for (const View* v = &view; v; v = v->superview().get()) {
        if (isHidden(*v) || opacityOf(*v) <= 0.01) {
            return false;
        }
    }
    return true;
}

// A rectangle with its own radius, above 0, at each corner (top left, top right, bottom right,
// bottom left).
QPainterPath roundedRect(const QRectF& rect, const std::array<double, 4>& radii) {
    QPainterPath path;
    // A corner at (x, y) whose arc starts at `angle` (degrees); a square one where the radius is
    // 0 (an arc in an empty rectangle would add nothing, not even the corner).
    const auto corner = [&path](double x, double y, double r, double angle, double dx, double dy) {
        if (r > 0) {
            path.arcTo(QRectF(x + dx * 2 * r, y + dy * 2 * r, 2 * r, 2 * r), angle, -90);
        } else {
            path.lineTo(x, y);
        }
    };
    const auto [topLeft, topRight, bottomRight, bottomLeft] = radii;
    path.moveTo(rect.left() + topLeft, rect.top());
    corner(rect.right(), rect.top(), topRight, 90, -1, 0);
    corner(rect.right(), rect.bottom(), bottomRight, 0, -1, -1);
    corner(rect.left(), rect.bottom(), bottomLeft, 270, 0, -1);
    corner(rect.left(), rect.top(), topLeft, 180, 0, 0);
    path.closeSubpath();
    return path;
}

// The corners of the focused view as the user sees them (top left, top right, bottom right,
// bottom left): its own corner radius, or where a corner lies on the rounded corner of a view
// that cuts it (an alert's button in the card's corner), that view's radius.
std::array<double, 4> visibleCornerRadii(const View& focused, const Rect& frame) {
    const double own = focused.layer()->cornerRadius();
    std::array<double, 4> radii{own, own, own, own};
    const auto corners = [](const Rect& r) {
        return std::array<Point, 4>{Point{r.minX(), r.minY()}, Point{r.maxX(), r.minY()},
                                    Point{r.maxX(), r.maxY()}, Point{r.minX(), r.maxY()}};
    };
    const auto inner = corners(frame);
    for (auto cutter = focused.superview(); cutter; cutter = cutter->superview()) {
        const double radius = cutter->layer()->cornerRadius();
        if (!cutter->clipsToBounds() || radius <= 0) {
            continue;
        }
        const auto outer = corners(cutter->convert(cutter->bounds(), nullptr));
        for (std::size_t i = 0; i < radii.size(); ++i) {
            if (std::hypot(inner[i].x - outer[i].x, inner[i].y - outer[i].y) < 0.5) {
                radii[i] = std::max(radii[i], radius);
            }
        }
    }
    return radii;
}

// Whether the ring fits around `frame` within every view that cuts what it draws. A control at
// the edge of such a view (an alert's button at the card's edge) gets its ring just inside itself
// instead, so that none of it is cut off or stands out past the card.
bool ringFitsOutside(const View& focused, const Rect& frame) {
    const double width = 2 * kFocusRingLine;
    for (auto cutter = focused.superview(); cutter; cutter = cutter->superview()) {
        if (!cutter->clipsToBounds()) {
            continue;
        }
        const Rect bounds = cutter->convert(cutter->bounds(), nullptr);
        if (frame.minX() - width < bounds.minX() || frame.minY() - width < bounds.minY() ||
            frame.maxX() + width > bounds.maxX() || frame.maxY() + width > bounds.maxY()) {
            return false;
        }
    }
    return true;
}

// Paints again what lies in front of the focused view (whatever is painted after it), as the
// walk from `view` meets it: its superviews' places, opacities and cuts apply, their own
// drawing is left out.
void paintInFrontOf(QPainter& painter, const View& view, const View& focused, bool& passed) {
    if (isHidden(view) || opacityOf(view) < kInvisible) {
        return;
    }
    if (&view == &focused) {
        passed = true;
        return;
    }
    if (passed) {
        paintView(painter, view);
        return;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacityOf(view));
    const Rect bounds = view.presentationBounds();
    if (view.clipsToBounds()) {
        painter.setClipPath(outline(bounds.width(), bounds.height(), view.layer()->cornerRadius()),
                            Qt::IntersectClip);
    }
    painter.translate(-bounds.minX(), -bounds.minY());
    for (const auto& subview : view.subviews()) {
        painter.save();
        painter.setTransform(
            placement(subview->presentationFrame(), subview->layer()->affineTransform()), true);
        paintInFrontOf(painter, *subview, focused, passed);
        painter.restore();
    }
    painter.restore();
}

// Draws the ring around the window's focused view while the window shows it: over the view and
// what is behind it, but under what lies in front of it (a badge on a control stays readable),
// its corners following those the user sees.
void paintFocusRing(QPainter& painter, const Window& window) {
    const auto focused = window.focusedView();
    if (!window.showsFocusRing() || !focused || focused->window().get() != &window ||
        !isShownInWindow(*focused)) {
        return;
    }
    const Rect frame = focused->convert(focused->bounds(), nullptr);
    const auto radii = visibleCornerRadii(*focused, frame);
    // The lines' middles, outward from the frame's edge (negative: inward); the white line is
    // always the one nearer the control's middle.
    const bool outside = ringFitsOutside(*focused, frame);
    const double inner = outside ? kFocusRingLine / 2 : -kFocusRingLine * 3 / 2;
    const double outer = outside ? kFocusRingLine * 3 / 2 : -kFocusRingLine / 2;
    const auto ringPath = [&](double offset) {
        const QRectF rect(frame.minX() - offset, frame.minY() - offset, frame.width() + 2 * offset,
                          frame.height() + 2 * offset);
        const double limit = std::min(rect.width(), rect.height()) / 2;
        std::array<double, 4> ringRadii{};
        for (std::size_t i = 0; i < radii.size(); ++i) {
            const double radius = radii[i] > 0 ? radii[i] + offset : offset;
            ringRadii[i] = std::clamp(radius, 0.0, std::max(limit, 0.0));
        }
        return roundedRect(rect, ringRadii);
    };
    painter.strokePath(ringPath(inner),
                       QPen(QtConversions::color(kFocusRingInner), kFocusRingLine));
    painter.strokePath(ringPath(outer),
                       QPen(QtConversions::color(kFocusRingOuter), kFocusRingLine));

    // Where the two lines lie (and a pixel of their smoothed edges), what is in front goes over.
    QPainterPathStroker area;
    area.setWidth(kFocusRingLine * 2 + 1);
    painter.save();
    painter.setClipPath(area.createStroke(ringPath((inner + outer) / 2)), Qt::IntersectClip);
    bool passed = false;
    paintInFrontOf(painter, window, *focused, passed);
    painter.restore();
}

}  // namespace

void ViewPainter::paint(QPainter& painter, const View& view) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintView(painter, view);
    if (const auto* window = dynamic_cast<const Window*>(&view)) {
        paintFocusRing(painter, *window);
    }
    painter.restore();
}

void ViewPainter::paint(QPainter& painter, const Layer& layer) {
    if (auto view = layer.view()) {
        paint(painter, *view);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintLayer(painter, layer);
    painter.restore();
}

QImage ViewPainter::render(const View& view, double scale) {
    const Size size = view.presentationBounds().size;
    const int width = static_cast<int>(std::ceil(size.width * scale));
    const int height = static_cast<int>(std::ceil(size.height * scale));
    if (width <= 0 || height <= 0 || !std::isfinite(scale) || scale <= 0) {
        return {};
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, view);
    return image;
}

std::shared_ptr<Image> ViewPainter::snapshot(const View& view) {
    const auto window = view.window();
    const double scale = window ? window->screenScale() : Window::defaultScreenScale;
    const_cast<View&>(view).layoutIfNeeded();
    return ImageBridge::image(render(view, scale), scale);
}

void ViewPainter::install() {
    View::setSnapshotProvider([](const View& view) { return snapshot(view); });
}

}  // namespace quorvel::platform
