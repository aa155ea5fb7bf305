#include "Platform/Camera/CapturePhotoOutput.h"

#include <algorithm>
#include <utility>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/CaptureSession.h"

namespace quorvel::platform {

std::shared_ptr<CapturePhotoOutput> CapturePhotoOutput::make() {
    return std::make_shared<CapturePhotoOutput>(Token{});
}

std::shared_ptr<DispatchQueue> CapturePhotoOutput::callbackQueue() {
    // Made once and never destroyed, like the platform's own camera thread.
    static auto* const queue = new std::shared_ptr<DispatchQueue>(
        DispatchQueue::makeSerial("com.quorvel.camera.photo", QualityOfService::userInitiated));
    return *queue;
}

bool CapturePhotoOutput::offersRaw() const {
    auto owner = session();
    auto device = owner ? owner->videoDevice() : nullptr;
    return device && device->supportsRawPhotos();
}

std::vector<RawPhotoFileType> CapturePhotoOutput::availableRawPhotoFileTypes() const {
    if (!offersRaw()) {
        return {};
    }
    return {RawPhotoFileType::dng};
}

std::vector<std::uint32_t> CapturePhotoOutput::supportedRawPhotoPixelFormatTypes(
    RawPhotoFileType) const {
    if (!offersRaw()) {
        return {};
    }
    return {rawBayerPixelFormat};
}

void CapturePhotoOutput::capturePhoto(const PhotoSettings& settings,
                                      std::shared_ptr<CapturePhotoCaptureDelegate> delegate) {
    auto owner = session();
    auto device = owner ? owner->videoDevice() : nullptr;

    CaptureDevice::PhotoJob job;
    std::optional<CameraError> error;
    if (!owner || !owner->isRunning()) {
        error = CameraError{"The photo could not be taken: the capture session is not running"};
    } else if (!device) {
        error = CameraError{"The photo could not be taken: the session has no camera"};
    } else if (settings.wantsRaw() &&
               (!device->supportsRawPhotos() || settings.rawPixelFormat != rawBayerPixelFormat)) {
        error = CameraError{"The photo could not be taken: the RAW format is not supported"};
    } else {
        job = device->preparePhoto(settings);
    }
    const Duration latency = device ? device->photoLatency() : std::chrono::milliseconds(100);

    std::weak_ptr<CapturePhotoCaptureDelegate> weakDelegate = delegate;
    delegate.reset();
    callbackQueue()->asyncAfter(
        Clock::now() + latency,
        [weakSelf = weak_from_this(), weakDelegate = std::move(weakDelegate), job = std::move(job),
         error = std::move(error)] {
            auto self = weakSelf.lock();
            auto receiver = weakDelegate.lock();
            if (!self || !receiver) {
                return;
            }
            CaptureDevice::PhotoResult result;
            if (job) {
                result = job();
            } else {
                result.error = error;
            }
            if (result.error) {
                result.fileData.reset();
            } else if (!result.fileData) {
                result.error = CameraError{"The photo could not be encoded"};
            }
            auto photo =
                std::make_shared<CapturePhoto>(std::move(result.fileData), result.intrinsicMatrix);
            receiver->photoOutput(*self, std::move(photo), std::move(result.error));
        });
}

bool CapturePhotoOutput::belongsToSession() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

void CapturePhotoOutput::attach(const std::shared_ptr<CaptureSession>& session) {
    std::lock_guard lock(mutex_);
    session_ = session;
    attached_ = true;
}

std::shared_ptr<CaptureSession> CapturePhotoOutput::session() const {
    std::lock_guard lock(mutex_);
    return session_.lock();
}

}  // namespace quorvel::platform
