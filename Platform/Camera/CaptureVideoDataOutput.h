#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "Platform/Camera/CaptureConnection.h"
#include "Platform/Camera/CaptureVideoDataOutputSampleBufferDelegate.h"
#include "Platform/Camera/SampleBuffer.h"
#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

class CaptureSession;
class FrameDelivery;
class SensorFrame;

// The video frames of a session, handed one by one to a delegate on a queue of the caller's
// choice, as the phone platform's video data output does. Reference type; thread-safe.
//
// - The delegate is held weakly; the queue strongly. Without both, frames are not delivered.
// - Frames are 32-bit BGRA buffers turned by the connection's video orientation, each carrying
//   the camera's intrinsic matrix (SensorFrame::intrinsicMatrix) as an attachment of the sample
//   buffer and of the pixel buffer. A frame's buffer is made once per orientation and shared
//   (with other outputs and the preview): delegates only read it.
// - With alwaysDiscardsLateVideoFrames (on by default, as on the platform) a frame that arrives
//   while the delegate has not yet returned from the previous one (queued or running) is
//   dropped; with it off, frames queue up.
class CaptureVideoDataOutput : public std::enable_shared_from_this<CaptureVideoDataOutput> {
    struct Token {};

public:
    static std::shared_ptr<CaptureVideoDataOutput> make();
    explicit CaptureVideoDataOutput(Token) {}

    void setSampleBufferDelegate(std::weak_ptr<CaptureVideoDataOutputSampleBufferDelegate> delegate,
                                 std::shared_ptr<DispatchQueue> queue);
    std::shared_ptr<CaptureVideoDataOutputSampleBufferDelegate> sampleBufferDelegate() const;
    std::shared_ptr<DispatchQueue> sampleBufferCallbackQueue() const;

    bool alwaysDiscardsLateVideoFrames() const;
    void setAlwaysDiscardsLateVideoFrames(bool discards);

    // One connection once the output belongs to a session that has a video input; empty before.
    std::vector<std::shared_ptr<CaptureConnection>> connections() const;

    // Frames dropped because they were late (for tests and diagnostics).
    int droppedFrameCount() const;
    // Frames handed to the delegate's queue that the delegate has not finished with.
    int framesInFlight() const;

private:
    friend class CaptureSession;
    struct FrameInFlight;

    bool belongsToSession() const;
    void attach(const std::shared_ptr<CaptureSession>& session);
    // Queues the frame for the delegate, or drops it; true when it was queued.
    bool deliver(const std::shared_ptr<SensorFrame>& frame,
                 const std::shared_ptr<FrameDelivery>& delivery);
    void frameFinished();

    mutable std::mutex mutex_;
    std::weak_ptr<CaptureVideoDataOutputSampleBufferDelegate> delegate_;
    std::shared_ptr<DispatchQueue> queue_;
    bool discardsLateFrames_ = true;
    std::weak_ptr<CaptureSession> session_;
    bool attached_ = false;
    std::shared_ptr<CaptureConnection> connection_;
    int inFlight_ = 0;
    int dropped_ = 0;
};

}  // namespace quorvel::platform
