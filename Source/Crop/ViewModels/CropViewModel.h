#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/View.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/Components/CornerPoint.h"
#include "Source/Crop/ViewControllers/Edge.h"
#include "Source/Crop/ViewModels/CropViewModelDelegate.h"
#include "Source/Imaging/RectangleDetector.h"

namespace quorvel {

// The state behind the crop screen for one page: the image, the theme and button themes, the
// four corner handles and what the user is dragging. It places the handles on the screen's first
// layout: at the corners stored on the page; else, for a page taken automatically, at the
// image's edges; else where rectangle detection finds the document (at the image's edges when
// it finds none). Main queue only; detection runs on its own serial corners queue.
class CropViewModel : public std::enable_shared_from_this<CropViewModel> {
public:
    // `cornerPoints`: the corners stored on the page (image-area points, top-left, top-right,
    // bottom-right, bottom-left); a list that does not hold exactly four is ignored, with a log.
    static std::shared_ptr<CropViewModel> make(
        std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
        std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured);

    const std::shared_ptr<platform::Image>& image() const { return image_; }
    const std::shared_ptr<CaptureTheme>& theme() const { return theme_; }
    const std::shared_ptr<CaptureButtonThemes>& buttonThemes() const { return buttonThemes_; }
    bool autoCaptured() const { return autoCaptured_; }
    const std::optional<std::vector<platform::Point>>& startingCorners() const {
        return startingCorners_;
    }
    const std::shared_ptr<platform::DispatchQueue>& workQueue() const { return workQueue_; }

    std::shared_ptr<CropViewModelDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<CropViewModelDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // The handle being dragged, and the side being dragged; written by the crop screen.
    std::shared_ptr<CornerPoint> activeCornerPoint;
    std::optional<Edge> activeEdge;

    // The four handles once the screen has passed them in; empty until then.
    const std::vector<std::shared_ptr<CornerPoint>>& cornerPoints() const { return cornerPoints_; }

    // Stores the handles (top-left, top-right, bottom-right, bottom-left, each with its top and
    // leading constraints wired) and places them in `view`, the image area: at once for stored
    // corners (nothing reported); else through getInitialCornerPoints, reported to the delegate.
    void setCornerPoints(std::vector<std::shared_ptr<CornerPoint>> cornerPoints,
                         const std::shared_ptr<platform::View>& in);
    // The placement without stored corners: the aspect-fit image rectangle for an automatic
    // page, else detection (finished on a later turn of the main queue).
    void getInitialCornerPoints(const std::shared_ptr<platform::View>& in);
    void reloadButtonThemes();

    // Where a detected document puts the handles (top-left, top-right, bottom-right,
    // bottom-left): the feature found in an image shown at `fittedSize` (corners named as if y
    // grew upward), centred in a view of `viewBounds`.
    static std::vector<platform::Point> detectedCornerLocations(const RectangleFeature& feature,
                                                                platform::Size fittedSize,
                                                                const platform::Rect& viewBounds);
    // The corners of the image rectangle of `fittedSize` centred in `viewBounds`, clockwise from
    // the top left.
    static std::vector<platform::Point> defaultCornerLocations(platform::Size fittedSize,
                                                               const platform::Rect& viewBounds);

private:
    CropViewModel(std::shared_ptr<platform::Image> image, std::shared_ptr<CaptureTheme> theme,
                  std::optional<std::vector<platform::Point>> cornerPoints, bool autoCaptured);

    void setDefaultCorners(platform::Size size, const platform::View& in);
    void placeDetectedCorners(const std::shared_ptr<RectangleFeature>& feature, platform::Size size,
                              const platform::View& in);
    void setCornerConstraints(const std::vector<platform::Point>& cornerLocations);

    std::weak_ptr<CropViewModelDelegate> delegate_;
    std::vector<std::shared_ptr<CornerPoint>> cornerPoints_;
    std::shared_ptr<platform::DispatchQueue> workQueue_;
    std::shared_ptr<RectangleDetector> detector_;
    std::shared_ptr<platform::Image> image_;
    std::shared_ptr<CaptureTheme> theme_;
    std::optional<std::vector<platform::Point>> startingCorners_;
    bool autoCaptured_;
    std::shared_ptr<CaptureButtonThemes> buttonThemes_;
};

}  // namespace quorvel
