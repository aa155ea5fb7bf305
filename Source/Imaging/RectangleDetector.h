#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/PixelBuffer.h"
#include "Platform/Vision/RectangleObservation.h"
#include "Platform/Vision/VisionError.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

// Finds the document in live frames, in still images and in automatic photos. All rectangle
// requests of the process run one at a time on one serial vision queue ("com.quorvel.Vision").
// Every call completes exactly once.
class RectangleDetector : public std::enable_shared_from_this<RectangleDetector> {
public:
    // outline (none when nothing was found), rectangle, outline centre, frame extent in pixels.
    using LiveCompletion =
        std::function<void(std::shared_ptr<platform::BezierPath>, std::shared_ptr<RectangleFeature>,
                           platform::Point, platform::Rect)>;
    using CropCompletion = std::function<void(std::shared_ptr<RectangleFeature>)>;
    struct ProcessedImage {
        std::shared_ptr<platform::Image> image;
        bool isBlurry = false;
    };
    // The page image with its blur verdict, or none when the photo could not be made into one.
    using AutomaticCompletion = std::function<void(std::optional<ProcessedImage>)>;
    // Where the layer that shows the camera picture draws a whole frame of the given size in
    // pixels, in the layer's own points (for a picture that fills the layer and is cropped at its
    // edges, a rectangle larger than the layer's bounds).
    using PictureRect = std::function<platform::Rect(platform::Size)>;

    static std::shared_ptr<RectangleDetector> make();

    // Live detection of one frame, described to the detector by `orientation`. The
    // outline is in points of the preview layer (which shows the frame as delivered), on the
    // page as the layer shows it. Where the layer shows the frame is read through
    // `picturePlacement` on the vision queue when the result arrives, so it must be safe to call
    // from any thread. Completes on the main queue.
    void detectPath(std::shared_ptr<const platform::PixelBuffer> pixelBuffer,
                    platform::ImageOrientation orientation, PictureRect picturePlacement,
                    const std::shared_ptr<platform::DispatchQueue>& queue,
                    LiveCompletion completion);

    // The document in a still image shown at `viewSize`, in view points with y down (the corner
    // named bottomLeft is the one nearest the view's top left). Completes on the main queue.
    void detectCropCorners(std::shared_ptr<const platform::Image> image, platform::Size viewSize,
                           const std::shared_ptr<platform::DispatchQueue>& queue,
                           CropCompletion completion);

    // Finds the document again on an automatic photo, given as its file (else uses `feature`,
    // the live rectangle that triggered the shot, in layer points, rescaled in place from
    // `resizedExtent`), straightens it, turns it upright and, when asked, tests it for blur.
    // `cameraFocalLength` is the lens's, in the photo's pixels, when the camera knows it.
    // Completes on the vision queue.
    void automaticProcessedImage(const std::optional<platform::Data>& photoData,
                                 platform::ImageOrientation orientation,
                                 std::shared_ptr<RectangleFeature> feature,
                                 platform::Rect resizedExtent, bool shouldDetectBlur,
                                 AutomaticCompletion completion,
                                 std::optional<double> cameraFocalLength = std::nullopt);

    // The straightened page rendered upright at scale 1 (see the orientation rule in the source).
    static std::shared_ptr<platform::Image> fixImageOrientation(
        const platform::FilterImage& enhancedImage, const RectangleFeature& feature, bool mirror);

    // The live conversion: the biggest observation (normalized to the frame turned upright by
    // `orientation`) as an outline in points of a preview layer that draws the frame of `extent`
    // pixels into `picture` (layer points). None for no observation.
    struct LiveOutline {
        std::shared_ptr<RectangleFeature> feature;
        platform::Point center;
    };
    static std::optional<LiveOutline> liveOutline(
        std::vector<platform::RectangleObservation> observations,
        platform::ImageOrientation orientation, platform::Rect extent, platform::Rect picture);
    static std::shared_ptr<platform::BezierPath> outlinePath(const RectangleFeature& feature);

    // The crop conversion: the biggest observation (of an upright image) in points of a view of
    // `viewSize`, y down. None for no observation.
    static std::shared_ptr<RectangleFeature> cropFeature(
        const std::vector<platform::RectangleObservation>& observations, platform::Size viewSize);

    // The vision queue, made on first use and kept for the life of the process.
    static const std::shared_ptr<platform::DispatchQueue>& workQueue();

private:
    using RequestCompletion = std::function<void(std::vector<platform::RectangleObservation>,
                                                 std::optional<platform::VisionError>)>;

    RectangleDetector() = default;

    static void rectanglesInImage(std::shared_ptr<const platform::Image> image,
                                  std::shared_ptr<const platform::PixelBuffer> pixelBuffer,
                                  std::optional<platform::ImageOrientation> orientation,
                                  RequestCompletion completion);
};

}  // namespace quorvel
