#include "Platform/Camera/CaptureSession.h"

#include <algorithm>
#include <utility>

#include "Platform/Camera/CapturePhotoOutput.h"
#include "Platform/Camera/CaptureVideoDataOutput.h"
#include "Platform/Camera/SensorFrame.h"

namespace quorvel::platform {

// Takes a ticket when a start or stop is issued and waits until the earlier ones are done.
class CaptureSession::Turn {
public:
    explicit Turn(CaptureSession& session) : session_(session) {
        std::unique_lock lock(session_.turnMutex_);
        const std::uint64_t ticket = session_.nextTicket_++;
        session_.turnChanged_.wait(lock, [&] { return session_.servingTicket_ == ticket; });
    }
    ~Turn() {
        std::lock_guard lock(session_.turnMutex_);
        ++session_.servingTicket_;
        session_.turnChanged_.notify_all();
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

private:
    CaptureSession& session_;
};

std::shared_ptr<CaptureSession> CaptureSession::make() {
    return std::make_shared<CaptureSession>(Token{});
}

CaptureSession::~CaptureSession() {
    std::shared_ptr<CaptureDevice> device;
    {
        std::lock_guard lock(mutex_);
        if (running_) {
            running_ = false;
            device = videoDeviceLocked();
        }
    }
    if (device) {
        device->detachSession(this);
    }
}

void CaptureSession::beginConfiguration() {
    std::lock_guard lock(mutex_);
    ++configurationDepth_;
}

void CaptureSession::commitConfiguration() {
    std::lock_guard lock(mutex_);
    configurationDepth_ = std::max(0, configurationDepth_ - 1);
}

bool CaptureSession::isConfiguring() const {
    std::lock_guard lock(mutex_);
    return configurationDepth_ > 0;
}

bool CaptureSession::canAddInput(const CaptureDeviceInput& input) const {
    const auto& device = input.device();
    if (!device || device->refusesSessionInput()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return std::none_of(inputs_.begin(), inputs_.end(), [&](const auto& present) {
        return present.get() == &input || present->device() == device;
    });
}

void CaptureSession::addInput(std::shared_ptr<CaptureDeviceInput> input) {
    if (!input || !canAddInput(*input)) {
        return;
    }
    std::shared_ptr<CaptureDevice> device;
    {
        std::lock_guard lock(mutex_);
        inputs_.push_back(input);
        if (running_) {
            device = input->device();
        }
    }
    if (device) {
        device->attachSession(shared_from_this());
    }
}

std::vector<std::shared_ptr<CaptureDeviceInput>> CaptureSession::inputs() const {
    std::lock_guard lock(mutex_);
    return inputs_;
}

std::vector<std::shared_ptr<CaptureVideoDataOutput>> CaptureSession::videoOutputs() const {
    std::lock_guard lock(mutex_);
    return videoOutputs_;
}

bool CaptureSession::canAddOutput(const CapturePhotoOutput& output) const {
    if (output.belongsToSession()) {
        return false;
    }
    auto device = videoDevice();
    return !device || !device->refusesPhotoOutput();
}

bool CaptureSession::canAddOutput(const CaptureVideoDataOutput& output) const {
    if (output.belongsToSession()) {
        return false;
    }
    auto device = videoDevice();
    return !device || !device->refusesVideoOutput();
}

void CaptureSession::addOutput(std::shared_ptr<CapturePhotoOutput> output) {
    if (!output || !canAddOutput(*output)) {
        return;
    }
    output->attach(shared_from_this());
    std::lock_guard lock(mutex_);
    photoOutputs_.push_back(std::move(output));
}

void CaptureSession::addOutput(std::shared_ptr<CaptureVideoDataOutput> output) {
    if (!output || !canAddOutput(*output)) {
        return;
    }
    output->attach(shared_from_this());
    std::lock_guard lock(mutex_);
    videoOutputs_.push_back(std::move(output));
}

void CaptureSession::setSessionPreset(SessionPreset preset) {
    std::lock_guard lock(mutex_);
    preset_ = preset;
}

SessionPreset CaptureSession::sessionPreset() const {
    std::lock_guard lock(mutex_);
    return preset_;
}

void CaptureSession::startRunning() {
    Turn turn(*this);
    std::shared_ptr<CaptureDevice> device;
    {
        std::lock_guard lock(mutex_);
        if (running_) {
            return;
        }
        device = videoDeviceLocked();
    }
    if (device) {
        device->sessionWillStart();
    }
    {
        std::lock_guard lock(mutex_);
        running_ = true;
        device = videoDeviceLocked();
    }
    if (device) {
        device->attachSession(shared_from_this());
    }
}

int CaptureSession::pendingRunningChanges() const {
    std::lock_guard lock(turnMutex_);
    return static_cast<int>(nextTicket_ - servingTicket_);
}

void CaptureSession::stopRunning() {
    Turn turn(*this);
    std::shared_ptr<CaptureDevice> device;
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return;
        }
        running_ = false;
        device = videoDeviceLocked();
    }
    if (device) {
        device->detachSession(this);
    }
}

bool CaptureSession::isRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

std::shared_ptr<CaptureDevice> CaptureSession::videoDevice() const {
    std::lock_guard lock(mutex_);
    return videoDeviceLocked();
}

std::shared_ptr<CaptureDevice> CaptureSession::videoDeviceLocked() const {
    return inputs_.empty() ? nullptr : inputs_.front()->device();
}

std::uint64_t CaptureSession::videoFrameCount() const {
    std::lock_guard lock(mutex_);
    return frameCount_;
}

std::shared_ptr<const PixelBuffer> CaptureSession::newestVideoFrame() const {
    std::shared_ptr<SensorFrame> frame;
    {
        std::lock_guard lock(mutex_);
        frame = newestFrame_;
    }
    // Outside the lock: frames keep arriving while the first asker has the frame made.
    return frame ? frame->pixelBuffer(VideoOrientation::portrait) : nullptr;
}

bool CaptureSession::deliverFrame(const std::shared_ptr<SensorFrame>& frame,
                                  const std::shared_ptr<FrameDelivery>& delivery) {
    std::vector<std::shared_ptr<CaptureVideoDataOutput>> outputs;
    {
        std::lock_guard lock(mutex_);
        if (!running_) {
            return false;
        }
        newestFrame_ = frame;
        ++frameCount_;
        outputs = videoOutputs_;
    }
    bool queued = false;
    for (const auto& output : outputs) {
        queued = output->deliver(frame, delivery) || queued;
    }
    notifyViewers();
    return queued;
}

}  // namespace quorvel::platform
