#include "Platform/UI/Qt/PathFiller.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRgba64>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvel::platform {
namespace {

// Rows per band when QPainter fills the shape: few enough that its rasteriser takes each band
// in one pass and blends its spans on the painting thread.
constexpr int kBandRows = 16;

// Outlines with more corners than this go to QPainter whole.
constexpr qsizetype kMaximumPoints = 20000;

// Qt's 8-bit multiply of the four components of a premultiplied pixel by a / 255.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ffu) * a;
    t = (t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8;
    t &= 0xff00ffu;
    x = ((x >> 8) & 0xff00ffu) * a;
    x = x + ((x >> 8) & 0xff00ffu) + 0x800080u;
    x &= 0xff00ff00u;
    return x | t;
}

// Paints `source` over `count` pixels at opacity 255 - `remaining`: pixel = source + pixel ·
// remaining / 255, rounded as Qt rounds.
void sourceOver(std::uint32_t* pixels, int count, std::uint32_t source, std::uint32_t remaining) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i colour = _mm_set1_epi32(static_cast<int>(source));
    if (remaining == 0) {
        for (; i + 4 <= count; i += 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), colour);
        }
        for (; i < count; ++i) {
            pixels[i] = source;
        }
        return;
    }
    const __m128i factor = _mm_set1_epi16(static_cast<short>(remaining));
    const __m128i lowBytes = _mm_set1_epi32(0x00ff00ff);
    const __m128i half = _mm_set1_epi16(0x80);
    for (; i + 4 <= count; i += 4) {
        const __m128i pixel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        __m128i ag = _mm_mullo_epi16(_mm_srli_epi16(pixel, 8), factor);
        __m128i rb = _mm_mullo_epi16(_mm_and_si128(pixel, lowBytes), factor);
        rb = _mm_add_epi16(_mm_add_epi16(rb, _mm_srli_epi16(rb, 8)), half);
        ag = _mm_add_epi16(_mm_add_epi16(ag, _mm_srli_epi16(ag, 8)), half);
        rb = _mm_srli_epi16(rb, 8);
        ag = _mm_andnot_si128(lowBytes, ag);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i),
                         _mm_add_epi32(colour, _mm_or_si128(ag, rb)));
    }
#endif
    for (; i < count; ++i) {
        pixels[i] = source + byteMul(pixels[i], remaining);
    }
}

// The coverage of a set of polygons over a rectangle of device pixels, accumulated per pixel as
// the signed area the outline's edges leave to their right (exact, like Qt's rasteriser). Each
// row keeps a list, sorted by column, of the cells the outline crosses; between cells the
// coverage stays constant.
class Coverage {
public:
    explicit Coverage(const QRect& area)
        : left_(area.left()),
          top_(area.top()),
          right_(area.left() + area.width()),
          bottom_(area.top() + area.height()),
          heads_(static_cast<std::size_t>(area.height()), -1),
          lastCell_(static_cast<std::size_t>(area.height()), -1) {}

    void addPolygon(const QPolygonF& polygon) {
        const qsizetype count = polygon.size();
        for (qsizetype i = 0; i < count; ++i) {
            addEdge(polygon[i], polygon[i + 1 < count ? i + 1 : 0]);
        }
    }

    // Calls span(y, x, length, alpha) for every run of pixels of equal, non-zero coverage,
    // row by row, left to right.
    template <typename Span>
    void sweep(Qt::FillRule rule, const Span& span) const {
        const auto alphaOf = [rule](float value) {
            float a = std::fabs(value);
            if (!(a > 0)) {
                return 0;
            }
            if (rule == Qt::OddEvenFill) {
                a = std::fmod(a, 2.0f);
                if (a > 1) {
                    a = 2 - a;
                }
            } else if (a > 1) {
                a = 1;
            }
            return static_cast<int>(a * 255 + 0.5f);
        };
        for (int row = 0; row < bottom_ - top_; ++row) {
            const int y = top_ + row;
            float cover = 0;
            int x = left_;
            for (int index = heads_[static_cast<std::size_t>(row)]; index >= 0;) {
                const Cell& cell = cells_[static_cast<std::size_t>(index)];
                if (cell.x > x) {
                    if (const int alpha = alphaOf(cover); alpha > 0) {
                        span(y, x, cell.x - x, alpha);
                    }
                }
                if (cell.x >= left_) {
                    if (const int alpha = alphaOf(cover + cell.area); alpha > 0) {
                        span(y, cell.x, 1, alpha);
                    }
                }
                cover += cell.cover;
                x = std::max(x, cell.x + 1);
                index = cell.next;
            }
            if (x < right_) {
                if (const int alpha = alphaOf(cover); alpha > 0) {
                    span(y, x, right_ - x, alpha);
                }
            }
        }
    }

private:
    struct Cell {
        int x;
        int next;
        float cover;
        float area;
    };

    void addEdge(QPointF from, QPointF to) {
        if (from.y() == to.y() || !std::isfinite(from.x()) || !std::isfinite(from.y()) ||
            !std::isfinite(to.x()) || !std::isfinite(to.y())) {
            return;
        }
        double direction = 1;
        if (from.y() > to.y()) {
            std::swap(from, to);
            direction = -1;
        }
        const double start = std::max(from.y(), static_cast<double>(top_));
        const double end = std::min(to.y(), static_cast<double>(bottom_));
        if (start >= end) {
            return;
        }
        const double slope = (to.x() - from.x()) / (to.y() - from.y());
        for (int y = static_cast<int>(std::floor(start)); y < end; ++y) {
            const double ya = std::max(start, static_cast<double>(y));
            const double yb = std::min(end, static_cast<double>(y) + 1);
            if (yb <= ya) {
                continue;
            }
            addRowSegment(y - top_, from.x() + (ya - from.y()) * slope,
                          from.x() + (yb - from.y()) * slope, (yb - ya) * direction);
        }
    }

    // A piece of an edge within one row, from column position xa to xb, `dy` rows high (signed
    // by the edge's direction).
    void addRowSegment(int row, double xa, double xb, double dy) {
        if (xa > xb) {
            std::swap(xa, xb);
        }
        const double firstColumn = std::floor(xa);
        const double lastColumn = std::floor(xb);
        if (firstColumn == lastColumn) {
            addCell(row, firstColumn, dy, dy * (firstColumn + 1 - (xa + xb) / 2));
            return;
        }
        // Rows high per column crossed.
        const double perColumn = dy / (xb - xa);
        const double firstWidth = firstColumn + 1 - xa;
        addCell(row, firstColumn, perColumn * firstWidth, perColumn * firstWidth * firstWidth / 2);
        double column = firstColumn + 1;
        // Columns left of the area only add to the cover; merge them into one cell.
        if (column < left_ - 1 && lastColumn > column) {
            const double skipped = std::min(lastColumn, static_cast<double>(left_ - 1)) - column;
            addCell(row, left_ - 1, perColumn * skipped, perColumn * skipped / 2);
            column += skipped;
        }
        for (; column < lastColumn && column < right_; column += 1) {
            addCell(row, column, perColumn, perColumn / 2);
        }
        const double lastWidth = xb - lastColumn;
        addCell(row, lastColumn, perColumn * lastWidth,
                perColumn * lastWidth * (1 - lastWidth / 2));
    }

    void addCell(int row, double column, double cover, double area) {
        if (column >= right_) {
            return;
        }
        const int x = column < left_ ? left_ - 1 : static_cast<int>(column);
        const auto r = static_cast<std::size_t>(row);
        // Start from the cell last touched in this row when it lies to the left: an edge walks
        // its row left to right.
        int previous = -1;
        int index = heads_[r];
        const int last = lastCell_[r];
        if (last >= 0 && cells_[static_cast<std::size_t>(last)].x <= x) {
            previous = last;
            index = last;
        }
        while (index >= 0 && cells_[static_cast<std::size_t>(index)].x < x) {
            previous = index;
            index = cells_[static_cast<std::size_t>(index)].next;
        }
        if (index >= 0 && cells_[static_cast<std::size_t>(index)].x == x) {
            Cell& cell = cells_[static_cast<std::size_t>(index)];
            cell.cover += static_cast<float>(cover);
            cell.area += static_cast<float>(area);
            lastCell_[r] = index;
            return;
        }
        const int added = static_cast<int>(cells_.size());
        cells_.push_back(Cell{x, index, static_cast<float>(cover), static_cast<float>(area)});
        if (previous >= 0) {
            cells_[static_cast<std::size_t>(previous)].next = added;
        } else {
            heads_[r] = added;
        }
        lastCell_[r] = added;
    }

    int left_;
    int top_;
    int right_;
    int bottom_;
    std::vector<int> heads_;
    std::vector<int> lastCell_;
    std::vector<Cell> cells_;
};

// The path's closed outlines in device pixels, curves followed to within a fiftieth of a pixel
// (QPainterPath::toSubpathPolygons strays up to half a pixel from them, which shows along the
// edges of anything round).
QList<QPolygonF> devicePolygons(const QPainterPath& path, const QTransform& toDevice) {
    constexpr double kTolerance = 0.02;
    QList<QPolygonF> polygons;
    QPolygonF current;
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QPointF point = toDevice.map(QPointF(element));
        switch (element.type) {
            case QPainterPath::MoveToElement:
                if (current.size() > 1) {
                    polygons.append(current);
                }
                current.clear();
                current << point;
                break;
            case QPainterPath::LineToElement:
                current << point;
                break;
            case QPainterPath::CurveToElement: {
                if (i + 2 >= count || current.isEmpty()) {
                    current << point;
                    break;
                }
                const QPointF p0 = current.last();
                const QPointF p1 = point;
                const QPointF p2 = toDevice.map(QPointF(path.elementAt(i + 1)));
                const QPointF p3 = toDevice.map(QPointF(path.elementAt(i + 2)));
                i += 2;
                const QPointF a = p0 - 2 * p1 + p2;
                const QPointF b = p1 - 2 * p2 + p3;
                const double bend = std::max(std::hypot(a.x(), a.y()), std::hypot(b.x(), b.y()));
                // Straight pieces of equal parameter steps stray at most 3/4 · bend / n².
                const int pieces = std::clamp(
                    static_cast<int>(std::ceil(std::sqrt(0.75 * bend / kTolerance))), 1, 1000);
                for (int piece = 1; piece < pieces; ++piece) {
                    const double t = static_cast<double>(piece) / pieces;
                    const double u = 1 - t;
                    current << u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 +
                                   t * t * t * p3;
                }
                current << p3;
                break;
            }
            case QPainterPath::CurveToDataElement:
                current << point;
                break;
        }
    }
    if (current.size() > 1) {
        polygons.append(current);
    }
    return polygons;
}

// Whether the device coordinates stay within the range this rasteriser is made for (QPainter
// cuts down larger paths itself).
bool isWithinReach(const QRectF& deviceBounds) {
    constexpr double kReach = 1 << 24;
    return QRectF(-kReach, -kReach, 2 * kReach, 2 * kReach).contains(deviceBounds);
}

// Whether the path is one rectangle upright on the device, which QPainter fills quickly itself.
bool isUprightRectangle(const QPainterPath& path, const QTransform& toDevice) {
    const int count = path.elementCount();
    if ((count != 4 && count != 5) || toDevice.type() > QTransform::TxScale) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (path.elementAt(i).type !=
            (i == 0 ? QPainterPath::MoveToElement : QPainterPath::LineToElement)) {
            return false;
        }
    }
    const auto at = [&](int i) { return QPointF(path.elementAt(i % 4)); };
    if (count == 5 && at(4) != at(0)) {
        return false;
    }
    // Each side horizontal or vertical, turning by a right angle at each corner.
    for (int i = 0; i < 4; ++i) {
        const QPointF side = at(i + 1) - at(i);
        const QPointF next = at(i + 2) - at(i + 1);
        const bool horizontal = side.y() == 0;
        if ((horizontal ? side.y() : side.x()) != 0 || (horizontal ? next.x() : next.y()) != 0) {
            return false;
        }
    }
    return true;
}

// The image the painter writes into, when the coverage may be blended into its pixels directly:
// a raster image of 32-bit premultiplied pixels, painted over (source-over) without a clip.
QImage* directTarget(QPainter& painter) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
        return nullptr;
    }
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) {
        return nullptr;
    }
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_ARGB32_Premultiplied &&
        image->format() != QImage::Format_RGB32) {
        return nullptr;
    }
    const QRegion systemClip = engine->systemClip();
    if (!systemClip.isEmpty() && systemClip.rectCount() != 1) {
        return nullptr;
    }
    return image;
}

// The device pixels drawing may reach: the device, within the clip's bounds.
QRect reachableArea(QPainter& painter) {
    QRect area(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25);
    if (QPaintEngine* engine = painter.paintEngine()) {
        if (QPaintDevice* device = engine->paintDevice()) {
            if (device->devType() == QInternal::Image) {
                area = QRect(QPoint(0, 0), static_cast<QImage*>(device)->size());
            }
        }
        const QRegion systemClip = engine->systemClip();
        if (!systemClip.isEmpty()) {
            area &= systemClip.boundingRect();
        }
    }
    if (painter.hasClipping()) {
        const QRectF clip = painter.deviceTransform().mapRect(painter.clipBoundingRect());
        area &= clip.toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    return area;
}

// The part of a closed polygon between two heights.
QPolygonF clipToRows(const QPolygonF& polygon, double top, double bottom) {
    const auto clipAt = [](const QPolygonF& input, double y, bool keepBelow) {
        QPolygonF output;
        const qsizetype count = input.size();
        for (qsizetype i = 0; i < count; ++i) {
            const QPointF a = input[i];
            const QPointF b = input[i + 1 < count ? i + 1 : 0];
            const bool aInside = keepBelow ? a.y() >= y : a.y() <= y;
            const bool bInside = keepBelow ? b.y() >= y : b.y() <= y;
            if (aInside) {
                output << a;
            }
            if (aInside != bInside) {
                const double t = (y - a.y()) / (b.y() - a.y());
                output << QPointF(a.x() + (b.x() - a.x()) * t, y);
            }
        }
        return output;
    };
    return clipAt(clipAt(polygon, top, true), bottom, false);
}

void blend(QImage& image, const Coverage& coverage, Qt::FillRule rule, const QColor& color,
           double opacity) {
    QRgba64 colour = color.rgba64();
    colour.setAlpha(
        static_cast<quint16>(std::lround(colour.alpha() * std::clamp(opacity, 0.0, 1.0))));
    const std::uint32_t source = colour.premultiplied().toArgb32();
    const std::uint32_t sourceAlpha = source >> 24;
    if (sourceAlpha == 0) {
        return;
    }
    uchar* bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    coverage.sweep(rule, [&](int y, int x, int length, int alpha) {
        auto* pixels = reinterpret_cast<std::uint32_t*>(bits + y * stride) + x;
        const std::uint32_t covered =
            alpha == 255 ? source : byteMul(source, static_cast<std::uint32_t>(alpha));
        sourceOver(pixels, length, covered, 255 - (covered >> 24));
    });
}

// Scales every pixel of the area by the coverage; pixels without coverage become transparent.
void scaleByCoverage(QImage& image, const QRect& area, const Coverage& coverage,
                     Qt::FillRule rule) {
    uchar* bits = const_cast<uchar*>(image.constBits());
    const qsizetype stride = image.bytesPerLine();
    const auto row = [&](int y) { return reinterpret_cast<std::uint32_t*>(bits + y * stride); };
    const auto clear = [&](int y, int from, int to) {
        if (to > from) {
            std::fill(row(y) + from, row(y) + to, 0u);
        }
    };
    // Everything before (y, x) is done.
    int y = area.top();
    int x = area.left();
    const int right = area.left() + area.width();
    coverage.sweep(rule, [&](int spanY, int spanX, int length, int alpha) {
        for (; y < spanY; ++y, x = area.left()) {
            clear(y, x, right);
        }
        clear(y, x, spanX);
        if (alpha < 255) {
            std::uint32_t* pixels = row(y) + spanX;
            for (int i = 0; i < length; ++i) {
                pixels[i] = byteMul(pixels[i], static_cast<std::uint32_t>(alpha));
            }
        }
        x = spanX + length;
    });
    for (; y <= area.bottom(); ++y, x = area.left()) {
        clear(y, x, right);
    }
}

}  // namespace

void PathFiller::keepInside(QPainter& painter, const QPainterPath& path) {
    const QTransform toDevice = painter.deviceTransform();
    QImage* image = directTarget(painter);
    if (!image || !toDevice.isInvertible() || toDevice.type() == QTransform::TxProject ||
        path.elementCount() > kMaximumPoints ||
        !isWithinReach(toDevice.mapRect(path.controlPointRect()))) {
        // Whatever lies outside the path is wiped out by filling the outside.
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        QPainterPath outside;
        outside.addRect(toDevice.inverted().mapRect(QRectF(reachableArea(painter))));
        outside.addPath(path);
        outside.setFillRule(Qt::OddEvenFill);
        painter.fillPath(outside, Qt::black);
        painter.restore();
        return;
    }
    const QRect area = reachableArea(painter);
    if (area.isEmpty()) {
        return;
    }
    Coverage coverage(area);
    for (const QPolygonF& polygon : devicePolygons(path, toDevice)) {
        coverage.addPolygon(polygon);
    }
    scaleByCoverage(*image, area, coverage, path.fillRule());
}

void PathFiller::fill(QPainter& painter, const QPainterPath& path, const QColor& color) {
    if (path.isEmpty() || !painter.isActive() || !painter.testRenderHint(QPainter::Antialiasing)) {
        painter.fillPath(path, color);
        return;
    }
    const QTransform toDevice = painter.deviceTransform();
    const QRectF bounds = toDevice.mapRect(path.controlPointRect());
    if (bounds.height() < minimumHeight || path.elementCount() > kMaximumPoints ||
        !toDevice.isInvertible() || toDevice.type() == QTransform::TxProject ||
        !isWithinReach(bounds) || isUprightRectangle(path, toDevice)) {
        painter.fillPath(path, color);
        return;
    }
    const QRect reachable = reachableArea(painter);
    const QRectF limited = bounds.adjusted(-1, -1, 1, 1) & QRectF(reachable);
    if (limited.isEmpty()) {
        return;
    }
    const QRect area = reachable & limited.toAlignedRect();
    if (area.isEmpty()) {
        return;
    }
    const QList<QPolygonF> polygons = devicePolygons(path, toDevice);
    const Qt::FillRule rule = path.fillRule();
    if (QImage* image = directTarget(painter)) {
        Coverage coverage(area);
        for (const QPolygonF& polygon : polygons) {
            coverage.addPolygon(polygon);
        }
        blend(*image, coverage, rule, color, painter.opacity());
        return;
    }
    // Band by band, in device pixels.
    painter.save();
    painter.setWorldTransform(toDevice.inverted() * painter.worldTransform());
    for (int top = area.top(); top <= area.bottom(); top += kBandRows) {
        const int bottom = std::min(top + kBandRows, area.bottom() + 1);
        QPainterPath band;
        band.setFillRule(rule);
        for (const QPolygonF& polygon : polygons) {
            const QRectF extent = polygon.boundingRect();
            if (extent.bottom() <= top || extent.top() >= bottom) {
                continue;
            }
            const QPolygonF piece = clipToRows(polygon, top, bottom);
            if (piece.size() >= 3) {
                band.addPolygon(piece);
                band.closeSubpath();
            }
        }
        if (!band.isEmpty()) {
            painter.fillPath(band, color);
        }
    }
    painter.restore();
}

void PathFiller::stroke(QPainter& painter, const QPainterPath& path, const QPen& pen) {
    if (path.isEmpty() || !painter.isActive() || !painter.testRenderHint(QPainter::Antialiasing) ||
        pen.style() == Qt::NoPen || pen.isCosmetic() || pen.widthF() <= 0 ||
        pen.brush().style() != Qt::SolidPattern) {
        painter.strokePath(path, pen);
        return;
    }
    const QTransform toDevice = painter.deviceTransform();
    const double margin = pen.widthF() * std::max(pen.miterLimit(), 1.0);
    const QRectF bounds =
        toDevice.mapRect(path.controlPointRect().adjusted(-margin, -margin, margin, margin));
    if (bounds.height() < minimumHeight) {
        painter.strokePath(path, pen);
        return;
    }
    QPainterPathStroker stroker(pen);
    // Curves are followed as closely as QPainter follows them: to a quarter device pixel.
    const double scale = std::sqrt(std::fabs(toDevice.determinant()));
    if (scale > 0 && std::isfinite(scale)) {
        stroker.setCurveThreshold(0.25 / scale);
    }
    QPainterPath outline = stroker.createStroke(path);
    outline.setFillRule(Qt::WindingFill);
    fill(painter, outline, pen.color());
}

}  // namespace quorvel::platform
