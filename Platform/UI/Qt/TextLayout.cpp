#include "Platform/UI/Qt/TextLayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <cmath>

#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/TextPainter.h"

namespace quorvel::platform {
namespace {

// Fonts need the window system's font database: start the application on first use if the host
// has not.
bool fontsAvailable() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || ApplicationHost::start();
}

}  // namespace

Size TextLayout::measure(const std::string& text, const Font& font, double maxWidth,
                         int numberOfLines) {
    if (!fontsAvailable()) {
        return {};
    }
    const Size size = TextPainter::layout(text, font, maxWidth, numberOfLines).size;
    return {std::ceil(size.width), std::ceil(size.height)};
}

double TextLayout::lineHeight(const Font& font) {
    if (!fontsAvailable() || font.pointSize() <= 0) {
        return 0;
    }
    // Measured at one pixel per point: a 72 dots-per-inch device.
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(2835);
    device.setDotsPerMeterY(2835);
    return QFontMetricsF(TextPainter::qFont(font, device), &device).height() /
           TextPainter::fontScale;
}

}  // namespace quorvel::platform
