#pragma once

#include <cstdint>
#include <memory>
#include <opencv2/core.hpp>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

class FilterImage;
class PixelBuffer;

// A filter input: a number, a vector (a point) or an image.
using FilterValue = std::variant<double, Point, std::shared_ptr<const FilterImage>>;
// Filter inputs by key, set in the order given.
using FilterParameters = std::vector<std::pair<std::string, FilterValue>>;

// What an image made from encoded data knows about itself.
struct ImageProperties {
    // The EXIF orientation tag of the data (1 to 8); 1 when the data carries none, and for every
    // image that was not made from encoded data.
    int orientation = 1;
};

// The filterable image, standing in for the phone platform's Core Image image: immutable, shared
// as std::shared_ptr<const FilterImage>, safe to read from any thread.
//
// Coordinates are those of Core Image: pixels, ORIGIN AT THE LOWER LEFT, y growing upward. The
// extent is the rectangle the image covers in that space; the pixel at the top-left of a bitmap
// covers the square (0, height − 1, 1, 1) of an image made from it.
//
// Unlike Core Image, which records a recipe and renders lazily, every operation here computes its
// pixels at once. The pixels always cover exactly the extent, which therefore always has a whole
// number of pixels on each side and whole-pixel coordinates. Operations never fail by throwing:
// they answer nullptr.
//
// Colour: pixels are 8-bit sRGB with premultiplied alpha and filters work on those values directly
// (Core Image's default context converts to a linear working space first; colour arithmetic here
// is therefore a little different in mid-tones, the same at black and white).
class FilterImage : public std::enable_shared_from_this<FilterImage> {
public:
    // The page image's bitmap AS STORED: as on the phone platform, making a filterable image from
    // a page image does NOT apply the page image's orientation (nor its scale): the extent is
    // (0, 0, pixel width, pixel height) of the stored bitmap. Apply the orientation with
    // `oriented(exifOrientation(image.orientation()))`. The pixels are shared, not copied.
    static std::shared_ptr<const FilterImage> fromImage(const Image& image);
    // A bitmap's pixels, shared (a bitmap is not changed once handed on), with the extent's
    // lower-left corner at `origin` (whole pixels). nullptr for nullptr.
    static std::shared_ptr<const FilterImage> fromBitmap(std::shared_ptr<const Bitmap> bitmap,
                                                         Point origin = {});
    // A copy of a pixel buffer's pixels, extent (0, 0, width, height); the first row of the
    // buffer is the top of the image. The buffer's alpha byte is taken as premultiplied alpha
    // (buffers drawn with PixelBuffer::drawImage have it at 255). Locks the buffer while copying.
    static std::shared_ptr<const FilterImage> fromPixelBuffer(const PixelBuffer& buffer);
    // Decodes a JPEG or PNG (Image::fromEncodedData). As Core Image does by default, the pixels
    // come as stored: the EXIF orientation is reported in properties().orientation but NOT
    // applied. nullptr when the data is not such an image, is truncated or corrupt, or has too
    // many pixels.
    static std::shared_ptr<const FilterImage> fromData(std::span<const std::uint8_t> data);
    // Takes over OpenCV pixels: CV_8UC4, premultiplied B, G, R, A bytes, rows top-down; the
    // extent starts at `origin` (whole pixels). The caller must not change the pixels afterwards.
    // nullptr for another type or an empty matrix.
    static std::shared_ptr<const FilterImage> fromPixels(cv::Mat premultipliedBGRA,
                                                         Point origin = {});

    // The covered rectangle, lower-left origin.
    Rect extent() const;
    const ImageProperties& properties() const { return properties_; }
    // The pixels (CV_8UC4, premultiplied B, G, R, A bytes, rows top-down: row 0 is the extent's
    // top, at maxY). Read only: they may be shared with a bitmap or with other images.
    const cv::Mat& pixels() const { return pixels_; }

    // The image transformed so that a picture stored with that EXIF orientation displays upright
    // (6: turned 90° clockwise; see ExifOrientation.h). Exact pixel moves, no resampling. The
    // result's extent starts at (0, 0), width and height swapped for 5 to 8. nullptr outside 1–8.
    std::shared_ptr<const FilterImage> oriented(int exifOrientation) const;
    // The part of the image inside `rect`, which is first rounded outward to whole pixels. As in
    // Core Image the coordinates are kept: the extent is the intersection, not moved to (0, 0).
    // nullptr when nothing is left (or the rectangle is not a number).
    std::shared_ptr<const FilterImage> cropped(const Rect& rect) const;
    // The image moved by an affine transform of its (lower-left origin) coordinate space. The
    // extent becomes the bounding box of the transformed extent, rounded outward to whole
    // pixels; whole-pixel translations move pixels exactly, anything else samples bilinearly,
    // with transparency outside the source. nullptr for a singular or non-finite transform or a
    // result larger than Bitmap::maximumDimension.
    std::shared_ptr<const FilterImage> transformed(const AffineTransform& transform) const;
    // Applies the named filter (see Filter) to this image with the other inputs given, as Core
    // Image's imageByApplyingFilter:withInputParameters: does. nullptr for an unknown filter or
    // key, or when the filter gives no output.
    std::shared_ptr<const FilterImage> applyingFilter(std::string_view filterName,
                                                      const FilterParameters& parameters) const;

    // The whole extent rendered into a bitmap (RenderContext::createBitmap with the extent).
    std::shared_ptr<const Bitmap> toBitmap() const;

    // The bitmap this image was made from, when it is exactly that bitmap's pixels (made by
    // fromBitmap or fromImage, unchanged since): rendering it whole gives that bitmap itself.
    const std::shared_ptr<const Bitmap>& wholeBitmap() const { return wholeBitmap_; }

private:
    FilterImage(cv::Mat pixels, int x, int y, std::shared_ptr<const void> owner,
                ImageProperties properties);
    static std::shared_ptr<const FilterImage> make(cv::Mat pixels, int x, int y,
                                                   std::shared_ptr<const void> owner = nullptr,
                                                   ImageProperties properties = {});

    cv::Mat pixels_;
    // Lower-left corner of the extent, in whole pixels; the size is the matrix's.
    int x_;
    int y_;
    // Keeps alive memory the matrix borrows (a bitmap's pixels), or nothing.
    std::shared_ptr<const void> owner_;
    ImageProperties properties_;
    std::shared_ptr<const Bitmap> wholeBitmap_;
};

}  // namespace quorvel::platform
