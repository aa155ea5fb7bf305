#include "Platform/Graphics/ExifOrientation.h"

namespace quorvel::platform {

int exifOrientation(ImageOrientation orientation) {
    switch (orientation) {
        case ImageOrientation::up:
            return 1;
        case ImageOrientation::upMirrored:
            return 2;
        case ImageOrientation::down:
            return 3;
        case ImageOrientation::downMirrored:
            return 4;
        case ImageOrientation::leftMirrored:
            return 5;
        case ImageOrientation::right:
            return 6;
        case ImageOrientation::rightMirrored:
            return 7;
        case ImageOrientation::left:
            return 8;
    }
    return 1;
}

std::optional<ImageOrientation> imageOrientationFromExif(int exifOrientation) {
    switch (exifOrientation) {
        case 1:
            return ImageOrientation::up;
        case 2:
            return ImageOrientation::upMirrored;
        case 3:
            return ImageOrientation::down;
        case 4:
            return ImageOrientation::downMirrored;
        case 5:
            return ImageOrientation::leftMirrored;
        case 6:
            return ImageOrientation::right;
        case 7:
            return ImageOrientation::rightMirrored;
        case 8:
            return ImageOrientation::left;
        default:
            return std::nullopt;
    }
}

}  // namespace quorvel::platform
