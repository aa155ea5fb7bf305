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

AffineTransform uprightTransform(ImageOrientation orientation, Size storedSize) {
    const double w = storedSize.width;
    const double h = storedSize.height;
    switch (orientation) {
        case ImageOrientation::up:
            return AffineTransform::identity();
        case ImageOrientation::down:  // turned 180°
            return AffineTransform{-1, 0, 0, -1, w, h};
        case ImageOrientation::left:  // turned 90° anticlockwise
            return AffineTransform{0, -1, 1, 0, 0, w};
        case ImageOrientation::right:  // turned 90° clockwise
            return AffineTransform{0, 1, -1, 0, h, 0};
        case ImageOrientation::upMirrored:  // flipped left to right
            return AffineTransform{-1, 0, 0, 1, w, 0};
        case ImageOrientation::downMirrored:  // flipped top to bottom
            return AffineTransform{1, 0, 0, -1, 0, h};
        case ImageOrientation::leftMirrored:  // rows become columns
            return AffineTransform{0, 1, 1, 0, 0, 0};
        case ImageOrientation::rightMirrored:  // rows become columns, read backwards
            return AffineTransform{0, -1, -1, 0, h, w};
    }
    return AffineTransform::identity();
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
