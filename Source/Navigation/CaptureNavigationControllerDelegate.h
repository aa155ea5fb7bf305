#pragma once

#include <memory>
#include <vector>

#include "Platform/Graphics/Image.h"

namespace quorvel {

class CaptureNavigationController;

// The host's receiver of the capture flow's result.
class CaptureNavigationControllerDelegate {
public:
    virtual ~CaptureNavigationControllerDelegate() = default;

    // Called once, on the main queue, after the navigation controller has been dismissed: the
    // page images in page order (each page's crop if it was cropped, never the filtered view), or
    // an empty list when the user closed the camera.
    virtual void captureNavigationController(
        CaptureNavigationController& navigationController,
        const std::vector<std::shared_ptr<platform::Image>>& didCapture) = 0;
};

}  // namespace quorvel
