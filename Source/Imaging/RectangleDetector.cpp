#include "Source/Imaging/RectangleDetector.h"

#include <future>

#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/Graphics/Screen.h"
#include "Platform/Vision/ImageRequestHandler.h"
#include "Platform/Vision/RectangleDetectionRequest.h"
#include "Source/Configuration/Logger.h"
#include "Source/Imaging/BlurDetection.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

using platform::DispatchQueue;
using platform::ImageOrientation;
using platform::Point;
using platform::Rect;
using platform::RectangleObservation;

namespace {

// A point normalized to the image upright for `orientation` (y up), as normalized to the stored
// frame with y down.
Point frameNormalized(Point p, ImageOrientation orientation) {
    // Every orientation's transform can be inverted.
    const auto toStored = *platform::uprightTransform(orientation, {1, 1}).inverted();
    return toStored.apply(Point{p.x, 1 - p.y});
}

// The live outline is drawn straight onto the preview layer, which shows the frame as it is
// delivered. The conversion to layer points is exact for observations made with orientation left
// (EXIF 8): for that orientation, swapping x and y gives the frame's own y-down coordinates. For
// any other orientation the observations are first carried into that space, so that the outline
// lands on the page whatever orientation the frame was described with. From there a frame pixel
// goes to the layer exactly as the layer draws the frame: scaled into the picture's rectangle,
// which for a picture that fills the layer reaches past its edges.
constexpr ImageOrientation liveConversionOrientation = ImageOrientation::left;

std::vector<RectangleObservation> asLiveConversionOriented(
    std::vector<RectangleObservation> observations, ImageOrientation orientation) {
    if (orientation == liveConversionOrientation) return observations;
    for (auto& o : observations) {
        for (Point* corner : {&o.topLeft, &o.topRight, &o.bottomLeft, &o.bottomRight}) {
            const Point frame = frameNormalized(*corner, orientation);
            *corner = {frame.y, frame.x};
        }
    }
    return observations;
}

// The blur verdict of an automatic page: the test of its grey copy, or of `corrected` (the page
// before it was turned upright) when there is no grey copy. Whether the page is small enough for
// a grey copy is known only from a full-quality JPEG of it; that encoding runs on a thread of
// its own while the grey copy is made and tested, and `corrected` is tested only when the page
// turns out too large.
bool pageIsBlurry(const std::shared_ptr<platform::Image>& page,
                  const std::shared_ptr<const platform::FilterImage>& corrected) {
    auto answer = std::make_shared<std::promise<bool>>();
    auto allowed = answer->get_future();
    DispatchQueue::global(platform::QualityOfService::userInitiated)->async([page, answer] {
        answer->set_value(ImageOperations::grayscaleSizeAllowed(*page));
    });
    auto grey = ImageOperations::grayscaleOfAllowedSize(*page);
    auto tested = grey ? platform::FilterImage::fromImage(*grey) : nullptr;
    const bool greyBlurry = tested && BlurDetection::isBlurry(tested);
    if (allowed.get() && tested) return greyBlurry;
    return BlurDetection::isBlurry(corrected);
}

void deliverEmptyLiveResult(const RectangleDetector::LiveCompletion& completion) {
    DispatchQueue::main()->async([completion] { completion(nullptr, nullptr, {0, 0}, Rect{}); });
}

}  // namespace

std::shared_ptr<RectangleDetector> RectangleDetector::make() {
    return std::shared_ptr<RectangleDetector>(new RectangleDetector());
}

const std::shared_ptr<DispatchQueue>& RectangleDetector::workQueue() {
    // Never destroyed: a serial queue waits for its work when released, which must not happen
    // while the process exits.
    static const auto* queue = new std::shared_ptr<DispatchQueue>(
        DispatchQueue::makeSerial("com.quorvel.Vision", platform::QualityOfService::userInitiated));
    return *queue;
}

void RectangleDetector::rectanglesInImage(std::shared_ptr<const platform::Image> image,
                                          std::shared_ptr<const platform::PixelBuffer> pixelBuffer,
                                          std::optional<ImageOrientation> orientation,
                                          RequestCompletion completion) {
    auto request = std::make_shared<platform::RectangleDetectionRequest>(
        [completion](platform::RectangleDetectionRequest& finished,
                     const std::optional<platform::VisionError>& error) {
            if (error) {
                completion({}, error);
            } else if (finished.results()) {
                completion(*finished.results(), std::nullopt);
            } else {
                Logger::capture().error(
                    "Failed fetching results from rectangles request: no results found, or "
                    "results are unparseable");
                completion({}, std::nullopt);
            }
        });
    request->setMinimumSize(0.1f);
    request->setMinimumAspectRatio(0.0f);
    request->setMaximumAspectRatio(1.0f);

    std::shared_ptr<platform::ImageRequestHandler> handler;
    if (pixelBuffer && orientation) {
        platform::ImageRequestHandler::Options options;
        options.cameraIntrinsics =
            pixelBuffer->attachment(platform::PixelBuffer::cameraIntrinsicMatrixKey);
        handler =
            std::make_shared<platform::ImageRequestHandler>(pixelBuffer, *orientation, options);
    } else if (auto bitmap = image ? ImageOperations::convertToCGImage(*image) : nullptr) {
        handler = std::make_shared<platform::ImageRequestHandler>(bitmap);
    } else {
        Logger::capture().error(
            "Failed fetching results from rectangles request: nil is returned while converting "
            "image to core image");
        // Nothing can be searched: answer as for an image without a document.
        workQueue()->async([completion] { completion({}, std::nullopt); });
        return;
    }

    workQueue()->async([handler, request] {
        std::optional<platform::VisionError> error;
        if (!handler->perform({request}, &error) && error) {
            Logger::capture().error("Error performing rectangle detection: %s",
                                    error->localizedDescription);
        }
    });
}

void RectangleDetector::detectPath(std::shared_ptr<const platform::PixelBuffer> pixelBuffer,
                                   ImageOrientation orientation, PictureRect picturePlacement,
                                   const std::shared_ptr<DispatchQueue>& queue,
                                   LiveCompletion completion) {
    const Rect extent{
        {0, 0},
        {static_cast<double>(pixelBuffer->width()), static_cast<double>(pixelBuffer->height())}};
    queue->async([self = shared_from_this(), pixelBuffer, orientation, picturePlacement, extent,
                  completion]() mutable {
        std::weak_ptr<RectangleDetector> weakSelf = self;
        self.reset();
        rectanglesInImage(
            nullptr, pixelBuffer, orientation,
            [weakSelf, orientation, picturePlacement, extent, completion](
                std::vector<RectangleObservation> observations,
                std::optional<platform::VisionError> error) {
                if (error) {
                    Logger::capture().error("Error detecting path: %s",
                                            error->localizedDescription);
                    deliverEmptyLiveResult(completion);
                    return;
                }
                if (weakSelf.expired() || observations.empty()) {
                    deliverEmptyLiveResult(completion);
                    return;
                }
                auto outline = liveOutline(std::move(observations), orientation, extent,
                                           picturePlacement(extent.size));
                DispatchQueue::main()->async([outline = *outline, extent, completion] {
                    completion(outlinePath(*outline.feature), outline.feature, outline.center,
                               extent);
                });
            });
    });
}

void RectangleDetector::detectCropCorners(std::shared_ptr<const platform::Image> image,
                                          platform::Size viewSize,
                                          const std::shared_ptr<DispatchQueue>& queue,
                                          CropCompletion completion) {
    queue->async([image, viewSize, completion] {
        rectanglesInImage(
            image, nullptr, std::nullopt,
            [viewSize, completion](std::vector<RectangleObservation> observations,
                                   std::optional<platform::VisionError> error) {
                if (error) {
                    Logger::capture().error("Error detecting crop corners: %s",
                                            error->localizedDescription);
                }
                if (error || observations.empty()) {
                    DispatchQueue::main()->async([completion] { completion(nullptr); });
                    return;
                }
                auto feature = cropFeature(observations, viewSize);
                DispatchQueue::main()->async([feature, completion] { completion(feature); });
            });
    });
}

void RectangleDetector::automaticProcessedImage(const std::optional<platform::Data>& photoData,
                                                ImageOrientation orientation,
                                                std::shared_ptr<RectangleFeature> feature,
                                                Rect resizedExtent, bool shouldDetectBlur,
                                                AutomaticCompletion completion,
                                                std::optional<double> cameraFocalLength) {
    auto image = photoData ? platform::Image::fromEncodedData(*photoData) : nullptr;
    auto photoImage = image ? platform::FilterImage::fromImage(*image) : nullptr;
    if (!photoImage) {
        Logger::capture().error("Unable to generate core image from image data.");
        completion(std::nullopt);
        return;
    }
    auto pixelBuffer = ImageOperations::toCVPixelBuffer(*image);
    if (!pixelBuffer) {
        completion(std::nullopt);
        return;
    }

    rectanglesInImage(
        nullptr, pixelBuffer, orientation,
        [photoImage, feature, resizedExtent, shouldDetectBlur, completion, cameraFocalLength](
            std::vector<RectangleObservation> observations,
            std::optional<platform::VisionError> error) mutable {
            if (error) {
                Logger::capture().error("Error fetching rectangles: %s",
                                        error->localizedDescription);
                completion(std::nullopt);
                return;
            }
            auto ci = photoImage;
            const Rect extent = ci->extent();
            std::shared_ptr<platform::Image> out;
            if (auto detected =
                    RectangleFeature::biggestAdjustedRectangle(observations, std::nullopt)) {
                detected->scaleFeature(extent.size);
                ci = RectangleFeature::correctPerspective(*ci, *detected, 1.0, cameraFocalLength);
                if (ci) out = fixImageOrientation(*ci, *detected, true);
            } else {
                // No document on the photo: the live rectangle is used, on the photo drawn turned
                // a quarter to the right.
                platform::ImageRenderer context({extent.height(), extent.width()}, false, 1.0);
                auto photo = ImageOperations::imageFromFilterImage(*ci);
                auto turned =
                    photo ? platform::Image::make(photo->bitmap(), platform::Screen::mainScale(),
                                                  platform::ImageOrientation::right)
                          : nullptr;
                if (turned && context.isValid()) {
                    context.drawImage(*turned, {{0, 0}, {extent.height(), extent.width()}});
                }
                auto rerendered = context.isValid() && turned ? context.makeImage() : nullptr;
                ci = rerendered ? platform::FilterImage::fromImage(*rerendered) : nullptr;
                if (!ci) {
                    Logger::capture().error(
                        "Failed to parse detected rectangles: nil is returned while converting "
                        "image to core image");
                    completion(std::nullopt);
                    return;
                }
                feature->scaleFeature({ci->extent().width() / resizedExtent.width(),
                                       ci->extent().height() / resizedExtent.height()});
                auto corrected =
                    RectangleFeature::correctPerspective(*ci, *feature, 1.0, cameraFocalLength);
                if (corrected) {
                    ci = corrected;
                    out = fixImageOrientation(*ci, *feature, true);
                }
            }
            if (!out) {
                completion(std::nullopt);
                return;
            }

            const bool blurry = shouldDetectBlur && pageIsBlurry(out, ci);
            completion(ProcessedImage{out, blurry});
        });
}

std::optional<RectangleDetector::LiveOutline> RectangleDetector::liveOutline(
    std::vector<RectangleObservation> observations, ImageOrientation orientation, Rect extent,
    Rect picture) {
    auto feature = RectangleFeature::biggestAdjustedRectangle(
        asLiveConversionOriented(std::move(observations), orientation), liveConversionOrientation);
    if (!feature) return std::nullopt;
    feature->scaleFeature(extent.size);

    const double rx = extent.width() / picture.width();
    const double ry = extent.height() / picture.height();
    auto toLayer = [&](Point p) {
        return Point{picture.minX() + p.x / rx, picture.minY() + p.y / ry};
    };
    feature->topLeft = toLayer(feature->topLeft);
    feature->bottomLeft = toLayer(feature->bottomLeft);
    feature->topRight = toLayer(feature->topRight);
    feature->bottomRight = toLayer(feature->bottomRight);
    const double w = feature->topRight.x - feature->topLeft.x;
    const double h = feature->bottomLeft.y - feature->topLeft.y;
    return LiveOutline{feature, {feature->topLeft.x + w * 0.5, feature->topLeft.y + h * 0.5}};
}

std::shared_ptr<platform::BezierPath> RectangleDetector::outlinePath(
    const RectangleFeature& feature) {
    auto path = std::make_shared<platform::BezierPath>();
    path->moveTo(feature.topLeft);
    path->addLineTo(feature.topRight);
    path->addLineTo(feature.bottomRight);
    path->addLineTo(feature.bottomLeft);
    path->close();
    return path;
}

std::shared_ptr<RectangleFeature> RectangleDetector::cropFeature(
    const std::vector<RectangleObservation>& observations, platform::Size viewSize) {
    auto feature = RectangleFeature::biggestAdjustedRectangle(observations, ImageOrientation::up);
    if (!feature) return nullptr;
    feature->scaleFeature(viewSize);
    for (Point* corner :
         {&feature->topLeft, &feature->topRight, &feature->bottomLeft, &feature->bottomRight}) {
        corner->y = viewSize.height - corner->y;
    }
    return feature;
}

std::shared_ptr<platform::Image> RectangleDetector::fixImageOrientation(
    const platform::FilterImage& enhancedImage, const RectangleFeature& feature, bool mirror) {
    using platform::ImageOrientation;
    const Rect e = enhancedImage.extent();
    ImageOrientation orientation;
    if (e.height() < e.width()) {
        // A landscape result is turned a quarter to stand upright.
        orientation = mirror ? ImageOrientation::leftMirrored : ImageOrientation::right;
    } else if (feature.topLeft.y < feature.topRight.y) {
        orientation = mirror ? ImageOrientation::downMirrored : ImageOrientation::down;
    } else {
        orientation = mirror ? ImageOrientation::upMirrored : ImageOrientation::up;
    }

    // Drawn into a context of its turned size, the page is only turned: its pixels are moved
    // exactly as drawing would place them, straight into the new image's bitmap.
    const auto upright = enhancedImage.oriented(platform::exifOrientation(orientation));
    auto bitmap = upright ? upright->toBitmap() : nullptr;
    return bitmap ? platform::Image::make(std::move(bitmap), 1.0) : nullptr;
}

}  // namespace quorvel
