#pragma once

#include <QImage>
#include <memory>

namespace quorvel::platform {

class Bitmap;
class Image;
class PixelBuffer;

// Hands the platform's pixels to Qt and back. Part of the Qt backend. The wrappers share the
// pixels instead of copying them: a bitmap's premultiplied 0xAARRGGBB words are Qt's
// Format_ARGB32_Premultiplied, and a BGRA camera frame is Format_RGB32 (its alpha is opaque). A
// wrapper keeps what it wraps alive, and a pixel buffer locked, for as long as it (or a copy of
// it) exists, and is read-only: drawing into it would detach a copy.
class ImageBridge {
public:
    ImageBridge() = delete;

    static QImage qImage(std::shared_ptr<const Bitmap> bitmap);
    // The image's stored pixels, its orientation not applied (a painter applies it; see
    // Image::orientationTransform()).
    static QImage qImage(const Image& image);
    // The image as displayed: the stored pixels when its orientation is up, else a turned copy.
    static QImage displayedQImage(const Image& image);
    // A camera frame. BGRA frames are wrapped; ARGB frames are converted into a new image.
    static QImage qImage(std::shared_ptr<const PixelBuffer> buffer);

    // A copy of a Qt image as a platform image of that scale (pixels per point); nullptr for a
    // null image.
    static std::shared_ptr<Image> image(const QImage& image, double scale = 1);
};

}  // namespace quorvel::platform
