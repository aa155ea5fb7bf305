#pragma once

#include <memory>

namespace quorvel::platform {

class CaptureConnection;
class CaptureVideoDataOutput;
class SampleBuffer;

// Receives the frames of a video data output, on the queue given with it.
class CaptureVideoDataOutputSampleBufferDelegate {
public:
    virtual ~CaptureVideoDataOutputSampleBufferDelegate() = default;

    virtual void captureOutput(CaptureVideoDataOutput& output,
                               std::shared_ptr<SampleBuffer> sampleBuffer,
                               CaptureConnection& connection) = 0;
};

}  // namespace quorvel::platform
