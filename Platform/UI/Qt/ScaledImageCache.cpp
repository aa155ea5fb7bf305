#include "Platform/UI/Qt/ScaledImageCache.h"

#include <list>
#include <memory>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/Qt/ImageBridge.h"

namespace quorvel::platform {
namespace {

struct Entry {
    std::weak_ptr<const Bitmap> bitmap;
    const Bitmap* identity = nullptr;
    ImageOrientation orientation = ImageOrientation::up;
    QSize size;
    QImage pixels;

    bool matches(const Image& image, QSize wanted) const {
        return identity == image.bitmap().get() && orientation == image.orientation() &&
               size == wanted && !bitmap.expired();
    }
    std::size_t bytes() const { return static_cast<std::size_t>(pixels.sizeInBytes()); }
};

struct Cache {
    // Most recently used first.
    std::list<Entry> entries;
    std::size_t bytes = 0;

    void dropExpired() {
        for (auto it = entries.begin(); it != entries.end();) {
            if (it->bitmap.expired()) {
                bytes -= it->bytes();
                it = entries.erase(it);
            } else {
                ++it;
            }
        }
    }
    void trimTo(std::size_t limit) {
        while (bytes > limit && !entries.empty()) {
            bytes -= entries.back().bytes();
            entries.pop_back();
        }
    }
};

bool isOpaque(const QImage& image) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_ARGB32) {
        return !image.hasAlphaChannel();
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) != 255) {
                return false;
            }
        }
    }
    return true;
}

Cache& cache() {
    static Cache instance;
    return instance;
}

}  // namespace

QImage ScaledImageCache::scaled(const Image& image, QSize size) {
    if (size.isEmpty() || !image.bitmap()) {
        return {};
    }
    Cache& c = cache();
    for (auto it = c.entries.begin(); it != c.entries.end(); ++it) {
        if (it->matches(image, size)) {
            c.entries.splice(c.entries.begin(), c.entries, it);
            return c.entries.front().pixels;
        }
    }
    const QImage displayed = ImageBridge::displayedQImage(image);
    if (displayed.size() == size) {
        // Shown pixel for pixel: nothing to keep (and the wrapper holds the image's pixels).
        return displayed;
    }
    QImage result = displayed.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (isOpaque(result)) {
        // Copied rather than blended when painted.
        result.reinterpretAsFormat(QImage::Format_RGB32);
    }
    const auto bytes = static_cast<std::size_t>(result.sizeInBytes());
    if (bytes <= budget / 2) {
        c.dropExpired();
        c.entries.push_front(
            Entry{image.bitmap(), image.bitmap().get(), image.orientation(), size, result});
        c.bytes += bytes;
        c.trimTo(budget);
    }
    return result;
}

std::size_t ScaledImageCache::byteCount() {
    return cache().bytes;
}

std::size_t ScaledImageCache::entryCount() {
    return cache().entries.size();
}

void ScaledImageCache::clear() {
    cache().entries.clear();
    cache().bytes = 0;
}

}  // namespace quorvel::platform
