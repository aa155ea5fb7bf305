#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Vision/RectangleDetectionRequest.h"
#include "Platform/Vision/VisionError.h"

namespace quorvel::platform {

// Performs vision requests on one image: a pixel buffer with an orientation, or a bitmap.
//
// Orientation, as on the phone platform: how the buffer's stored pixels must be turned to be
// upright (right: turned 90° clockwise, left: 90° counter-clockwise, down: 180°, the mirrored
// cases flipped as well; see ExifOrientation.h). Requests work on the upright image, and
// observations are normalized to it: 0 to 1 on both axes, origin at the lower left, y up, the
// corners named as the rectangle sits in the upright image. A bitmap is taken as upright.
//
// The camera's intrinsic matrix may be given (it describes the lens); the rectangle search does
// not need it and ignores it.
class ImageRequestHandler {
public:
    struct Options {
        std::optional<FloatMatrix3x3> cameraIntrinsics;
    };

    ImageRequestHandler(std::shared_ptr<const PixelBuffer> pixelBuffer,
                        ImageOrientation orientation, Options options = {});
    explicit ImageRequestHandler(std::shared_ptr<const Bitmap> bitmap);

    // Performs each request in turn; each request's completion handler runs before perform
    // returns. False, with `error` set, when there is no image to read; the requests then
    // complete with that error.
    bool perform(const std::vector<std::shared_ptr<RectangleDetectionRequest>>& requests,
                 std::optional<VisionError>* error = nullptr);

private:
    std::shared_ptr<const PixelBuffer> pixelBuffer_;
    std::shared_ptr<const Bitmap> bitmap_;
    ImageOrientation orientation_ = ImageOrientation::up;
    Options options_;
};

}  // namespace quorvel::platform
