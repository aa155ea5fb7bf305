#include "Platform/Graphics/ImageRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Platform/Graphics/Screen.h"

namespace quorvel::platform {

namespace {

// Pixels for a length in points; lengths within a millionth of a whole pixel round to it, so that
// 1.1 points at scale 10 make 11 pixels, not 12.
double pixelsFor(double points, double scale) {
    return std::max(1.0, std::ceil(points * scale - 1e-6));
}

bool isFinite(const Rect& rect) {
    return std::isfinite(rect.origin.x) && std::isfinite(rect.origin.y) &&
           std::isfinite(rect.size.width) && std::isfinite(rect.size.height);
}

}  // namespace

ImageRenderer::ImageRenderer(Size size, bool opaque, double scale) : size_(size), opaque_(opaque) {
    if (!std::isfinite(size.width) || !std::isfinite(size.height) || !(size.width > 0) ||
        !(size.height > 0) || !std::isfinite(scale) || scale < 0) {
        return;
    }
    scale_ = scale == 0 ? Screen::mainScale() : scale;
    const double width = pixelsFor(size.width, scale_);
    const double height = pixelsFor(size.height, scale_);
    if (width > Bitmap::maximumDimension || height > Bitmap::maximumDimension) {
        return;
    }
    bitmap_ = Bitmap::make(static_cast<int>(width), static_cast<int>(height));
    if (!bitmap_) {
        return;
    }
    surface_ = cairo_image_surface_create_for_data(bitmap_->mutableData(), CAIRO_FORMAT_ARGB32,
                                                   bitmap_->width(), bitmap_->height(),
                                                   static_cast<int>(bitmap_->bytesPerRow()));
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        bitmap_.reset();
        return;
    }
    cairo_t* context = cairo_create(surface_);
    if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(context);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        bitmap_.reset();
        return;
    }
    context_ = context;
    if (opaque_) {
        cairo_set_source_rgb(context_, 0, 0, 0);
        cairo_paint(context_);
    }
    cairo_scale(context_, scale_, scale_);
}

ImageRenderer::~ImageRenderer() {
    if (context_ != nullptr) {
        cairo_destroy(context_);
    }
    if (surface_ != nullptr) {
        cairo_surface_destroy(surface_);
    }
}

int ImageRenderer::pixelWidth() const {
    return bitmap_ ? bitmap_->width() : 0;
}

int ImageRenderer::pixelHeight() const {
    return bitmap_ ? bitmap_->height() : 0;
}

void ImageRenderer::setFillColor(const Color& color) {
    fillColor_ = color;
}

void ImageRenderer::fillRect(const Rect& rect) {
    if (context_ == nullptr || !isFinite(rect) || rect.isEmpty()) {
        return;
    }
    const Rect r = rect.standardized();
    cairo_save(context_);
    cairo_set_operator(context_, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgba(context_, fillColor_.red, fillColor_.green, fillColor_.blue,
                          fillColor_.alpha);
    cairo_rectangle(context_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    cairo_fill(context_);
    cairo_restore(context_);
}

void ImageRenderer::drawImage(const Image& image, const Rect& rect) {
    if (context_ == nullptr || !isFinite(rect) || rect.isEmpty()) {
        return;
    }
    const Bitmap& bitmap = *image.bitmap();
    // Cairo only reads from a surface used as a source.
    cairo_surface_t* source = cairo_image_surface_create_for_data(
        const_cast<std::uint8_t*>(bitmap.data()), CAIRO_FORMAT_ARGB32, bitmap.width(),
        bitmap.height(), static_cast<int>(bitmap.bytesPerRow()));
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        return;
    }

    const bool swapped = Image::swapsWidthAndHeight(image.orientation());
    const double displayedWidth = swapped ? bitmap.height() : bitmap.width();
    const double displayedHeight = swapped ? bitmap.width() : bitmap.height();
    const AffineTransform orientation = image.orientationTransform();
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, orientation.a, orientation.b, orientation.c, orientation.d,
                      orientation.tx, orientation.ty);

    const Rect r = rect.standardized();
    cairo_save(context_);
    cairo_set_operator(context_, CAIRO_OPERATOR_OVER);
    // Points of the rectangle → displayed pixels → stored pixels.
    cairo_translate(context_, r.origin.x, r.origin.y);
    cairo_scale(context_, r.size.width / displayedWidth, r.size.height / displayedHeight);
    cairo_transform(context_, &matrix);
    cairo_set_source_surface(context_, source, 0, 0);
    // Stretched images keep solid edges instead of fading into transparency.
    cairo_pattern_set_extend(cairo_get_source(context_), CAIRO_EXTEND_PAD);
    cairo_rectangle(context_, 0, 0, bitmap.width(), bitmap.height());
    cairo_fill(context_);
    cairo_restore(context_);
    cairo_surface_destroy(source);
}

std::shared_ptr<Image> ImageRenderer::makeImage() const {
    if (context_ == nullptr) {
        return nullptr;
    }
    cairo_surface_flush(surface_);
    auto copy = Bitmap::copy(*bitmap_);
    if (!copy) {
        return nullptr;
    }
    if (opaque_) {
        std::uint8_t* pixels = copy->mutableData();
        for (std::size_t offset = 0; offset < copy->byteCount(); offset += 4) {
            std::uint32_t word = 0;
            std::memcpy(&word, pixels + offset, sizeof word);
            word |= 0xff000000u;
            std::memcpy(pixels + offset, &word, sizeof word);
        }
    }
    return Image::make(std::move(copy), scale_);
}

}  // namespace quorvel::platform
