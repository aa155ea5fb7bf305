#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Camera/CapturePhoto.h"
#include "Platform/Camera/CapturePhotoCaptureDelegate.h"
#include "Platform/Camera/PhotoSettings.h"
#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

class CaptureSession;

// Still photos of a session, standing in for the phone platform's photo output. Reference type;
// thread-safe.
//
// - RAW file types and formats are offered only once the output belongs to a session whose
//   device takes RAW photos, as on the platform.
// - capturePhoto delivers exactly once, on the camera's photo-callback queue (callbackQueue(),
//   a serial queue of its own, as the platform's photo thread), after the device's photo latency
//   measured on Clock (under a ManualClock: once a test advances the clock past it), so always
//   after the requester's own block has returned. Without a running session, without a device,
//   or for a RAW format the device does not offer, the delivery carries an error (after the same
//   latency). The delegate is held weakly, as the platform does: a delegate gone by then gets
//   nothing.
// - The photo's file data is a JPEG with the EXIF orientation the camera wrote. RAW-only
//   settings are answered with a JPEG too: the stand-in writes no DNG files, but every photo it
//   delivers decodes as an image.
class CapturePhotoOutput : public std::enable_shared_from_this<CapturePhotoOutput> {
    struct Token {};

public:
    static std::shared_ptr<CapturePhotoOutput> make();
    explicit CapturePhotoOutput(Token) {}

    // The camera's photo-callback queue, "com.quorvel.camera.photo".
    static std::shared_ptr<DispatchQueue> callbackQueue();

    std::vector<RawPhotoFileType> availableRawPhotoFileTypes() const;
    std::vector<std::uint32_t> supportedRawPhotoPixelFormatTypes(RawPhotoFileType type) const;

    void capturePhoto(const PhotoSettings& settings,
                      std::shared_ptr<CapturePhotoCaptureDelegate> delegate);

private:
    friend class CaptureSession;

    bool belongsToSession() const;
    void attach(const std::shared_ptr<CaptureSession>& session);
    std::shared_ptr<CaptureSession> session() const;
    bool offersRaw() const;

    mutable std::mutex mutex_;
    std::weak_ptr<CaptureSession> session_;
    bool attached_ = false;
};

}  // namespace quorvel::platform
