#include "Source/Capture/Engine/CaptureSession.h"

#include <mutex>

#include "Platform/Camera/CaptureDeviceInput.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Source/Configuration/Logger.h"

namespace quorvel {

using platform::DispatchQueue;
using platform::QualityOfService;

CaptureSession::CaptureSession(PhotoDelegate captureDelegate, VideoDelegate videoDelegate)
    : session_(platform::CaptureSession::make()),
      photoOutput_(platform::CapturePhotoOutput::make()),
      captureDelegate_(std::move(captureDelegate)),
      videoOutput_(platform::CaptureVideoDataOutput::make()),
      videoDelegate_(std::move(videoDelegate)) {}

std::shared_ptr<CaptureSession> CaptureSession::make(PhotoDelegate captureDelegate,
                                                     VideoDelegate videoDelegate,
                                                     const CameraPreviewView& previewView) {
    std::shared_ptr<CaptureSession> session(
        new CaptureSession(std::move(captureDelegate), std::move(videoDelegate)));
    if (!session->setupCaptureSession()) return nullptr;
    previewView.videoPreviewLayer()->setFrameSource(session->session_);
    return session;
}

CaptureSession::~CaptureSession() {
    if (device_ && deviceLocked_) device_->unlockForConfiguration();
}

bool CaptureSession::setupCaptureSession() {
    constexpr const char* noInput =
        "Failed to setup capture session: no input device, or it cannot be added as a session "
        "input";
    session_->beginConfiguration();
    device_ = platform::CaptureDevice::defaultDevice(platform::MediaType::video);
    if (!device_) {
        Logger::capture().error(noInput);
        return false;
    }
    auto [input, inputError] = platform::CaptureDeviceInput::make(device_);
    if (!input || !session_->canAddInput(*input)) {
        Logger::capture().error(noInput);
        return false;
    }
    if (auto refused = device_->lockForConfiguration()) {
        Logger::capture().error(
            "Failed to setup capture session: error locking capture device for configuration: %s",
            refused->localizedDescription);
        return false;
    }
    deviceLocked_ = true;
    session_->addInput(input);
    if (!session_->canAddOutput(*photoOutput_)) {
        Logger::capture().error(
            "Failed to setup capture session: photo output cannot be added as a session output");
        return false;
    }
    session_->setSessionPreset(platform::SessionPreset::photo);
    session_->addOutput(photoOutput_);
    if (!session_->canAddOutput(*videoOutput_)) {
        Logger::capture().error(
            "Failed to setup capture session: video output cannot be added as a session output");
        return false;
    }
    videoOutput_->setSampleBufferDelegate(videoDelegate_,
                                          DispatchQueue::makeSerial("CaptureOutput"));
    videoOutput_->setAlwaysDiscardsLateVideoFrames(true);
    session_->addOutput(videoOutput_);
    session_->commitConfiguration();
    return true;
}

void CaptureSession::start(PhotoDelegate captureDelegate, VideoDelegate videoDelegate,
                           const CameraPreviewView& previewView, std::function<void()> completion) {
    {
        std::lock_guard lock(delegatesMutex_);
        captureDelegate_ = std::move(captureDelegate);
        videoDelegate_ = std::move(videoDelegate);
    }
    previewView.videoPreviewLayer()->setFrameSource(session_);
    DispatchQueue::global(QualityOfService::defaultQoS)
        ->async([weakSelf = weak_from_this(), completion = std::move(completion)] {
            auto self = weakSelf.lock();
            if (!self || self->session_->isRunning()) return;
            self->session_->startRunning();
            const auto connections = self->videoOutput_->connections();
            if (!connections.empty()) {
                connections.front()->setVideoOrientation(platform::VideoOrientation::portrait);
            }
            if (completion) completion();
        });
}

std::shared_ptr<platform::CapturePhotoCaptureDelegate> CaptureSession::photoDelegate() const {
    std::lock_guard lock(delegatesMutex_);
    return captureDelegate_.lock();
}

void CaptureSession::stop() {
    if (session_->isRunning()) session_->stopRunning();
}

bool CaptureSession::isRAWFormatSupported() const {
    return !photoOutput_->availableRawPhotoFileTypes().empty();
}

platform::PhotoSettings CaptureSession::photoSettings() const {
    const auto fileTypes = photoOutput_->availableRawPhotoFileTypes();
    if (fileTypes.empty()) return platform::PhotoSettings::jpeg();
    const auto formats = photoOutput_->supportedRawPhotoPixelFormatTypes(fileTypes.front());
    if (formats.empty()) return platform::PhotoSettings::jpeg();
    // The platform is current: RAW-only photos where RAW is offered.
    return platform::PhotoSettings::raw(formats.front());
}

void CaptureSession::takePhoto(std::function<void()> successCallback) {
    DispatchQueue::global(QualityOfService::userInitiated)
        ->async([weakSelf = weak_from_this(), successCallback = std::move(successCallback)] {
            auto self = weakSelf.lock();
            if (!self) {
                Logger::capture().error("Failed to capture an image with no CaptureSession");
                return;
            }
            auto delegate = self->photoDelegate();
            if (!delegate) return;
            self->photoOutput_->capturePhoto(self->photoSettings(), delegate);
            if (successCallback) successCallback();
        });
}

}  // namespace quorvel
