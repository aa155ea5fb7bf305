#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Vision/RectangleObservation.h"

namespace quorvel {

// The document quadrilateral: four corners, changed in place and shared by reference. The
// coordinate space is the holder's (normalized, image pixels, layer or view points).
//
// Corner naming: `biggestAdjustedRectangle` names the corners as if y grew downward (the two
// corners with the smaller y are "top"), so a consumer that maps y straight into a y-down space
// sees the names where they belong on screen.
class RectangleFeature {
public:
    RectangleFeature(platform::Point topLeft, platform::Point topRight, platform::Point bottomRight,
                     platform::Point bottomLeft);

    platform::Point topLeft;
    platform::Point topRight;
    platform::Point bottomLeft;
    platform::Point bottomRight;

    // The biggest candidate with its corners ordered by angle about the centre of their bounding
    // box; none for an empty list. `oriented` is the orientation the candidates were detected
    // with: one that swaps width and height (left, right and their mirrors) transposes the
    // corners first.
    static std::shared_ptr<RectangleFeature> biggestAdjustedRectangle(
        const std::vector<platform::RectangleObservation>& rectangles,
        std::optional<platform::ImageOrientation> oriented);

    // Multiplies every corner by (width, height), in place.
    void scaleFeature(platform::Size scale);

    // The sum of the four corner displacements between this and `rect` (single precision).
    float cornerVarianceFrom(const RectangleFeature& rect) const;

    // Whether the corners, taken in the order top-left, top-right, bottom-right, bottom-left, turn
    // the same way at all four, with no three on a line: a convex outline. A crossed or concave
    // outline is the picture of no flat page.
    bool isConvex() const;

    // The part of `image` inside `feature` (corners multiplied by `scale`, in the image's own
    // pixels with the origin at the lower left) straightened into a rectangle of the paper's own
    // shape (PageAspectRatio), as many pixels along its longer side as the outline's longest side,
    // resampled once. A page that would have more pixels than `image` is made smaller, keeping its
    // shape, with a log line. `cameraFocalLength` (pixels of `image`) is the lens of the camera
    // that took `image`, when known. None for an outline that is not convex.
    static std::shared_ptr<const platform::FilterImage> correctPerspective(
        const platform::FilterImage& image, const RectangleFeature& feature, double scale,
        std::optional<double> cameraFocalLength = std::nullopt);

    // `image` scaled by `factor` (Lanczos, aspect ratio 1); none when the filter gives nothing.
    static std::shared_ptr<const platform::FilterImage> scale(
        const std::shared_ptr<const platform::FilterImage>& image, double factor);

private:
    static std::optional<platform::RectangleObservation> biggestCorrectiveRectangle(
        const std::vector<platform::RectangleObservation>& rectangles);
};

}  // namespace quorvel
