#pragma once

#include <filesystem>
#include <memory>
#include <span>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// How the stored pixels are turned for display, with the phone platform's names and raw values.
// "right" means the picture is shown turned 90° clockwise from the way it is stored (a portrait
// photo of a landscape camera sensor); the mirrored cases also flip it. The matching EXIF
// orientations are up 1, down 3, left 8, right 6, upMirrored 2, downMirrored 4, leftMirrored 5,
// rightMirrored 7.
enum class ImageOrientation {
    up = 0,
    down = 1,
    left = 2,
    right = 3,
    upMirrored = 4,
    downMirrored = 5,
    leftMirrored = 6,
    rightMirrored = 7,
};

// The platform's page image: an immutable bitmap with a scale (pixels per point) and an
// orientation. Shared as std::shared_ptr<Image>.
class Image {
public:
    // nullptr when there is no bitmap or the scale is not a positive finite number.
    static std::shared_ptr<Image> make(std::shared_ptr<const Bitmap> bitmap, double scale = 1,
                                       ImageOrientation orientation = ImageOrientation::up);

    // The image in a file, whatever its name says: PNG and JPEG are recognised by their content
    // (and whatever else OpenCV decodes). Scale 1. A JPEG's EXIF orientation becomes the image's
    // orientation with the pixels left as stored, as the phone platform does. nullptr when the
    // file is missing, unreadable or not an image.
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path);
    // The same from encoded bytes.
    static std::shared_ptr<Image> fromEncodedData(std::span<const std::uint8_t> data);

    const std::shared_ptr<const Bitmap>& bitmap() const { return bitmap_; }
    double scale() const { return scale_; }
    ImageOrientation orientation() const { return orientation_; }

    // The size in points as displayed: pixel size ÷ scale, width and height swapped for the
    // left and right orientations (mirrored or not).
    Size size() const;
    // Maps stored pixel coordinates to displayed pixel coordinates (origin top left).
    AffineTransform orientationTransform() const;
    // True for left, right, leftMirrored and rightMirrored.
    static bool swapsWidthAndHeight(ImageOrientation orientation);

private:
    Image(std::shared_ptr<const Bitmap> bitmap, double scale, ImageOrientation orientation);

    std::shared_ptr<const Bitmap> bitmap_;
    double scale_;
    ImageOrientation orientation_;
};

}  // namespace quorvel::platform
