#include "Platform/UI/Qt/QtConversions.h"

#include <QPaintDevice>
#include <QPainter>

#include "Platform/Graphics/Image.h"
#include "Platform/UI/Qt/ImageBridge.h"
#include "Platform/UI/Qt/ScaledImageCache.h"

namespace quorvel::platform {

QColor QtConversions::color(const Color& color) {
    const auto unit = [](double value) {
        return static_cast<float>(value < 0 ? 0 : value > 1 ? 1 : value);
    };
    return QColor::fromRgbF(unit(color.red), unit(color.green), unit(color.blue),
                            unit(color.alpha));
}

QRectF QtConversions::rect(const Rect& rect) {
    return QRectF(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

Rect QtConversions::rect(const QRectF& rect) {
    return Rect::make(rect.x(), rect.y(), rect.width(), rect.height());
}

QTransform QtConversions::transform(const AffineTransform& t) {
    return QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty);
}

AffineTransform QtConversions::transform(const QTransform& t) {
    return AffineTransform{t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
}

QPainterPath QtConversions::path(const BezierPath& path) {
    QPainterPath result;
    result.setFillRule(path.usesEvenOddFillRule() ? Qt::OddEvenFill : Qt::WindingFill);
    for (const auto& element : path.elements()) {
        switch (element.type) {
            case BezierPath::ElementType::moveTo:
                result.moveTo(element.point.x, element.point.y);
                break;
            case BezierPath::ElementType::lineTo:
                result.lineTo(element.point.x, element.point.y);
                break;
            case BezierPath::ElementType::closePath:
                result.closeSubpath();
                break;
        }
    }
    return result;
}

void QtConversions::drawImage(QPainter& painter, const Image& image, const Rect& rect) {
    const QImage pixels = ImageBridge::qImage(image);
    if (pixels.isNull() || rect.isEmpty()) {
        return;
    }
    // Upright on the device (no rotation or shear): the image is scaled to the device pixels it
    // covers once and kept, and painting copies those pixels.
    QPaintDevice* device = painter.device();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    const QTransform toDevice = painter.worldTransform() * QTransform::fromScale(ratio, ratio);
    if (toDevice.type() <= QTransform::TxScale && toDevice.m11() > 0 && toDevice.m22() > 0) {
        const QRectF area = toDevice.mapRect(QtConversions::rect(rect.standardized()));
        const QPoint topLeft(qRound(area.left()), qRound(area.top()));
        const QPoint bottomRight(qRound(area.right()), qRound(area.bottom()));
        const QSize size(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y());
        if (size.isEmpty()) {
            return;
        }
        const QImage scaled = ScaledImageCache::scaled(image, size);
        // In device pixels, one to one: Qt copies (or blends) the rows.
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
        painter.drawImage(topLeft, scaled);
        painter.restore();
        return;
    }
    // Stored pixels → displayed pixels (orientation) → the rectangle.
    const bool swapped = Image::swapsWidthAndHeight(image.orientation());
    const double displayedWidth = swapped ? pixels.height() : pixels.width();
    const double displayedHeight = swapped ? pixels.width() : pixels.height();
    const Rect target = rect.standardized();
    QTransform placement = transform(image.orientationTransform());
    placement *=
        QTransform::fromScale(target.width() / displayedWidth, target.height() / displayedHeight);
    placement *= QTransform::fromTranslate(target.minX(), target.minY());

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(placement, true);
    painter.drawImage(QPointF(0, 0), pixels);
    painter.restore();
}

}  // namespace quorvel::platform
