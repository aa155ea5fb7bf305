#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/UI/Qt/ViewPainter.h"
#include "Platform/UI/View.h"

namespace quorvel::platform::testing {

// A rendered view read back in points: pixel(x, y) is the colour at the centre of the device
// pixel that holds point (x, y).
struct Rendering {
    QImage image;
    double scale = 1;

    QColor at(double x, double y) const {
        const int px = static_cast<int>(std::floor(x * scale));
        const int py = static_cast<int>(std::floor(y * scale));
        return image.pixelColor(px, py);
    }
};

inline Rendering render(const View& view, double scale = 1) {
    return Rendering{ViewPainter::render(view, scale), scale};
}

// Whether two colours agree within `tolerance` per 8-bit component (alpha included).
inline ::testing::AssertionResult near(const QColor& actual, const QColor& expected,
                                       int tolerance = 3) {
    const bool close = std::abs(actual.red() - expected.red()) <= tolerance &&
                       std::abs(actual.green() - expected.green()) <= tolerance &&
                       std::abs(actual.blue() - expected.blue()) <= tolerance &&
                       std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (close) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "rgba(" << actual.red() << ", " << actual.green() << ", " << actual.blue() << ", "
           << actual.alpha() << ") is not rgba(" << expected.red() << ", " << expected.green()
           << ", " << expected.blue() << ", " << expected.alpha() << ")";
}

inline QColor rgba(int r, int g, int b, int a = 255) {
    return QColor(r, g, b, a);
}
inline const QColor transparent = QColor(0, 0, 0, 0);

// An image of `width` × `height` pixels whose pixel colours `colour(x, y)` chooses.
inline std::shared_ptr<Image> makeImage(int width, int height,
                                        const std::function<Color(int, int)>& colour,
                                        double scale = 1) {
    auto bitmap = Bitmap::make(width, height);
    auto* words = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            words[y * width + x] = Bitmap::premultipliedARGB(colour(x, y));
        }
    }
    return Image::make(std::move(bitmap), scale);
}

// A BGRA camera frame whose pixel colours `colour(x, y)` chooses.
inline std::shared_ptr<PixelBuffer> makeFrame(int width, int height,
                                              const std::function<Color(int, int)>& colour) {
    auto frame = PixelBuffer::make(width, height, PixelFormat::bgra32);
    frame->lockBaseAddress();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row =
            frame->baseAddress() + static_cast<std::size_t>(y) * frame->bytesPerRow();
        for (int x = 0; x < width; ++x) {
            const Color c = colour(x, y);
            row[4 * x + 0] = static_cast<std::uint8_t>(std::lround(c.blue * 255));
            row[4 * x + 1] = static_cast<std::uint8_t>(std::lround(c.green * 255));
            row[4 * x + 2] = static_cast<std::uint8_t>(std::lround(c.red * 255));
            row[4 * x + 3] = 255;
        }
    }
    frame->unlockBaseAddress();
    return frame;
}

inline constexpr Color red{1, 0, 0, 1};
inline constexpr Color green{0, 1, 0, 1};
inline constexpr Color blue{0, 0, 1, 1};

}  // namespace quorvel::platform::testing
