#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"

class QPainter;

namespace quorvel::platform {

class Image;

// Conversions between the platform's graphics values and Qt's, and the one way images are
// drawn. Part of the Qt backend.
class QtConversions {
public:
    QtConversions() = delete;

    static QColor color(const Color& color);
    static QRectF rect(const Rect& rect);
    static Rect rect(const QRectF& rect);
    // Both follow x' = a·x + c·y + tx, y' = b·x + d·y + ty, and apply the left operand first
    // when combined.
    static QTransform transform(const AffineTransform& transform);
    static AffineTransform transform(const QTransform& transform);
    // The path's elements; its fill rule (even-odd or winding) comes along.
    static QPainterPath path(const BezierPath& path);

    // The painter's device as an area of its device-independent coordinates (those before the
    // world transform); empty when it paints on no device.
    static QRectF deviceArea(const QPainter& painter);

    // Draws an image as displayed (its orientation applied) stretched into `rect`, without
    // copying its pixels, smoothly scaled. Only what shows (the device, within the clip) is
    // scaled: an image placed far larger than the device takes no more memory than the device.
    static void drawImage(QPainter& painter, const Image& image, const Rect& rect);
};

}  // namespace quorvel::platform
