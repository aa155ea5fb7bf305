#pragma once

#include <memory>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Source/Capture/Views/CameraPreviewView.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

// The camera screen's side of the capture state machine: the reports of the view model, and the
// preview view that shows the camera picture (read at construction, at each camera start and on
// each analysed frame; required).
class CaptureViewModelDelegate {
public:
    virtual ~CaptureViewModelDelegate() = default;

    // After every live detection pass (both absent when nothing was found). Main queue.
    virtual void didFindRectangle(std::shared_ptr<RectangleFeature> feature,
                                  std::shared_ptr<platform::BezierPath> with,
                                  platform::Point center) = 0;
    // At the end of a capture-type change and of a switch to a long document type. Main queue.
    virtual void didLoseRectangle() = 0;
    // A photo request was handed to the camera. The user-initiated global queue.
    virtual void didStartCapture() = 0;
    // A shot failed. The camera's photo-callback thread or the vision queue.
    virtual void didFailCapture() = 0;
    // A shot produced its page image. The photo-callback thread (manual) or the vision queue
    // (automatic).
    virtual void didCaptureImage(std::shared_ptr<platform::Image> image, bool isBlurry) = 0;
    // An automatic shot was requested; `at` is the outline's centre in preview-layer points.
    // Main queue.
    virtual void displayCaptureLoadingCircle(platform::Point at) = 0;

    virtual std::shared_ptr<CameraPreviewView> previewView() const = 0;
};

}  // namespace quorvel
