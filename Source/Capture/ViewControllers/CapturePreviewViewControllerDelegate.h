#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Platform/Graphics/Image.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"

namespace quorvel {

// The camera screen's side of the preview screen: the user's decision on the pages shown. Each
// report is sent on the main queue, and only while the delegate is alive.
class CapturePreviewViewControllerDelegate {
public:
    virtual ~CapturePreviewViewControllerDelegate() = default;

    // The add-page button was pressed.
    virtual void capturePreviewUpdated(const std::shared_ptr<CapturedImageGroup>& images) = 0;
    // The retake button, or the blur alert's retake action, for the page shown at `at`.
    virtual void capturePreviewRetakeImage(std::size_t at,
                                           const std::shared_ptr<CapturedImageGroup>& images) = 0;
    // Done (or Next for a long capture's first section): every page's crop or original,
    // unfiltered, in page order.
    virtual void capturePreviewPhotosReady(
        const std::vector<std::shared_ptr<platform::Image>>& images) = 0;
    // The user confirmed discarding the pages in the back alert.
    virtual void capturePreviewDiscardImages() = 0;
};

}  // namespace quorvel
