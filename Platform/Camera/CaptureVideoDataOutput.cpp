#include "Platform/Camera/CaptureVideoDataOutput.h"

#include <algorithm>

#include "Platform/Camera/CaptureSession.h"
#include "Platform/Camera/FrameDelivery.h"
#include "Platform/Camera/SensorFrame.h"

namespace quorvel::platform {

// Marks a frame as handled when the block that carries it is done with it or is dropped
// unrun: the output's in-flight count goes down, and a waiting emitter is told.
struct CaptureVideoDataOutput::FrameInFlight {
    std::weak_ptr<CaptureVideoDataOutput> output;
    std::shared_ptr<FrameDelivery> delivery;

    FrameInFlight(std::weak_ptr<CaptureVideoDataOutput> o, std::shared_ptr<FrameDelivery> d)
        : output(std::move(o)), delivery(std::move(d)) {
        if (delivery) {
            delivery->begin();
        }
    }
    FrameInFlight(const FrameInFlight&) = delete;
    FrameInFlight& operator=(const FrameInFlight&) = delete;
    ~FrameInFlight() {
        if (auto o = output.lock()) {
            o->frameFinished();
        }
        if (delivery) {
            delivery->end();
        }
    }
};

std::shared_ptr<CaptureVideoDataOutput> CaptureVideoDataOutput::make() {
    return std::make_shared<CaptureVideoDataOutput>(Token{});
}

void CaptureVideoDataOutput::setSampleBufferDelegate(
    std::weak_ptr<CaptureVideoDataOutputSampleBufferDelegate> delegate,
    std::shared_ptr<DispatchQueue> queue) {
    std::shared_ptr<DispatchQueue> previous;
    {
        std::lock_guard lock(mutex_);
        delegate_ = std::move(delegate);
        previous = std::exchange(queue_, std::move(queue));
    }
    // A serial queue released here may wait for its due blocks: not under the lock.
}

std::shared_ptr<CaptureVideoDataOutputSampleBufferDelegate>
CaptureVideoDataOutput::sampleBufferDelegate() const {
    std::lock_guard lock(mutex_);
    return delegate_.lock();
}

std::shared_ptr<DispatchQueue> CaptureVideoDataOutput::sampleBufferCallbackQueue() const {
    std::lock_guard lock(mutex_);
    return queue_;
}

bool CaptureVideoDataOutput::alwaysDiscardsLateVideoFrames() const {
    std::lock_guard lock(mutex_);
    return discardsLateFrames_;
}

void CaptureVideoDataOutput::setAlwaysDiscardsLateVideoFrames(bool discards) {
    std::lock_guard lock(mutex_);
    discardsLateFrames_ = discards;
}

std::vector<std::shared_ptr<CaptureConnection>> CaptureVideoDataOutput::connections() const {
    std::shared_ptr<CaptureSession> session;
    std::shared_ptr<CaptureConnection> connection;
    {
        std::lock_guard lock(mutex_);
        session = session_.lock();
        connection = connection_;
    }
    if (!session || !connection || !session->videoDevice()) {
        return {};
    }
    return {connection};
}

int CaptureVideoDataOutput::droppedFrameCount() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

int CaptureVideoDataOutput::framesInFlight() const {
    std::lock_guard lock(mutex_);
    return inFlight_;
}

bool CaptureVideoDataOutput::belongsToSession() const {
    std::lock_guard lock(mutex_);
    return attached_;
}

void CaptureVideoDataOutput::attach(const std::shared_ptr<CaptureSession>& session) {
    std::lock_guard lock(mutex_);
    session_ = session;
    attached_ = true;
    if (!connection_) {
        connection_ = CaptureConnection::make();
    }
}

void CaptureVideoDataOutput::frameFinished() {
    std::lock_guard lock(mutex_);
    inFlight_ = std::max(0, inFlight_ - 1);
}

bool CaptureVideoDataOutput::deliver(const std::shared_ptr<SensorFrame>& frame,
                                     const std::shared_ptr<FrameDelivery>& delivery) {
    std::weak_ptr<CaptureVideoDataOutputSampleBufferDelegate> delegate;
    std::shared_ptr<DispatchQueue> queue;
    std::shared_ptr<CaptureConnection> connection;
    {
        std::lock_guard lock(mutex_);
        if (delegate_.expired() || !queue_ || !connection_) {
            return false;
        }
        if (discardsLateFrames_ && inFlight_ > 0) {
            ++dropped_;
            return false;
        }
        ++inFlight_;
        delegate = delegate_;
        queue = queue_;
        connection = connection_;
    }
    // An emitter running on the delegate's own queue cannot wait for it.
    auto inFlight =
        std::make_shared<FrameInFlight>(weak_from_this(), queue->isCurrent() ? nullptr : delivery);

    // The frame's one buffer for this orientation, shared with the other outputs and the preview.
    const VideoOrientation orientation = connection->videoOrientation();
    auto sample = SampleBuffer::make(
        frame->pixelBuffer(orientation),
        SensorFrame::intrinsicMatrix(frame->width(), frame->height(), orientation), Clock::now());

    queue->async([weakSelf = weak_from_this(), delegate = std::move(delegate),
                  sample = std::move(sample), connection = std::move(connection),
                  inFlight = std::move(inFlight)]() mutable {
        auto self = weakSelf.lock();
        auto receiver = delegate.lock();
        if (self && receiver) {
            receiver->captureOutput(*self, std::move(sample), *connection);
        }
        // The delegate is done with the frame: the next one is no longer late.
        inFlight.reset();
    });
    return true;
}

}  // namespace quorvel::platform
