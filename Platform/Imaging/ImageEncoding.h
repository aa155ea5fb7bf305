#pragma once

#include <cstddef>
#include <optional>

#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

// Encoding of bitmaps and page images.
class ImageEncoding {
public:
    ImageEncoding() = delete;

    // The page image as JPEG, as the phone platform's JPEG representation of an image: the
    // pixels as stored (not turned), with the image's orientation written as the EXIF
    // Orientation tag (an APP1 "Exif" segment right after the start-of-image marker) whenever
    // it is not up. Decoding such data with Image::fromEncodedData gives back the orientation.
    // `quality` runs from 0 (smallest) to 1 (best) and is clamped to that range. The JPEG has no
    // alpha: transparent parts come out as if drawn over black. nullopt when quality is not a
    // number or encoding fails.
    static std::optional<Data> jpegData(const Image& image, double quality);
    // The same for a bitmap, with the orientation given as an EXIF number (1 writes no tag);
    // nullopt for a number outside 1 to 8.
    static std::optional<Data> jpegData(const Bitmap& bitmap, double quality,
                                        int exifOrientation = 1);
    // No JPEG that jpegData makes of a picture of that many pixels, at any quality, is larger
    // than this many bytes (the encoder's own worst case: every coefficient coded at its
    // longest), EXIF segment included.
    static std::size_t maximumJpegSize(int width, int height);
    // A bound of the size of jpegData(bitmap, quality, exifOrientation) that is never below it
    // and rarely more than half above it, found by encoding bands of rows side by side on the
    // worker threads: the whole picture's data is the bands' data one after another, except for
    // the first DC difference of each band and where the bytes of value 255 (each followed by a
    // stuffed 0) fall, which are bounded. nullopt where jpegData gives nothing.
    static std::optional<std::size_t> jpegSizeBound(const Bitmap& bitmap, double quality,
                                                    int exifOrientation = 1);
};

}  // namespace quorvel::platform
