#pragma once

#include <memory>

#include "Platform/Graphics/BezierPath.h"
#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

// The camera screen's judgement of the live outline, one detection pass at a time.
//
// A rectangle counts only while the user chose automatic capture and a normal document is being
// collected. Three steady frames lock it; from the fourth on the outline is drawn. Once drawn,
// up to three missed or jumped frames (corner variance of 20 points or more against the last
// accepted rectangle) leave it in place and the fourth clears it; before it is drawn a miss or a
// jump clears at once. A jumped rectangle becomes the new reference. Clearing resets the lock
// time, so an automatic shot needs a steady outline again.
//
// The counter works on the view model's fields and on the screen's outline layer; it keeps no
// state of its own. Main queue only.
class CaptureViewControllerFrameCounter {
public:
    static constexpr int requiredDetectionFrames = 3;
    static constexpr int requiredLostFrames = 3;
    static constexpr float jumpVariance = 20.0f;

    // The counters, owned by the capture view model.
    struct Counters {
        int& rectangleLockedTime;
        int& rectangleDetectedForFrames;
        int& rectangleLostForFrames;
        std::shared_ptr<RectangleFeature>& currentRectangle;
    };

    // The outline layer as the counter sees it.
    class Outline {
    public:
        virtual ~Outline() = default;
        // The outline is already a collapsed (zero-height) path.
        virtual bool isCollapsed() const = 0;
        // Drops running animations and collapses the outline into the preview's centre.
        virtual void collapse() = 0;
        // Drops running animations and shows `path` (the layer animates the change).
        virtual void draw(const std::shared_ptr<platform::BezierPath>& path) = 0;
    };

    CaptureViewControllerFrameCounter(Counters counters, Outline& outline)
        : counters_(counters), outline_(outline) {}

    // One detection result. `feature` and `path` are absent when nothing was found.
    void didFindRectangle(const std::shared_ptr<RectangleFeature>& feature,
                          const std::shared_ptr<platform::BezierPath>& path,
                          CaptureType captureType, CaptureDocumentType documentType);
    // The rectangle was lost outside a detection pass (capture or document type changed).
    void rectLost();
    // Resets the lock time and the steady count; collapses the outline unless it already is,
    // and then forgets the reference rectangle.
    void clearDetectionPath();

private:
    void miss();

    Counters counters_;
    Outline& outline_;
};

}  // namespace quorvel
