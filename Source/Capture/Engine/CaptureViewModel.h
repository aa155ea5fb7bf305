#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "Platform/Camera/CapturePhotoOutput.h"
#include "Platform/Camera/CaptureVideoDataOutput.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/Timer.h"
#include "Platform/Foundation/Bundle.h"
#include "Source/Capture/Engine/CaptureSession.h"
#include "Source/Capture/Engine/CaptureType.h"
#include "Source/Capture/Engine/CaptureViewModelDelegate.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"
#include "Source/Configuration/CaptureButtonThemes.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Imaging/RectangleDetector.h"

namespace quorvel {

// The capture state machine behind the camera screen: it runs the camera, hands one video frame
// at a time to live detection while the effective capture type is automatic, builds up a lock
// time on a one-second timer once three seconds have passed since the camera started, fires an
// automatic shot when a rectangle is present, and turns every photo into an upright page image
// with a blur verdict for its delegate.
//
// Main queue, except: the effective capture type is read on the frames queue, the capture-running
// flag is set on the user-initiated global queue, the pending shot is read on the camera's
// photo-callback thread and the torch choice on the default global queue. Those are atomic or
// guarded by a mutex. Debug and sanitizer builds stop the program when the view model is made,
// or its camera, timer, capture or detection operations are called, off the main queue.
class CaptureViewModel : public platform::CapturePhotoCaptureDelegate,
                         public platform::CaptureVideoDataOutputSampleBufferDelegate,
                         public std::enable_shared_from_this<CaptureViewModel> {
public:
    static constexpr int requiredRectangleLockedTime = 1;
    static constexpr int requiredRectangleDetectionFrames = 3;
    static constexpr int requiredRectangleLostFrames = 3;
    static constexpr auto gracePeriod = std::chrono::seconds(3);
    static constexpr auto timerInterval = std::chrono::seconds(1);

    // What the pending shot is: manual, or automatic with the triggering rectangle (in preview
    // layer points) and the frame's pixel extent.
    struct ImageBufferProperties {
        CaptureType captureType;
        std::shared_ptr<const RectangleFeature> feature;
        std::optional<platform::Rect> resizedExtent;
    };

    static std::shared_ptr<CaptureViewModel> make(
        std::shared_ptr<CaptureConfiguration> configuration,
        std::weak_ptr<CaptureViewModelDelegate> delegate);
    // A new view model with the capture type, document type (a long capture's second section
    // becomes its first) and torch choice of `withSettingsFrom`.
    static std::shared_ptr<CaptureViewModel> make(
        std::shared_ptr<CaptureConfiguration> configuration,
        std::weak_ptr<CaptureViewModelDelegate> delegate, const CaptureViewModel& withSettingsFrom);
    // Stops its timer and camera (on the main queue).
    ~CaptureViewModel() override;

    void startCaptureSession();
    void stopCaptureSession();
    void captureTypeChanged(CaptureType to);
    void captureDocumentTypeChanged(CaptureDocumentType to);
    void captureImageManually();
    // Asks for the torch opposite to the choice; the choice changes only when the torch did.
    void toggleTorch();
    void onCaptureTimerTick();

    // Camera callbacks.
    void captureOutput(platform::CaptureVideoDataOutput& output,
                       std::shared_ptr<platform::SampleBuffer> sampleBuffer,
                       platform::CaptureConnection& connection) override;
    void photoOutput(platform::CapturePhotoOutput& output,
                     std::shared_ptr<platform::CapturePhoto> photo,
                     std::optional<platform::CameraError> error) override;

    // The image orientation live frames and automatic photos are described with, for the
    // device's current orientation.
    static platform::ImageOrientation imageOrientationForDeviceOrientation();

    const std::shared_ptr<CaptureConfiguration>& config() const { return config_; }
    const std::shared_ptr<CaptureTheme>& theme() const { return theme_; }
    const CaptureButtonThemes& buttonThemes() const { return *buttonThemes_; }
    const std::shared_ptr<platform::Bundle>& moduleBundle();
    const std::shared_ptr<CapturedImageGroup>& capturedImages() const { return capturedImages_; }
    const std::shared_ptr<CaptureSession>& captureSession() const { return captureSession_; }
    const std::shared_ptr<RectangleDetector>& rectangleDetector() const {
        return rectangleDetector_;
    }
    std::shared_ptr<CaptureViewModelDelegate> delegate() const { return delegate_.lock(); }
    bool hasCaptureTimer() const { return captureTimer_ != nullptr; }

    bool torchShouldBeOn() const { return torchShouldBeOn_.load(); }
    bool isCapturingImage() const { return isCapturingImage_.load(); }
    CaptureType effectiveCaptureType() const { return effectiveCaptureType_.load(); }
    std::optional<ImageBufferProperties> imageBufferProperties() const;
    // The screen records a picture from the photo library this way.
    void setImageBufferProperties(ImageBufferProperties properties);

    bool rectangleLocked() const {
        return rectangleDetectedForFrames >= requiredRectangleDetectionFrames;
    }
    bool rectangleLost() const { return rectangleLostForFrames >= requiredRectangleLostFrames; }
    bool hideCaptureDocumentTypeButtons() const;
    std::optional<std::size_t> replaceAtIndex() const;
    bool shouldDetectBlur() const;

    // Main-queue state that the camera screen reads and writes.
    bool isDetectingRectangles = false;
    bool firstSectionConfigured = false;
    std::shared_ptr<RectangleFeature> currentRectangle;
    int rectangleLockedTime = 0;
    int rectangleDetectedForFrames = 0;
    int rectangleLostForFrames = 0;
    std::optional<std::size_t> retakeIndex;
    CaptureDocumentType captureDocumentType = CaptureDocumentType::normal;
    CaptureDocumentType previousCaptureDocumentType = CaptureDocumentType::normal;
    CaptureType captureType = CaptureType::automatic;
    platform::TimePoint autoCaptureStartTime;

private:
    CaptureViewModel(std::shared_ptr<CaptureConfiguration> configuration,
                     std::weak_ptr<CaptureViewModelDelegate> delegate);
    std::shared_ptr<CameraPreviewView> requirePreviewView() const;
    void resetCounters();
    void stopTimer();
    void startTimer();
    void processNewPath(std::shared_ptr<platform::BezierPath> path,
                        std::shared_ptr<RectangleFeature> feature, platform::Point pathCenter,
                        platform::Rect imageExtent);
    void captureImageAutomatically(const RectangleFeature& feature, platform::Rect resizedExtent);
    void requestPhoto(ImageBufferProperties properties);
    void processManualPhoto(const platform::CapturePhoto& photo);
    void processAutoPhoto(const platform::CapturePhoto& photo, const RectangleFeature& feature,
                          platform::Rect resizedExtent);
    void reportFailure();
    void reportImage(std::shared_ptr<platform::Image> image, bool isBlurry);

    std::shared_ptr<CaptureConfiguration> config_;
    std::shared_ptr<RectangleDetector> rectangleDetector_;
    std::shared_ptr<CaptureTheme> theme_;
    std::shared_ptr<platform::DispatchQueue> detectionQueue_;
    std::shared_ptr<CapturedImageGroup> capturedImages_;
    std::unique_ptr<CaptureButtonThemes> buttonThemes_;
    std::shared_ptr<platform::Bundle> moduleBundle_;
    std::shared_ptr<platform::Timer> captureTimer_;
    std::shared_ptr<CaptureSession> captureSession_;
    std::weak_ptr<CaptureViewModelDelegate> delegate_;

    std::atomic<bool> torchShouldBeOn_{false};
    std::atomic<bool> isCapturingImage_{false};
    std::atomic<CaptureType> effectiveCaptureType_{CaptureType::automatic};

    // The pending shot: recorded before the photo is requested, taken by the photo that answers
    // it, and released when that shot has been reported. A request made meanwhile is refused.
    mutable std::mutex shotMutex_;
    std::optional<ImageBufferProperties> imageBufferProperties_;
    bool shotPending_ = false;
};

}  // namespace quorvel
