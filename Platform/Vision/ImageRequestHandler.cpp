#include "Platform/Vision/ImageRequestHandler.h"

#include <opencv2/core.hpp>

#include "Platform/Vision/QuadGeometry.h"

namespace quorvel::platform {

namespace {

// Where a stored pixel position lands in the upright image of size (uprightWidth,
// uprightHeight), for each EXIF orientation. Positions are pixel centres, y down.
cv::Point2d toUpright(cv::Point2d p, int orientation, double storedWidth, double storedHeight) {
    const double w = storedWidth - 1, h = storedHeight - 1;
    switch (orientation) {
        case 2:
            return {w - p.x, p.y};
        case 3:
            return {w - p.x, h - p.y};
        case 4:
            return {p.x, h - p.y};
        case 5:
            return {p.y, p.x};
        case 6:
            return {h - p.y, p.x};
        case 7:
            return {h - p.y, w - p.x};
        case 8:
            return {p.y, w - p.x};
        default:
            return p;
    }
}

}  // namespace

ImageRequestHandler::ImageRequestHandler(std::shared_ptr<const PixelBuffer> pixelBuffer,
                                         int orientation, Options options)
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
    if (orientation_ < 1 || orientation_ > 8) return fail("The image orientation is not valid.");

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
    const bool turned = orientation_ >= 5;
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
