#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
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

// Why a file or encoded data gave no image (see Image::contentsOfFile).
struct ImageFailure {
    enum class Kind {
        // Missing, not a regular file, or not permitted: nothing was read.
        unreadable,
        // Neither a JPEG nor a PNG.
        notAnImage,
        // A JPEG or PNG that is cut short or corrupt.
        damaged,
        // A file over Image::maximumFileSize, a picture over Image::maximumDecodedPixels or
        // Bitmap::maximumDimension on a side, or one there is no memory for.
        tooLarge,
    };
    Kind kind = Kind::unreadable;
    // One sentence, such as "The JPEG data is truncated or corrupt (Premature end of JPEG file)."
    std::string reason;
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

    // The largest picture file that is read: 256 MB (268435456 bytes), far beyond any photo's
    // JPEG or PNG at maximumDecodedPixels. A larger file is refused from its size before any of
    // it is read.
    static constexpr std::uintmax_t maximumFileSize = std::uintmax_t{256} << 20;

    // The image in a file, whatever its name says: JPEG and PNG are recognised by their content.
    // Scale 1. A JPEG's EXIF orientation becomes the image's orientation with the pixels left as
    // stored, as the phone platform does. nullptr when the file is missing or unreadable, is
    // larger than maximumFileSize, is not a JPEG or PNG, is truncated or corrupt (a JPEG that
    // decodes only with warnings counts as corrupt), or has more than maximumDecodedPixels pixels.
    // Decoding takes the bitmap's memory and little more: JPEG and PNG rows of any depth and
    // colour type are decoded straight into the bitmap's pixels. A PNG is read no further than its
    // last row: compressed data that runs on past the picture (a small file can hold gigabytes of
    // it) is not inflated, and what follows it, damaged or cut short, does not matter.
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path);
    // The same, telling why there is no image when `failure` is not null. A reader that needs
    // fewer pixels (an icon) passes a lower `maximumPixels`, checked from the header as well.
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path,
                                                 ImageFailure* failure,
                                                 std::int64_t maximumPixels = maximumDecodedPixels);
    static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path,
                                                 std::string* failure);
    // The same with the pixels turned upright while they are decoded (the image's orientation is
    // then up), for a reader that wants the picture as it is shown: the turn needs no second
    // bitmap.
    static std::shared_ptr<Image> uprightContentsOfFile(const std::filesystem::path& path,
                                                        ImageFailure* failure);
    // The stored pixel size of the picture in a file, from its header alone: no pixel is decoded
    // and, most often, no more than the first 64 KB is read. None, with the reason, for whatever
    // contentsOfFile refuses before it decodes pixels (a file that cannot be read or is too
    // large, not a JPEG or PNG, a header that cannot be read, too many pixels); pixels that turn
    // out cut short or corrupt are only found by decoding them.
    static std::optional<Size> pixelSizeOfFile(const std::filesystem::path& path,
                                               ImageFailure* failure);
    // The same from encoded bytes (at most maximumFileSize of them).
    static std::shared_ptr<Image> fromEncodedData(std::span<const std::uint8_t> data);
    static std::shared_ptr<Image> fromEncodedData(std::span<const std::uint8_t> data,
                                                  ImageFailure* failure);
    // `failure` (when not null) receives the reason alone.
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
