#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Camera/CaptureDeviceInput.h"
#include "Platform/Imaging/VideoFrameSource.h"

namespace quorvel::platform {

class CapturePhotoOutput;
class CaptureVideoDataOutput;
class FrameDelivery;
class SensorFrame;

enum class SessionPreset { high, photo };

// A capture session, standing in for the phone platform's: one video input and its outputs.
// Reference type; thread-safe.
//
// - An input is refused when the device refuses it (scripted on a simulated camera) or when the
//   session already has that input or that device. An output is refused when it already belongs
//   to a session or its session's device refuses it (scripted).
// - A video data output added to a session gets one connection once the session has an input.
// - startRunning() blocks until the session runs and stopRunning() until it has stopped, as on
//   the platform. Calls are carried out one at a time in the order they were issued, so a stop
//   issued after a start (from any thread) always wins. Frames reach the video outputs only while
//   the session runs.
// - Adding or refusing things never throws: a refused add is ignored.
// - As a video frame source it offers the newest frame the device delivered while the session
//   ran (kept after it stops), turned as a portrait connection turns it: the frame's one buffer,
//   shared with the video outputs that received the frame in that orientation. Its viewers are
//   told of each frame on the device's thread, after the outputs have it.
class CaptureSession : public VideoFrameSource,
                       public std::enable_shared_from_this<CaptureSession> {
    struct Token {};

public:
    static std::shared_ptr<CaptureSession> make();

    explicit CaptureSession(Token) {}
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Batches configuration changes; here changes apply at once and these only count nesting.
    void beginConfiguration();
    void commitConfiguration();
    bool isConfiguring() const;

    bool canAddInput(const CaptureDeviceInput& input) const;
    void addInput(std::shared_ptr<CaptureDeviceInput> input);
    std::vector<std::shared_ptr<CaptureDeviceInput>> inputs() const;

    bool canAddOutput(const CapturePhotoOutput& output) const;
    bool canAddOutput(const CaptureVideoDataOutput& output) const;
    void addOutput(std::shared_ptr<CapturePhotoOutput> output);
    void addOutput(std::shared_ptr<CaptureVideoDataOutput> output);
    // The video data outputs added so far, in the order they were added.
    std::vector<std::shared_ptr<CaptureVideoDataOutput>> videoOutputs() const;

    // high until set.
    void setSessionPreset(SessionPreset preset);
    SessionPreset sessionPreset() const;

    void startRunning();
    void stopRunning();
    bool isRunning() const;

    // Start and stop calls issued and not yet finished (for tests).
    int pendingRunningChanges() const;

    // The device of the video input, if any.
    std::shared_ptr<CaptureDevice> videoDevice() const;

    std::uint64_t videoFrameCount() const override;
    std::shared_ptr<const PixelBuffer> newestVideoFrame() const override;

private:
    friend class CaptureDevice;

    // Runs start and stop requests one at a time, in the order they were issued.
    class Turn;

    // Hands a frame of the input device to the video outputs; false when not running.
    bool deliverFrame(const std::shared_ptr<SensorFrame>& frame,
                      const std::shared_ptr<FrameDelivery>& delivery);
    std::shared_ptr<CaptureDevice> videoDeviceLocked() const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<CaptureDeviceInput>> inputs_;
    std::vector<std::shared_ptr<CapturePhotoOutput>> photoOutputs_;
    std::vector<std::shared_ptr<CaptureVideoDataOutput>> videoOutputs_;
    SessionPreset preset_ = SessionPreset::high;
    int configurationDepth_ = 0;
    bool running_ = false;
    std::shared_ptr<SensorFrame> newestFrame_;
    std::uint64_t frameCount_ = 0;

    mutable std::mutex turnMutex_;
    std::condition_variable turnChanged_;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t servingTicket_ = 0;
};

}  // namespace quorvel::platform
