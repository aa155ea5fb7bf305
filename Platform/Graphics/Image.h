#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

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

    // The most pixels (width × height) a JPEG or PNG may have to be decoded: 100 million, eight
    // times a 12-megapixel photo. A larger picture is refused from its header, before any pixel
    // memory is taken: a small file can claim an enormous picture.
    static constexpr std::int64_t maximumDecodedPixels = 100'000'000;

    // The image in a file, whatever its name says: JPEG and PNG are recognised by their content.
    // Scale 1. A JPEG's EXIF orientation becomes the image's orientation with the pixels left as
    // stored, as the phone platform does. nullptr when the file is missing or unreadable, is not
    // a JPEG or PNG, is truncated or corrupt (a JPEG that decodes only with warnings counts as
    // corrupt), or has more than maximumDecodedPixels pixels.
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path);
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path,
                                                 std::string* failure);
    // The same from encoded bytes.
    static std::shared_ptr<Image> fromEncodedData(std::span<const std::uint8_t> data);
    // The same, telling why there is no image: `failure` (when not null) receives a sentence
    // such as "The JPEG data is truncated or corrupt (Premature end of JPEG file)."
    static std::shared_ptr<Image> fromEncodedData(std::span<const std::uint8_t> data,
                                                  std::string* failure);

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
