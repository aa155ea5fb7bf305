#pragma once

#include <memory>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Imaging/FilterImage.h"

namespace quorvel::platform {

// The context that renders filterable images into bitmaps, standing in for the phone platform's
// Core Image context. It keeps no state; one may be made per call, as the framework does, or
// shared between threads.
class RenderContext {
public:
    RenderContext() = default;

    // The part of `image` inside `fromRect` (the image's coordinates: pixels, lower-left origin)
    // as a bitmap, as createCGImage:fromRect: does. The rectangle is rounded outward to whole
    // pixels (coordinates within a millionth of a whole pixel count as whole) and gives the
    // bitmap's size; rows run top-down, so the pixel at the rectangle's upper-left corner becomes
    // the bitmap's (0, 0). Parts of the rectangle outside the image's extent are transparent.
    // nullptr for an empty rectangle, one that is not finite (the platform's infinite rectangle
    // included) or one larger than Bitmap::maximumDimension.
    std::shared_ptr<const Bitmap> createBitmap(const FilterImage& image,
                                               const Rect& fromRect) const;
};

}  // namespace quorvel::platform
