#include "Platform/UI/Qt/ImageBridge.h"

#include <QTransform>
#include <cstring>
#include <utility>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {
namespace {

template <typename Owner>
void release(void* owner) {
    delete static_cast<Owner*>(owner);
}

// Unlocks the frame and lets it go when the last wrapper of its pixels is gone.
struct LockedFrame {
    std::shared_ptr<const PixelBuffer> buffer;
    ~LockedFrame() { buffer->unlockBaseAddress(); }
};

}  // namespace

QImage ImageBridge::qImage(std::shared_ptr<const Bitmap> bitmap) {
    if (!bitmap) {
        return {};
    }
    const Bitmap& pixels = *bitmap;
    auto* owner = new std::shared_ptr<const Bitmap>(std::move(bitmap));
    return QImage(pixels.data(), pixels.width(), pixels.height(),
                  static_cast<qsizetype>(pixels.bytesPerRow()), QImage::Format_ARGB32_Premultiplied,
                  release<std::shared_ptr<const Bitmap>>, owner);
}

QImage ImageBridge::qImage(const Image& image) {
    return qImage(image.bitmap());
}

QImage ImageBridge::displayedQImage(const Image& image) {
    QImage stored = qImage(image);
    if (image.orientation() == ImageOrientation::up || stored.isNull()) {
        return stored;
    }
    const AffineTransform t = image.orientationTransform();
    return stored.transformed(QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty));
}

QImage ImageBridge::qImage(std::shared_ptr<const PixelBuffer> buffer) {
    if (!buffer) {
        return {};
    }
    buffer->lockBaseAddress();
    if (buffer->pixelFormat() == PixelFormat::argb32) {
        // Bytes A, R, G, B: no Qt format matches, so the frame is converted.
        QImage converted(buffer->width(), buffer->height(), QImage::Format_RGB32);
        const std::uint8_t* base = buffer->baseAddress();
        for (int y = 0; y < buffer->height(); ++y) {
            const std::uint8_t* from = base + static_cast<std::size_t>(y) * buffer->bytesPerRow();
            auto* to = reinterpret_cast<QRgb*>(converted.scanLine(y));
            for (int x = 0; x < buffer->width(); ++x, from += 4) {
                to[x] = qRgb(from[1], from[2], from[3]);
            }
        }
        buffer->unlockBaseAddress();
        return converted;
    }
    const PixelBuffer& frame = *buffer;
    auto* owner = new LockedFrame{std::move(buffer)};
    return QImage(frame.baseAddress(), frame.width(), frame.height(),
                  static_cast<qsizetype>(frame.bytesPerRow()), QImage::Format_RGB32,
                  release<LockedFrame>, owner);
}

std::shared_ptr<Image> ImageBridge::image(const QImage& image, double scale) {
    if (image.isNull()) {
        return nullptr;
    }
    const QImage source = image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto bitmap = Bitmap::make(source.width(), source.height());
    if (!bitmap) {
        return nullptr;
    }
    const std::size_t rowBytes = bitmap->bytesPerRow();
    for (int y = 0; y < source.height(); ++y) {
        std::memcpy(bitmap->mutableData() + static_cast<std::size_t>(y) * rowBytes,
                    source.constScanLine(y), rowBytes);
    }
    return Image::make(std::move(bitmap), scale);
}

}  // namespace quorvel::platform
