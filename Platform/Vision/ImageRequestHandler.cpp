#include "Platform/Vision/ImageRequestHandler.h"

#include <opencv2/core.hpp>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Vision/QuadGeometry.h"

namespace quorvel::platform {

namespace {

// Where a stored pixel position lands in the upright image. Positions are pixel centres, y down.
cv::Point2d toUpright(cv::Point2d p, ImageOrientation orientation, double storedWidth,
                      double storedHeight) {
    const Point upright = uprightTransform(orientation, Size{storedWidth - 1, storedHeight - 1})
                              .apply(Point{p.x, p.y});
    return {upright.x, upright.y};
}

}  // namespace

ImageRequestHandler::ImageRequestHandler(std::shared_ptr<const PixelBuffer> pixelBuffer,
                                         ImageOrientation orientation, Options options)
    : pixelBuffer_(std::move(pixelBuffer)), orientation_(orientation), options_(options) {}

ImageRequestHandler::ImageRequestHandler(std::shared_ptr<const Bitmap> bitmap)
    : bitmap_(std::move(bitmap)) {}

bool ImageRequestHandler::perform(
    const std::vector<std::shared_ptr<RectangleDetectionRequest>>& requests,
    std::optional<VisionError>* error) {
    auto fail = [&](std::string message) {
        VisionError failure{std::move(message)};
        for (const auto& request : requests) request->complete(std::nullopt, failure);
        if (error) *error = failure;
        return false;
    };
    // The search reads the pixels where they are, in their own byte order.
    cv::Mat pixels;
    ChannelOrder order = ChannelOrder::bgra;
    if (pixelBuffer_) {
        pixelBuffer_->lockBaseAddress();
        pixels = pixelBuffer_->asMat();
        if (pixelBuffer_->pixelFormat() == PixelFormat::argb32) order = ChannelOrder::argb;
    } else if (bitmap_) {
        pixels = cv::Mat(bitmap_->height(), bitmap_->width(), CV_8UC4,
                         const_cast<std::uint8_t*>(bitmap_->data()), bitmap_->bytesPerRow());
    } else {
        return fail("There is no image to analyze.");
    }

    // The search runs on the pixels as stored, and its corners are carried into the upright
    // image: turning the pixels themselves would cost more than the search.
    const bool turned = Image::swapsWidthAndHeight(orientation_);
    const double uprightWidth = turned ? pixels.rows : pixels.cols;
    const double uprightHeight = turned ? pixels.cols : pixels.rows;
    for (const auto& request : requests) {
        std::vector<RectangleObservation> observations;
        for (const auto& found : findQuadrilaterals(pixels, request->settings(), order)) {
            vision::Quad upright;
            for (std::size_t i = 0; i < 4; ++i) {
                upright[i] = toUpright(found.corners[i], orientation_, pixels.cols, pixels.rows);
            }
            upright = vision::orderCorners(upright);
            auto normalized = [&](cv::Point2d p) {
                return Point{(p.x + 0.5) / uprightWidth, 1.0 - (p.y + 0.5) / uprightHeight};
            };
            observations.push_back({normalized(upright[0]), normalized(upright[1]),
                                    normalized(upright[3]), normalized(upright[2]),
                                    static_cast<float>(found.confidence)});
        }
        request->complete(std::move(observations), std::nullopt);
    }
    if (pixelBuffer_) pixelBuffer_->unlockBaseAddress();
    return true;
}

}  // namespace quorvel::platform
