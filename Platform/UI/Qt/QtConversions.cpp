#include "Platform/UI/Qt/QtConversions.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

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

QRectF QtConversions::deviceArea(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    if (!device) {
        return {};
    }
    const QSizeF size = device->devType() == QInternal::Image
                            ? static_cast<const QImage*>(device)->deviceIndependentSize()
                            : QSizeF(device->width(), device->height());
    return QRectF(QPointF(0, 0), size);
}

void QtConversions::drawImage(QPainter& painter, const Image& image, const Rect& rect) {
    const QImage pixels = ImageBridge::qImage(image);
    if (pixels.isNull() || rect.isEmpty()) {
        return;
    }
    const bool swapped = Image::swapsWidthAndHeight(image.orientation());
    const QSize displayedSize = swapped ? pixels.size().transposed() : pixels.size();
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
        // In device pixels, one to one: Qt copies (or blends) the rows.
        const auto copyPixels = [&painter, ratio](QPoint at, const QImage& scaled) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
            painter.drawImage(at, scaled);
            painter.restore();
        };
        // The device pixels that can show, within the clip.
        QRectF shownArea = QTransform::fromScale(ratio, ratio).mapRect(deviceArea(painter));
        if (painter.hasClipping()) {
            shownArea &= toDevice.mapRect(painter.clipBoundingRect());
        }
        const QRect shown = shownArea.toAlignedRect();
        if (!device || static_cast<qint64>(size.width()) * size.height() <=
                           static_cast<qint64>(shown.width()) * shown.height()) {
            copyPixels(topLeft, ScaledImageCache::scaled(image, size));
            return;
        }
        // A scaled copy larger than what can show (a page zoomed in, a 64-pixel icon at scale
        // 0.001 placed 64,000 points wide) is never made: a reduction scales the part that shows,
        // each time it is drawn; an enlargement is drawn through the transform below, which
        // fills only the pixels that show.
        const QRect drawn = QRect(topLeft, size) & shown;
        if (drawn.isEmpty()) {
            return;
        }
        if (size.width() <= displayedSize.width() && size.height() <= displayedSize.height()) {
            const QImage displayed = ImageBridge::displayedQImage(image);
            // Displayed pixels per device pixel: 1 or more.
            const double sx = static_cast<double>(displayed.width()) / size.width();
            const double sy = static_cast<double>(displayed.height()) / size.height();
            const QRect source =
                QRectF((drawn.left() - topLeft.x()) * sx, (drawn.top() - topLeft.y()) * sy,
                       drawn.width() * sx, drawn.height() * sy)
                    .toAlignedRect() &
                displayed.rect();
            const QRectF placed(topLeft.x() + source.left() / sx, topLeft.y() + source.top() / sy,
                                source.width() / sx, source.height() / sy);
            const QSize partSize(std::max(1, qRound(placed.width())),
                                 std::max(1, qRound(placed.height())));
            copyPixels(placed.topLeft().toPoint(),
                       displayed.copy(source).scaled(partSize, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation));
            return;
        }
    }
    // Stored pixels → displayed pixels (orientation) → the rectangle.
    const Rect target = rect.standardized();
    QTransform placement = transform(image.orientationTransform());
    placement *= QTransform::fromScale(target.width() / displayedSize.width(),
                                       target.height() / displayedSize.height());
    placement *= QTransform::fromTranslate(target.minX(), target.minY());

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(placement, true);
    painter.drawImage(QPointF(0, 0), pixels);
    painter.restore();
}

}  // namespace quorvel::platform
