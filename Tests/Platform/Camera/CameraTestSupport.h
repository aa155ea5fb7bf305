#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/Camera/CameraAuthorization.h"
#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/CapturePhotoOutput.h"
#include "Platform/Camera/CaptureSession.h"
#include "Platform/Camera/CaptureVideoDataOutput.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Foundation/Device.h"

namespace camera_testing {

using namespace quorvel::platform;

// Long enough never to be reached by a correct program; guards tests against hanging.
constexpr auto kGenerousWait = std::chrono::seconds(20);

// One scene for the whole program: making it draws the page, which takes a moment.
inline std::shared_ptr<SimulatedScene> sharedScene() {
    static const std::shared_ptr<SimulatedScene> scene = SimulatedScene::make();
    return scene;
}

// Records the frames it is given; can keep the delegate busy with a frame until released.
class RecordingVideoDelegate : public CaptureVideoDataOutputSampleBufferDelegate {
public:
    struct Received {
        std::shared_ptr<SampleBuffer> sample;
        VideoOrientation orientation;
        bool onQueue;
    };

    explicit RecordingVideoDelegate(std::shared_ptr<DispatchQueue> queue)
        : queue_(std::move(queue)) {}

    void captureOutput(CaptureVideoDataOutput&, std::shared_ptr<SampleBuffer> sample,
                       CaptureConnection& connection) override {
        std::unique_lock lock(mutex_);
        received_.push_back(
            {std::move(sample), connection.videoOrientation(), queue_ && queue_->isCurrent()});
        ++busy_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
        --busy_;
    }

    // Frames from now on keep the delegate busy until releaseFrames().
    void holdFrames() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void releaseFrames() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }
    // Waits until the delegate is busy with a held frame.
    bool waitUntilBusy() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kGenerousWait, [this] { return busy_ > 0; });
    }
    bool waitForFrames(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kGenerousWait, [&] { return received_.size() >= count; });
    }

    std::vector<Received> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return received_.size();
    }

private:
    std::shared_ptr<DispatchQueue> queue_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Received> received_;
    bool holding_ = false;
    int busy_ = 0;
};

// Records the photos delivered to it.
class PhotoRecorder : public CapturePhotoCaptureDelegate {
public:
    struct Delivery {
        std::shared_ptr<CapturePhoto> photo;
        std::optional<CameraError> error;
        bool onCallbackQueue;
    };

    void photoOutput(CapturePhotoOutput&, std::shared_ptr<CapturePhoto> photo,
                     std::optional<CameraError> error) override {
        std::lock_guard lock(mutex_);
        deliveries_.push_back(
            {std::move(photo), std::move(error), CapturePhotoOutput::callbackQueue()->isCurrent()});
        changed_.notify_all();
    }

    // The delivery number `index` (from 0), waiting for it; nullopt if it never comes.
    std::optional<Delivery> waitForDelivery(std::size_t index = 0) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kGenerousWait, [&] { return deliveries_.size() > index; })) {
            return std::nullopt;
        }
        return deliveries_[index];
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return deliveries_.size();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Delivery> deliveries_;
};

// A session filming `device`, its frames going to a recording delegate on their own queue.
struct RecordingSession {
    explicit RecordingSession(const std::shared_ptr<SimulatedCameraDevice>& device)
        : session(CaptureSession::make()),
          output(CaptureVideoDataOutput::make()),
          queue(DispatchQueue::makeSerial("CaptureOutput")),
          delegate(std::make_shared<RecordingVideoDelegate>(queue)) {
        session->addInput(CaptureDeviceInput::make(device).first);
        output->setSampleBufferDelegate(delegate, queue);
        session->addOutput(output);
    }

    std::shared_ptr<CaptureSession> session;
    std::shared_ptr<CaptureVideoDataOutput> output;
    std::shared_ptr<DispatchQueue> queue;
    std::shared_ptr<RecordingVideoDelegate> delegate;
};

// Lets everything already due on the photo-callback queue run.
inline void drainPhotoQueue() {
    CapturePhotoOutput::callbackQueue()->sync([] {});
}

// A simulated camera installed as the default device, under a manual clock, with a session
// holding its input, a photo output and a video output whose frames go to a recording delegate.
class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        CaptureDevice::setHardwareDiscoveryEnabled(false);
        CameraAuthorization::reset();
        Device::setOrientation(DeviceOrientation::portrait);
        device = SimulatedCameraDevice::make(sharedScene());
        ASSERT_NE(device, nullptr);
        device->setPhotoSize(800, 600);
        CaptureDevice::installSimulatedDevice(device);

        session = CaptureSession::make();
        input = CaptureDeviceInput::make(device).first;
        ASSERT_NE(input, nullptr);
        session->addInput(input);
        photoOutput = CapturePhotoOutput::make();
        session->addOutput(photoOutput);
        videoOutput = CaptureVideoDataOutput::make();
        queue = DispatchQueue::makeSerial("CaptureOutput");
        delegate = std::make_shared<RecordingVideoDelegate>(queue);
        videoOutput->setSampleBufferDelegate(delegate, queue);
        session->addOutput(videoOutput);
    }

    void TearDown() override {
        if (delegate) {
            delegate->releaseFrames();
        }
        if (session) {
            session->stopRunning();
        }
        CaptureDevice::installSimulatedDevice(nullptr);
        Device::setOrientation(DeviceOrientation::portrait);
        CameraAuthorization::reset();
    }

    ScopedManualClock clock;
    std::shared_ptr<SimulatedCameraDevice> device;
    std::shared_ptr<CaptureSession> session;
    std::shared_ptr<CaptureDeviceInput> input;
    std::shared_ptr<CapturePhotoOutput> photoOutput;
    std::shared_ptr<CaptureVideoDataOutput> videoOutput;
    std::shared_ptr<DispatchQueue> queue;
    std::shared_ptr<RecordingVideoDelegate> delegate;
};

}  // namespace camera_testing
