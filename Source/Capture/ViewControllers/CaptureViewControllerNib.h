#pragma once

#include <memory>

#include "Platform/UI/View.h"
#include "Source/Capture/Views/CameraPreviewView.h"

namespace quorvel {

class CaptureViewController;

// The nib "CaptureViewController": builds the camera screen's views at 390 × 844 portrait,
// connects the screen's outlets and actions, and lays the views out from the constraint records
// the screen changes (the mode strip's centring constraint, the access button's size).
//
// From top to bottom: the top bar (close / back, the auto-capture switch, the torch) under the
// status bar; the picture area, a vertical stack of the first section's tail strip (hidden
// until a long receipt's second section) and the camera preview, with the toast container and
// the camera-access panel (hidden) over it; the preview keeps the picture's aspect ratio and is
// centred in what the strip leaves, so that the picture is never cropped and outlines found in
// a frame land on the document; the bottom bar with the mode strip and a row of the
// photo library, the capture button and the last page's thumbnail with its count, above the home
// indicator.
struct CaptureViewControllerNib {
    // Registers the builder with the nib registry; once is enough, again does no harm.
    static void registerNib();
    static std::shared_ptr<platform::View> build(CaptureViewController& owner);

    // Metrics of the layout, in points.
    static constexpr double topBarHeight = 56;
    static constexpr double modeStripHeight = 44;
    static constexpr double controlsRowHeight = 104;
    static constexpr double captureButtonSize = 76;
    static constexpr double sideButtonSize = 52;
    static constexpr double modeButtonWidth = 120;
    static constexpr double modeButtonHeight = 34;
    static constexpr double modeButtonSpacing = 4;
};

}  // namespace quorvel
