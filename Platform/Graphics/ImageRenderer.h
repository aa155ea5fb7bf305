#pragma once

#include <memory>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace quorvel::platform {

// An image drawing context, as the phone platform opens one to draw an image in code: a Cairo
// context over a bitmap of ceil(size × scale) pixels in each direction, whose user space is in
// points with the origin at the top left and y downwards. Drawing blends over what is there
// (source-over).
//
// A scale of 0 means the main screen's (Screen::mainScale()). A size or scale that is not finite,
// a size that is not positive or a scale below 0 gives no context: isValid() is false, drawing does
// nothing and makeImage() gives nullptr. A transparent context starts transparent black; an opaque
// one starts opaque black and its images have no transparency (alpha is forced to full).
//
// One context belongs to one thread at a time.
class ImageRenderer {
public:
    ImageRenderer(Size size, bool opaque, double scale);
    ~ImageRenderer();

    ImageRenderer(const ImageRenderer&) = delete;
    ImageRenderer& operator=(const ImageRenderer&) = delete;

    bool isValid() const { return context_ != nullptr; }
    Size size() const { return size_; }
    bool isOpaque() const { return opaque_; }
    // The scale in use (the screen's when 0 was asked for).
    double scale() const { return scale_; }
    int pixelWidth() const;
    int pixelHeight() const;

    void setFillColor(const Color& color);
    void fillRect(const Rect& rect);
    // Draws the image as displayed (its orientation applied) stretched into the rectangle.
    void drawImage(const Image& image, const Rect& rect);

    // The Cairo context for anything else; nullptr when there is none. Its state (fill colour
    // aside) is the caller's to save and restore.
    cairo_t* cairo() const { return context_; }

    // A snapshot of what has been drawn so far, at the renderer's scale, orientation up; drawing
    // may go on afterwards. nullptr when there is no context.
    std::shared_ptr<Image> makeImage() const;

private:
    Size size_;
    bool opaque_;
    double scale_ = 0;
    Color fillColor_ = Color::black();
    std::shared_ptr<Bitmap> bitmap_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* context_ = nullptr;
};

}  // namespace quorvel::platform
