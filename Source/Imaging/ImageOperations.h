#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel {

// The stateless image operations of the capture flow: conversion for rectangle detection, the
// document filter chain (greyscale, then sharpen), cropping, width fitting and turning a picked
// photo upright. Each returns a new image, or nothing after logging its failure.
struct ImageOperations {
    // The picture as a bitmap, rendered from its filterable image (the pixels as stored).
    static std::shared_ptr<const platform::Bitmap> convertToCGImage(const platform::Image& image);

    // A 32-bit ARGB pixel buffer of the image's size in points, the image drawn upright in it.
    static std::shared_ptr<platform::PixelBuffer> toCVPixelBuffer(const platform::Image& image);

    // The part inside `rect` (pixels of the rendered bitmap); none outside the image.
    static std::shared_ptr<platform::Image> crop(const platform::Image& image,
                                                 const platform::Rect& toRect);

    // Scaled uniformly so that its height is the larger of the target height and the height the
    // target width gives.
    static std::shared_ptr<platform::Image> scaledForWidth(const platform::Image& image,
                                                           platform::Size targetSize);

    // Greyscale, then sharpened.
    static std::shared_ptr<platform::Image> applyFilters(const platform::Image& image);

    // Saturation 0, for pictures whose full-quality JPEG is at most 10 MiB: the size check
    // (grayscaleSizeAllowed), then the grey copy (grayscaleOfAllowedSize).
    static std::shared_ptr<platform::Image> toGrayscale(const platform::Image& image);
    // Whether toGrayscale takes the picture: its JPEG at quality 1.0 is at most
    // maximumGrayscaleJPEGSize bytes. A refusal is logged as toGrayscale logs it.
    static bool grayscaleSizeAllowed(const platform::Image& image);
    // toGrayscale's grey copy, made without the size check.
    static std::shared_ptr<platform::Image> grayscaleOfAllowedSize(const platform::Image& image);

    // Upright for the down, left and right orientations; every other image comes back itself.
    static std::shared_ptr<platform::Image> orientPhotoPortrait(
        const std::shared_ptr<platform::Image>& image);

    // A page image of a filterable image, rendered over its whole extent (scale 1, up).
    static std::shared_ptr<platform::Image> imageFromFilterImage(
        const platform::FilterImage& image);

    static constexpr std::size_t maximumGrayscaleJPEGSize = 10485760;

private:
    static std::shared_ptr<platform::Image> sharpen(const std::shared_ptr<platform::Image>& image);
};

// The number conversions between single precision and the graphics type (double).
inline double cgFloat(float value) {
    return value;
}
inline float toFloat(double value) {
    return static_cast<float>(value);
}

}  // namespace quorvel
