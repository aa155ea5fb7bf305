#include "Platform/Camera/CaptureDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <utility>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureSession.h"
#include "Platform/Camera/SensorFrame.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Camera/V4L2CameraDevice.h"
#include "Platform/Dispatch/ClockObserver.h"

namespace quorvel::platform {
namespace {

// The default-device slot of the process. Never destroyed: queues may still ask for the default
// device while the process exits.
struct DeviceRegistry {
    std::mutex mutex;
    std::shared_ptr<CaptureDevice> installed;
    bool discoveryEnabled = true;
    bool discovered = false;
    std::shared_ptr<CaptureDevice> hardware;
};

DeviceRegistry& registry() {
    static DeviceRegistry* const instance = new DeviceRegistry;
    return *instance;
}

// How long the pump waits before trying again when a camera that paces itself gave no frame.
constexpr Duration kFailedReadBackoff = std::chrono::milliseconds(100);

CameraError notLockedError() {
    return {"The device must be locked for configuration before its torch can be changed"};
}
CameraError noTorchError() {
    return {"The device has no torch"};
}
CameraError torchUnavailableError() {
    return {"The torch is not available at the moment"};
}

}  // namespace

// The frame pump's shared state; also told when the clock changes so that it stops making frames
// under a manual clock and starts again when the real clock returns.
struct CaptureDevice::Pump final : ClockObserver {
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;

    void clockDidChange() override {
        std::lock_guard lock(mutex);
        wake.notify_all();
    }
    void notify() {
        std::lock_guard lock(mutex);
        wake.notify_all();
    }
};

CaptureDevice::~CaptureDevice() {
    std::shared_ptr<Pump> pump;
    std::thread thread;
    {
        std::lock_guard lock(sessionsMutex_);
        pump = std::move(pump_);
        thread = std::move(pumpThread_);
    }
    if (pump) {
        stopPump(std::move(pump), std::move(thread));
    }
}

std::shared_ptr<CaptureDevice> CaptureDevice::defaultDevice(MediaType) {
    DeviceRegistry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.installed) {
        return r.installed;
    }
    if (!r.discoveryEnabled) {
        return nullptr;
    }
    if (!r.discovered) {
        r.discovered = true;
        r.hardware = V4L2CameraDevice::openFirst();
    }
    return r.hardware;
}

void CaptureDevice::installSimulatedDevice(std::shared_ptr<SimulatedCameraDevice> device) {
    installDevice(std::move(device));
}

void CaptureDevice::installDevice(std::shared_ptr<CaptureDevice> device) {
    std::shared_ptr<CaptureDevice> previous;
    {
        std::lock_guard lock(registry().mutex);
        previous = std::exchange(registry().installed, std::move(device));
    }
    // The previous device is released outside the lock.
}

void CaptureDevice::setHardwareDiscoveryEnabled(bool enabled) {
    std::lock_guard lock(registry().mutex);
    registry().discoveryEnabled = enabled;
}

bool CaptureDevice::isHardwareDiscoveryEnabled() {
    std::lock_guard lock(registry().mutex);
    return registry().discoveryEnabled;
}

AuthorizationStatus CaptureDevice::authorizationStatus(MediaType) {
    return CameraAuthorization::status();
}

void CaptureDevice::requestAccess(MediaType, std::function<void(bool granted)> completion) {
    CameraAuthorization::request(std::move(completion));
}

bool CaptureDevice::hasTorch() const {
    std::lock_guard lock(stateMutex_);
    return hasTorch_;
}

bool CaptureDevice::isTorchAvailable() const {
    std::lock_guard lock(stateMutex_);
    return hasTorch_ && torchAvailable_;
}

TorchMode CaptureDevice::torchMode() const {
    std::lock_guard lock(stateMutex_);
    return torchMode_;
}

bool CaptureDevice::isTorchActive() const {
    std::lock_guard lock(stateMutex_);
    if (!hasTorch_ || !torchAvailable_) {
        return false;
    }
    return torchMode_ == TorchMode::on ||
           (torchMode_ == TorchMode::automatic && torchActiveInAutomaticMode_);
}

float CaptureDevice::torchLevel() const {
    std::lock_guard lock(stateMutex_);
    return torchLevel_;
}

std::optional<CameraError> CaptureDevice::setTorchModeOn(float level) {
    std::lock_guard lock(stateMutex_);
    if (lockCount_ == 0) {
        return notLockedError();
    }
    if (!hasTorch_) {
        return noTorchError();
    }
    if (!(level > 0.0f && level <= 1.0f)) {
        return CameraError{"The torch level must be greater than 0 and at most 1"};
    }
    if (!torchAvailable_) {
        return torchUnavailableError();
    }
    if (refusesTorchLevel_) {
        return CameraError{"The torch could not be set to the requested level"};
    }
    torchMode_ = TorchMode::on;
    torchLevel_ = level;
    return std::nullopt;
}

std::optional<CameraError> CaptureDevice::setTorchMode(TorchMode mode) {
    std::lock_guard lock(stateMutex_);
    if (lockCount_ == 0) {
        return notLockedError();
    }
    if (!hasTorch_) {
        return noTorchError();
    }
    if (mode == TorchMode::on && !torchAvailable_) {
        return torchUnavailableError();
    }
    torchMode_ = mode;
    torchLevel_ = mode == TorchMode::on ? 1.0f : 0.0f;
    return std::nullopt;
}

std::optional<CameraError> CaptureDevice::lockForConfiguration() {
    std::lock_guard lock(stateMutex_);
    if (refusesLock_) {
        return CameraError{"The device could not be locked for configuration"};
    }
    ++lockCount_;
    return std::nullopt;
}

void CaptureDevice::unlockForConfiguration() {
    std::lock_guard lock(stateMutex_);
    if (lockCount_ > 0) {
        --lockCount_;
    }
}

int CaptureDevice::configurationLockCount() const {
    std::lock_guard lock(stateMutex_);
    return lockCount_;
}

Duration CaptureDevice::photoLatency() const {
    return std::chrono::milliseconds(100);
}

void CaptureDevice::setHasTorch(bool hasTorch) {
    std::lock_guard lock(stateMutex_);
    hasTorch_ = hasTorch;
    if (!hasTorch) {
        torchMode_ = TorchMode::off;
        torchLevel_ = 0;
    }
}

void CaptureDevice::setTorchAvailable(bool available) {
    std::lock_guard lock(stateMutex_);
    torchAvailable_ = available;
}

void CaptureDevice::setTorchActiveInAutomaticMode(bool active) {
    std::lock_guard lock(stateMutex_);
    torchActiveInAutomaticMode_ = active;
}

void CaptureDevice::setRefusesTorchLevel(bool refuses) {
    std::lock_guard lock(stateMutex_);
    refusesTorchLevel_ = refuses;
}

void CaptureDevice::setRefusesLock(bool refuses) {
    std::lock_guard lock(stateMutex_);
    refusesLock_ = refuses;
}

bool CaptureDevice::hasRunningSessions() const {
    std::lock_guard lock(sessionsMutex_);
    return std::any_of(sessions_.begin(), sessions_.end(),
                       [](const SessionEntry& entry) { return !entry.session.expired(); });
}

int CaptureDevice::deliverFrame(const std::shared_ptr<SensorFrame>& frame,
                                const std::shared_ptr<FrameDelivery>& delivery) {
    if (!frame) {
        return 0;
    }
    std::vector<std::shared_ptr<CaptureSession>> sessions;
    {
        std::lock_guard lock(sessionsMutex_);
        for (const SessionEntry& entry : sessions_) {
            if (auto session = entry.session.lock()) {
                sessions.push_back(std::move(session));
            }
        }
    }
    int taken = 0;
    for (const auto& session : sessions) {
        if (session->deliverFrame(frame, delivery)) {
            ++taken;
        }
    }
    return taken;
}

void CaptureDevice::frameIntervalDidChange() {
    std::shared_ptr<Pump> pump;
    {
        std::lock_guard lock(sessionsMutex_);
        pump = pump_;
    }
    if (pump) {
        pump->notify();
    }
}

void CaptureDevice::attachSession(const std::shared_ptr<CaptureSession>& session) {
    std::lock_guard lock(sessionsMutex_);
    std::erase_if(sessions_, [](const SessionEntry& entry) { return entry.session.expired(); });
    const bool present = std::any_of(sessions_.begin(), sessions_.end(),
                                     [&](const auto& entry) { return entry.key == session.get(); });
    if (!present) {
        sessions_.push_back({session.get(), session});
    }
    if (!pump_) {
        pump_ = std::make_shared<Pump>();
        Clock::addObserver(pump_);
        pumpThread_ = std::thread(&CaptureDevice::runPump, pump_, weak_from_this());
    }
}

void CaptureDevice::detachSession(const CaptureSession* session) {
    std::shared_ptr<Pump> pump;
    std::thread thread;
    {
        std::lock_guard lock(sessionsMutex_);
        std::erase_if(sessions_, [&](const SessionEntry& entry) {
            return entry.key == session || entry.session.expired();
        });
        if (sessions_.empty()) {
            pump = std::move(pump_);
            thread = std::move(pumpThread_);
        }
    }
    if (pump) {
        stopPump(std::move(pump), std::move(thread));
    }
}

void CaptureDevice::stopPump(std::shared_ptr<Pump> pump, std::thread thread) {
    {
        std::lock_guard lock(pump->mutex);
        pump->stopping = true;
        pump->wake.notify_all();
    }
    if (!thread.joinable()) {
        return;
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        // The pump itself let go of the last session or device: it ends on its own once this
        // call returns, and holds nothing but its own state.
        thread.detach();
    } else {
        thread.join();
    }
}

void CaptureDevice::runPump(std::shared_ptr<Pump> pump, std::weak_ptr<CaptureDevice> weakDevice) {
    using SteadyClock = std::chrono::steady_clock;
    // The time of the next frame; none: at once.
    bool scheduled = false;
    SteadyClock::time_point deadline{};
    for (;;) {
        std::optional<Duration> interval;
        if (auto device = weakDevice.lock()) {
            interval = device->frameInterval();
        } else {
            return;
        }
        {
            std::unique_lock lock(pump->mutex);
            if (pump->stopping) {
                return;
            }
            if (Clock::isManual() || !interval) {
                // Frames are stepped by hand under a manual clock; a paused device waits to
                // be given a frame rate.
                pump->wake.wait(lock);
                scheduled = false;
                continue;
            }
            // With the real clock installed, Clock's time is the steady clock's.
            if (scheduled && SteadyClock::now() < deadline) {
                pump->wake.wait_until(lock, deadline);
                continue;
            }
        }
        std::shared_ptr<SensorFrame> frame;
        if (auto device = weakDevice.lock()) {
            frame = device->captureFrame();
            if (frame) {
                device->deliverFrame(frame);
            }
        } else {
            return;
        }
        const auto now = SteadyClock::now();
        if (!frame && *interval == Duration::zero()) {
            deadline = now + kFailedReadBackoff;
        } else {
            // Keeps the rhythm, but a late frame is not made up for with a burst.
            deadline = std::max((scheduled ? deadline : now) + *interval, now);
        }
        scheduled = true;
    }
}

}  // namespace quorvel::platform
