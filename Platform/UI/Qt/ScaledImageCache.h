#pragma once

#include <QImage>
#include <QSize>
#include <cstddef>

namespace quorvel::platform {

class Image;

// Images scaled to the device pixels they cover on screen, kept for repainting, as the phone
// platform keeps a layer's rendered contents: the first paint of an image view scales its image
// smoothly once, later paints only copy the pixels. An entry lives as long as its image (images
// are immutable) and while the cache stays within its budget; the least recently used go first.
// Part of the Qt backend; main thread only.
class ScaledImageCache {
public:
    ScaledImageCache() = delete;

    // Up to this many bytes of scaled pixels are kept; a single image above half of it is
    // scaled every time instead.
    static constexpr std::size_t budget = 96u << 20;

    // The image as displayed (its orientation applied), scaled smoothly to exactly `size`
    // pixels; a null image when it has no pixels or `size` is empty.
    static QImage scaled(const Image& image, QSize size);

    static std::size_t byteCount();
    static std::size_t entryCount();
    static void clear();
};

}  // namespace quorvel::platform
