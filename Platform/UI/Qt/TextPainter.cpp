#include "Platform/UI/Qt/TextPainter.h"

#include <QColor>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <QTransform>
#include <algorithm>
#include <map>
#include <string_view>

#include "Platform/Graphics/FontRegistry.h"

namespace quorvel::platform {
namespace {

// Lines are laid out for a device of this resolution, where a point size is a pixel size.
constexpr int kLayoutDpi = 72;
constexpr double kUnlimitedWidth = 1e7;

// How a face of the font registry is asked for from Qt.
struct FaceRequest {
    QString family;
    QFont::Weight weight = QFont::Normal;
    bool italic = false;
};

QFont::Weight qtWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return QFont::Normal;
        case FontWeight::medium:
            return QFont::Medium;
        case FontWeight::semibold:
            return QFont::DemiBold;
        case FontWeight::bold:
            return QFont::Bold;
    }
    return QFont::Normal;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

const FaceRequest& faceRequest(const Font& font) {
    static std::map<std::string, FaceRequest, std::less<>> requests;
    auto found = requests.find(font.fontName());
    if (found != requests.end()) {
        return found->second;
    }
    FaceRequest request;
    request.family = QStringLiteral("DejaVu Sans");
    request.weight = qtWeight(font.weight());
    if (auto face = FontRegistry::shared().face(font.fontName())) {
        request.family = QString::fromStdString(face->family);
        request.weight = qtWeight(face->weight);
        request.italic = contains(face->fullName, "Oblique") || contains(face->fullName, "Italic");
        if (!face->file.empty() && !QFontDatabase::hasFamily(request.family)) {
            // A face the host registered from its own file: Qt learns the file too.
            const int id = QFontDatabase::addApplicationFont(QString::fromStdString(face->file));
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) {
                request.family = families.front();
            }
        }
    }
    return requests.emplace(font.fontName(), request).first->second;
}

const QPaintDevice& layoutDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        // 72 dots per inch, as dots per metre.
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return device;
}

double alignedX(TextAlignment alignment, double width, double lineWidth) {
    switch (alignment) {
        case TextAlignment::center:
            return (width - lineWidth) / 2;
        case TextAlignment::right:
            return width - lineWidth;
        case TextAlignment::left:
        case TextAlignment::justified:
        case TextAlignment::natural:
            return 0;
    }
    return 0;
}

QString trimmedEnd(QString text) {
    while (!text.isEmpty() && (text.back().isSpace() || text.back() == QChar::LineSeparator)) {
        text.chop(1);
    }
    return text;
}

}  // namespace

QFont TextPainter::qFont(const Font& font, int dpi) {
    const FaceRequest& request = faceRequest(font);
    QFont result(request.family);
    result.setWeight(request.weight);
    result.setItalic(request.italic);
    result.setPointSizeF(std::max(font.pointSize(), 0.01) * fontScale * 72.0 / std::max(dpi, 1));
    result.setHintingPreference(QFont::PreferNoHinting);
    result.setStyleStrategy(QFont::PreferAntialias);
    return result;
}

QFont TextPainter::qFont(const Font& font, const QPaintDevice& device) {
    return qFont(font, device.logicalDpiY());
}

TextPainter::Layout TextPainter::layout(const std::string& text, const Font& font, double maxWidth,
                                        int numberOfLines, double maxHeight) {
    Layout result;
    if (text.empty() || font.pointSize() <= 0) {
        return result;
    }
    QString string = QString::fromStdString(text);
    string.replace(QLatin1Char('\n'), QChar::LineSeparator);
    const QFont qfont = qFont(font, kLayoutDpi);
    // Laid out at fontScale times the size; every length read back is scaled down.
    const double lineWidth = (maxWidth > 0 ? maxWidth : kUnlimitedWidth) * fontScale;
    const double maxLayoutHeight = maxHeight * fontScale;

    QTextLayout layout(string, qfont, &layoutDevice());
    QTextOption option;
    option.setWrapMode(maxWidth > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                    : QTextOption::ManualWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    double top = 0;
    int restStart = -1;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(lineWidth);
        const bool tooMany =
            numberOfLines > 0 && static_cast<int>(result.lines.size()) == numberOfLines;
        const bool tooHigh =
            maxHeight > 0 && !result.lines.empty() && top + line.height() > maxLayoutHeight + 0.1;
        if (tooMany || tooHigh) {
            restStart = line.textStart();
            break;
        }
        Line entry;
        entry.text = trimmedEnd(string.mid(line.textStart(), line.textLength()));
        entry.width = line.naturalTextWidth() / fontScale;
        entry.top = top / fontScale;
        entry.ascent = line.ascent() / fontScale;
        entry.height = line.height() / fontScale;
        result.lines.push_back(entry);
        top += line.height();
    }
    layout.endLayout();

    if (restStart >= 0 && !result.lines.empty()) {
        // The last kept line runs on into the text left over and ends in an ellipsis where the
        // width runs out.
        result.truncated = true;
        Line& last = result.lines.back();
        const int lastStart = layout.lineAt(static_cast<int>(result.lines.size()) - 1).textStart();
        QString rest = string.mid(lastStart);
        rest.replace(QChar::LineSeparator, QLatin1Char(' '));
        const QFontMetricsF metrics(qfont, &layoutDevice());
        const double room = maxWidth > 0 ? maxWidth * fontScale : metrics.horizontalAdvance(rest);
        QString elided = metrics.elidedText(rest, Qt::ElideRight, room);
        if (elided == rest) {
            // Everything fits on the line but there were lines to drop: mark the cut.
            elided = metrics.elidedText(rest + QChar(0x2026), Qt::ElideRight, room);
        }
        last.text = elided;
        last.width = metrics.horizontalAdvance(elided) / fontScale;
    }
    for (const Line& line : result.lines) {
        result.size.width = std::max(result.size.width, line.width);
    }
    result.size.height = top / fontScale;
    return result;
}

void TextPainter::draw(QPainter& painter, const std::string& text, const Font& font,
                       const Color& color, const Rect& rect, TextAlignment alignment,
                       int numberOfLines) {
    const Layout laidOut = layout(text, font, rect.width(), numberOfLines, rect.height());
    const double top = rect.minY() + (rect.height() - laidOut.size.height) / 2;
    draw(painter, laidOut, font, color, {rect.minX(), top}, rect.width(), alignment);
}

void TextPainter::draw(QPainter& painter, const Layout& layout, const Font& font,
                       const Color& color, Point origin, double width, TextAlignment alignment) {
    if (layout.lines.empty() || color.alpha <= 0) {
        return;
    }
    painter.save();
    QPaintDevice* device = painter.device();
    painter.setFont(device ? qFont(font, *device) : qFont(font, kLayoutDpi));
    painter.setPen(QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                                    static_cast<float>(color.blue),
                                    static_cast<float>(color.alpha)));
    const QTransform base = painter.worldTransform();
    for (const Line& line : layout.lines) {
        const double x = origin.x + alignedX(alignment, width, line.width);
        QTransform placed = QTransform::fromScale(1 / fontScale, 1 / fontScale);
        placed *= QTransform::fromTranslate(x, origin.y + line.top + line.ascent);
        painter.setWorldTransform(placed * base);
        painter.drawText(QPointF(0, 0), line.text);
    }
    painter.restore();
}

}  // namespace quorvel::platform
