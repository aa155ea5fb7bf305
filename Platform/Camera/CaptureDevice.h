#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Camera/CameraError.h"
#include "Platform/Camera/PhotoSettings.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace quorvel::platform {

class CaptureSession;
class FrameDelivery;
class SensorFrame;
class SimulatedCameraDevice;

enum class MediaType { video };
enum class TorchMode { off, on, automatic };
enum class AuthorizationStatus { notDetermined, restricted, denied, authorized };

// A camera, standing in for the phone platform's capture device. Reference type; thread-safe (the
// torch and the configuration lock are used from several queues at once).
//
// Two kinds exist: SimulatedCameraDevice, a scriptable camera that films a generated scene or
// still photos, and V4L2CameraDevice, a real camera behind /dev/videoN. The default video device
// is the installed one (tests and hosts install a simulated camera), else the first working
// V4L2 camera, found on first use, unless hardware discovery has been switched off.
//
// The torch and the configuration lock behave as the platform's:
// - Changing the torch needs the configuration lock (lockForConfiguration), which is counted:
//   every successful lock needs one unlock.
// - A device without a torch refuses every torch change; a torch that is not available at the
//   moment refuses to go on.
// - isTorchActive: the light is actually on, which the automatic mode decides by the scene.
//
// While sessions run with the device as their input, a frame pump (a thread of its own) reads
// frames at the device's frame rate, paced on Clock, and hands them to those sessions. Under a
// ManualClock the pump does not produce frames: tests step frames explicitly (see
// SimulatedCameraDevice::emitFrames).
class CaptureDevice : public std::enable_shared_from_this<CaptureDevice> {
public:
    virtual ~CaptureDevice();
    CaptureDevice(const CaptureDevice&) = delete;
    CaptureDevice& operator=(const CaptureDevice&) = delete;

    // The installed device, else (with discovery on) the first working V4L2 camera, opened on
    // first use and kept; nullptr when there is none.
    static std::shared_ptr<CaptureDevice> defaultDevice(MediaType mediaType);
    // Makes `device` the default video device; nullptr uninstalls it.
    static void installSimulatedDevice(std::shared_ptr<SimulatedCameraDevice> device);
    // The same for any device (a V4L2 camera chosen by the host, say).
    static void installDevice(std::shared_ptr<CaptureDevice> device);
    // Whether defaultDevice may look for cameras under /dev when nothing is installed. On by
    // default; tests switch it off so that they never depend on (or open) the machine's cameras.
    static void setHardwareDiscoveryEnabled(bool enabled);
    static bool isHardwareDiscoveryEnabled();

    // The camera permission (see CameraAuthorization for the simulated user).
    static AuthorizationStatus authorizationStatus(MediaType mediaType);
    // Asks for the permission when it has not been decided, else answers with the decision. As
    // on the platform the completion runs on an arbitrary queue (the default global queue).
    static void requestAccess(MediaType mediaType, std::function<void(bool granted)> completion);

    virtual std::string localizedName() const = 0;

    virtual bool hasTorch() const;
    virtual bool isTorchAvailable() const;
    virtual TorchMode torchMode() const;
    virtual bool isTorchActive() const;
    // The torch level last set (0 while the torch mode is off).
    float torchLevel() const;
    // Switches the torch on at `level` (0 < level ≤ 1). Needs the configuration lock.
    virtual std::optional<CameraError> setTorchModeOn(float level);
    // Needs the configuration lock. `on` means full level.
    virtual std::optional<CameraError> setTorchMode(TorchMode mode);

    virtual std::optional<CameraError> lockForConfiguration();
    // Ignored when the device is not locked.
    virtual void unlockForConfiguration();
    // How many locks are held (for tests).
    int configurationLockCount() const;

protected:
    // Everything a photo request produces: the encoded file, or the error it ends with, and the
    // lens's intrinsic matrix when the camera formed the picture itself (see CapturePhoto).
    struct PhotoResult {
        std::optional<Data> fileData;
        std::optional<CameraError> error;
        std::optional<FloatMatrix3x3> intrinsicMatrix = std::nullopt;
    };
    // Makes the photo once it is due; runs on the camera's photo-callback queue.
    using PhotoJob = std::function<PhotoResult()>;

    CaptureDevice() = default;

    // The time between frames; zero when reading a frame waits for the camera by itself;
    // nullopt while the device makes no frames on its own (a frame rate of 0).
    virtual std::optional<Duration> frameInterval() const = 0;
    // The next frame of the sensor; nullptr when none could be read.
    virtual std::shared_ptr<SensorFrame> captureFrame() = 0;

    // Called when a photo is requested: takes what the photo shows at this moment (the device
    // orientation, the scene) and returns the work that encodes it when it is delivered.
    virtual PhotoJob preparePhoto(const PhotoSettings& settings) = 0;
    // The time from a photo request to its delivery, on Clock.
    virtual Duration photoLatency() const;
    virtual bool supportsRawPhotos() const { return false; }

    // Called by a session's startRunning, in its turn, before it runs: a real camera powers up
    // here. Blocking in it blocks the start.
    virtual void sessionWillStart() {}

    // Scripted refusals (see SimulatedCameraDevice); a real device accepts everything.
    virtual bool refusesSessionInput() const { return false; }
    virtual bool refusesPhotoOutput() const { return false; }
    virtual bool refusesVideoOutput() const { return false; }

    // Torch and lock behaviour for subclasses to script.
    void setHasTorch(bool hasTorch);
    // Whether the torch may be switched on at the moment (a phone refuses when it runs hot).
    void setTorchAvailable(bool available);
    // Whether the automatic mode finds the scene dark enough to light the torch.
    void setTorchActiveInAutomaticMode(bool active);
    void setRefusesTorchLevel(bool refuses);
    void setRefusesLock(bool refuses);

    // Whether any session runs with this device as input.
    bool hasRunningSessions() const;
    // Hands a frame to every running session; returns how many took it. With `delivery`, the
    // frames queued to delegates are counted there so that the caller can wait for them.
    int deliverFrame(const std::shared_ptr<SensorFrame>& frame,
                     const std::shared_ptr<FrameDelivery>& delivery = nullptr);
    // Wakes the frame pump to look at frameInterval() again.
    void frameIntervalDidChange();

private:
    friend class CaptureSession;
    friend class CapturePhotoOutput;

    struct Pump;
    struct SessionEntry {
        const CaptureSession* key;
        std::weak_ptr<CaptureSession> session;
    };

    void attachSession(const std::shared_ptr<CaptureSession>& session);
    void detachSession(const CaptureSession* session);
    static void runPump(std::shared_ptr<Pump> pump, std::weak_ptr<CaptureDevice> device);
    static void stopPump(std::shared_ptr<Pump> pump, std::thread thread);

    mutable std::mutex stateMutex_;
    bool hasTorch_ = false;
    bool torchAvailable_ = false;
    bool torchActiveInAutomaticMode_ = false;
    bool refusesTorchLevel_ = false;
    bool refusesLock_ = false;
    TorchMode torchMode_ = TorchMode::off;
    float torchLevel_ = 0;
    int lockCount_ = 0;

    mutable std::mutex sessionsMutex_;
    std::vector<SessionEntry> sessions_;
    std::shared_ptr<Pump> pump_;
    std::thread pumpThread_;
};

}  // namespace quorvel::platform
