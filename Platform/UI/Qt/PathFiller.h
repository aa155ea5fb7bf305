#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPen>

class QPainter;

namespace quorvel::platform {

// Anti-aliased solid fills and strokes of large paths, drawn as QPainter::fillPath and
// strokePath draw them (exact-area coverage, the path's own fill rule), but at a cost that grows
// with the outline's length and the pixels covered. QPainter's rasteriser works on tall shapes in
// bands and walks every edge again in each band, so a shape covering a whole phone screen costs
// milliseconds even when it covers few pixels.
//
// Small shapes, painters without anti-aliasing and pens it does not handle go to QPainter
// unchanged. On a raster image of 32-bit pixels without a clip path, the coverage is computed here
// and blended straight into the image; elsewhere the shape is cut into short horizontal bands,
// limited to the clip's bounds, and each band is filled by QPainter. Part of the Qt backend; main
// thread only.
class PathFiller {
public:
    PathFiller() = delete;

    // Fills `path` (in the painter's coordinates) with `color`.
    static void fill(QPainter& painter, const QPainterPath& path, const QColor& color);
    // Strokes `path` with `pen`, whose brush is a solid colour.
    static void stroke(QPainter& painter, const QPainterPath& path, const QPen& pen);
    // Keeps of what the painter has painted only what lies inside `path`: every pixel is scaled
    // by the path's coverage (anti-aliased), pixels outside it become transparent.
    static void keepInside(QPainter& painter, const QPainterPath& path);

    // Shapes less than this many device pixels tall are left to QPainter.
    static constexpr double minimumHeight = 48;
};

}  // namespace quorvel::platform
