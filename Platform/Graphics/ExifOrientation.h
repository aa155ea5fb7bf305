#pragma once

#include <optional>

#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

// EXIF orientation numbers (1 to 8, the TIFF/EXIF "Orientation" tag, which the phone platform
// also uses for its image property orientation) and their page-image counterparts:
//
//   1 up            2 upMirrored     3 down           4 downMirrored
//   5 leftMirrored  6 right          7 rightMirrored  8 left
//
// An orientation says how the stored pixels must be transformed to display upright: 6 means the
// stored picture has to be turned 90° clockwise (a portrait photo taken with the sensor held
// sideways).
//
// ImageOrientation is the one orientation type; EXIF numbers appear only where a file or an
// interface speaks them, translated by the two functions below. What an orientation does to the
// pixels is uprightTransform(); every turn, flip and coordinate conversion is derived from it.

// The EXIF number of a page-image orientation.
int exifOrientation(ImageOrientation orientation);

// The page-image orientation of an EXIF number; nullopt outside 1 to 8.
std::optional<ImageOrientation> imageOrientationFromExif(int exifOrientation);

// Where a point of the stored picture lands once the picture is shown upright as `orientation`
// says. Coordinates have their origin at the top left and y down; `storedSize` is the stored
// picture's width and height (give the size less one pixel to map pixel centres, 1 × 1 to map
// normalized coordinates).
AffineTransform uprightTransform(ImageOrientation orientation, Size storedSize);

}  // namespace quorvel::platform
