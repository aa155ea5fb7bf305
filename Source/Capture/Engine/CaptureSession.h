#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/CapturePhotoOutput.h"
#include "Platform/Camera/CaptureSession.h"
#include "Platform/Camera/CaptureVideoDataOutput.h"
#include "Source/Capture/Views/CameraPreviewView.h"

namespace quorvel {

// The camera for one capture view model: one session with the photo preset, the default video
// camera as input (kept locked for configuration for the life of this object), a still-photo
// output and a video-frame output. Frames and photos go straight to the two delegates, which
// are held weakly.
class CaptureSession : public std::enable_shared_from_this<CaptureSession> {
public:
    using PhotoDelegate = std::weak_ptr<platform::CapturePhotoCaptureDelegate>;
    using VideoDelegate = std::weak_ptr<platform::CaptureVideoDataOutputSampleBufferDelegate>;

    // A configured session, or none (after logging why) when the camera cannot be set up.
    static std::shared_ptr<CaptureSession> make(PhotoDelegate captureDelegate,
                                                VideoDelegate videoDelegate,
                                                const CameraPreviewView& previewView);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Starts the camera on the default global queue; `completion` runs there after a fresh start
    // (not when the camera already ran).
    void start(PhotoDelegate captureDelegate, VideoDelegate videoDelegate,
               const CameraPreviewView& previewView, std::function<void()> completion);
    // Stops the camera if it runs, on the calling thread.
    void stop();
    bool isRunning() const { return session_->isRunning(); }
    // Requests one photo on the user-initiated global queue; `successCallback` runs there once the
    // request is handed to the camera.
    void takePhoto(std::function<void()> successCallback);
    // The photo output offers at least one RAW photo file type.
    bool isRAWFormatSupported() const;

private:
    CaptureSession(PhotoDelegate captureDelegate, VideoDelegate videoDelegate);
    bool setupCaptureSession();
    platform::PhotoSettings photoSettings() const;
    std::shared_ptr<platform::CapturePhotoCaptureDelegate> photoDelegate() const;

    std::shared_ptr<platform::CaptureSession> session_;
    std::shared_ptr<platform::CaptureDevice> device_;
    bool deviceLocked_ = false;
    std::shared_ptr<platform::CapturePhotoOutput> photoOutput_;
    // Replaced on the main queue at every start, read where photos are requested.
    mutable std::mutex delegatesMutex_;
    PhotoDelegate captureDelegate_;
    std::shared_ptr<platform::CaptureVideoDataOutput> videoOutput_;
    VideoDelegate videoDelegate_;
};

}  // namespace quorvel
