#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "CameraTestSupport.h"

namespace camera_testing {
namespace {

using CaptureSessionTest = CameraTest;

TEST_F(CaptureSessionTest, RunsBetweenStartAndStop) {
    EXPECT_FALSE(session->isRunning());
    session->startRunning();
    EXPECT_TRUE(session->isRunning());
    session->startRunning();
    EXPECT_TRUE(session->isRunning());
    session->stopRunning();
    EXPECT_FALSE(session->isRunning());
    session->stopRunning();
    EXPECT_FALSE(session->isRunning());
}

TEST_F(CaptureSessionTest, StopIssuedWhileAStartIsUnderWayWins) {
    device->holdSessionStarts(true);
    std::thread starter([&] { session->startRunning(); });
    while (device->heldSessionStartCount() == 0) {
        std::this_thread::yield();
    }
    std::thread stopper([&] { session->stopRunning(); });
    // The stop has been issued (it waits for the start's turn) before the start may finish.
    while (session->pendingRunningChanges() < 2) {
        std::this_thread::yield();
    }
    device->holdSessionStarts(false);
    starter.join();
    stopper.join();
    EXPECT_FALSE(session->isRunning());
    EXPECT_EQ(device->emitFrames(1), 0);
}

TEST_F(CaptureSessionTest, FramesReachTheDelegateOnlyWhileRunning) {
    EXPECT_EQ(device->emitFrames(2), 0);
    session->startRunning();
    EXPECT_EQ(device->emitFrames(3), 3);
    // emitFrames returns once the delegate has had each frame.
    ASSERT_EQ(delegate->count(), 3u);
    for (const auto& frame : delegate->received()) {
        EXPECT_TRUE(frame.onQueue);
    }
    session->stopRunning();
    EXPECT_EQ(device->emitFrames(2), 0);
    EXPECT_EQ(delegate->count(), 3u);
}

TEST_F(CaptureSessionTest, VideoOutputHasOneConnectionOnceTheSessionHasAnInput) {
    auto bare = CaptureSession::make();
    auto output = CaptureVideoDataOutput::make();
    EXPECT_TRUE(output->connections().empty());
    bare->addOutput(output);
    EXPECT_TRUE(output->connections().empty());
    bare->addInput(CaptureDeviceInput::make(device).first);
    ASSERT_EQ(output->connections().size(), 1u);
    EXPECT_EQ(output->connections().front()->videoOrientation(), VideoOrientation::landscapeRight);
}

TEST_F(CaptureSessionTest, ConnectionOrientationTurnsTheFrames) {
    session->startRunning();
    const auto connection = videoOutput->connections().at(0);
    device->emitFrames(1);
    connection->setVideoOrientation(VideoOrientation::portrait);
    device->emitFrames(1);
    connection->setVideoOrientation(VideoOrientation::landscapeLeft);
    device->emitFrames(1);

    const auto frames = delegate->received();
    ASSERT_EQ(frames.size(), 3u);
    const auto& landscape = frames[0].sample->imageBuffer();
    const auto& portrait = frames[1].sample->imageBuffer();
    const auto& upsideDown = frames[2].sample->imageBuffer();
    ASSERT_TRUE(landscape && portrait && upsideDown);
    EXPECT_EQ(landscape->width(), 1920);
    EXPECT_EQ(landscape->height(), 1080);
    EXPECT_EQ(portrait->width(), 1080);
    EXPECT_EQ(portrait->height(), 1920);
    EXPECT_EQ(upsideDown->width(), 1920);
    EXPECT_EQ(portrait->pixelFormat(), PixelFormat::bgra32);
    EXPECT_EQ(frames[1].orientation, VideoOrientation::portrait);
}

TEST_F(CaptureSessionTest, FramesCarryTheIntrinsicsOfTheDeliveredBuffer) {
    session->startRunning();
    videoOutput->connections().at(0)->setVideoOrientation(VideoOrientation::portrait);
    device->emitFrames(1);
    const auto sample = delegate->received().at(0).sample;
    ASSERT_TRUE(sample->cameraIntrinsicMatrix());
    const FloatMatrix3x3 matrix = *sample->cameraIntrinsicMatrix();
    // Column-major: fx, fy on the diagonal, cx, cy in the last column.
    EXPECT_FLOAT_EQ(matrix[0], 1.2f * 1920);
    EXPECT_FLOAT_EQ(matrix[4], 1.2f * 1920);
    EXPECT_FLOAT_EQ(matrix[6], 540);
    EXPECT_FLOAT_EQ(matrix[7], 960);
    EXPECT_FLOAT_EQ(matrix[8], 1);
    EXPECT_EQ(sample->imageBuffer()->attachment(PixelBuffer::cameraIntrinsicMatrixKey), matrix);
}

TEST_F(CaptureSessionTest, LateFramesAreDroppedWhileTheDelegateIsBusy) {
    ASSERT_TRUE(videoOutput->alwaysDiscardsLateVideoFrames());
    session->startRunning();
    delegate->holdFrames();
    std::thread first([&] { device->emitFrames(1); });
    ASSERT_TRUE(delegate->waitUntilBusy());
    EXPECT_EQ(device->emitFrames(3), 0);
    EXPECT_EQ(videoOutput->droppedFrameCount(), 3);
    delegate->releaseFrames();
    first.join();
    EXPECT_EQ(delegate->count(), 1u);
    // Once the delegate has returned, frames flow again.
    EXPECT_EQ(device->emitFrames(1), 1);
}

TEST_F(CaptureSessionTest, LateFramesQueueUpWhenNotDiscarded) {
    videoOutput->setAlwaysDiscardsLateVideoFrames(false);
    session->startRunning();
    delegate->holdFrames();
    std::thread first([&] { device->emitFrames(1); });
    ASSERT_TRUE(delegate->waitUntilBusy());
    std::thread second([&] { device->emitFrames(2); });
    while (videoOutput->framesInFlight() < 2) {
        std::this_thread::yield();
    }
    delegate->releaseFrames();
    first.join();
    second.join();
    EXPECT_EQ(delegate->count(), 3u);
    EXPECT_EQ(videoOutput->droppedFrameCount(), 0);
}

TEST_F(CaptureSessionTest, FramesWithoutPixelsAreDeliveredWithoutABuffer) {
    session->startRunning();
    device->dropPixelBufferOfNextFrames(2);
    EXPECT_EQ(device->emitFrames(3), 3);
    const auto frames = delegate->received();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].sample->imageBuffer(), nullptr);
    EXPECT_EQ(frames[1].sample->imageBuffer(), nullptr);
    EXPECT_NE(frames[2].sample->imageBuffer(), nullptr);
    EXPECT_TRUE(frames[0].sample->cameraIntrinsicMatrix());
}

TEST_F(CaptureSessionTest, NoFramesWithoutADelegate) {
    session->startRunning();
    videoOutput->setSampleBufferDelegate({}, queue);
    EXPECT_EQ(device->emitFrames(1), 0);
    EXPECT_EQ(delegate->count(), 0u);
}

TEST_F(CaptureSessionTest, OffersItsNewestFrameUprightToAPreview) {
    const VideoFrameSource& source = *session;
    EXPECT_EQ(source.videoFrameCount(), 0u);
    EXPECT_EQ(source.newestVideoFrame(), nullptr);
    EXPECT_EQ(device->emitFrames(1), 0);
    EXPECT_EQ(source.videoFrameCount(), 0u) << "nothing is filmed before the start";

    session->startRunning();
    // The outputs' landscape connection does not decide how the preview is turned.
    ASSERT_EQ(videoOutput->connections().at(0)->videoOrientation(),
              VideoOrientation::landscapeRight);
    EXPECT_EQ(device->emitFrames(2), 2);
    EXPECT_EQ(source.videoFrameCount(), 2u);
    const auto frame = source.newestVideoFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->width(), 1080);
    EXPECT_EQ(frame->height(), 1920);
    EXPECT_EQ(frame->pixelFormat(), PixelFormat::bgra32);
    EXPECT_EQ(source.newestVideoFrame(), frame) << "a frame shown again is not made again";

    session->stopRunning();
    EXPECT_EQ(device->emitFrames(1), 0);
    EXPECT_EQ(source.videoFrameCount(), 2u);
    EXPECT_NE(source.newestVideoFrame(), nullptr) << "the last picture stays";
}

// Counts the frames a source announces.
class CountingViewer : public VideoFrameViewer {
public:
    void videoFrameArrived() override { ++count; }
    std::atomic<int> count{0};
};

TEST_F(CaptureSessionTest, EachFrameIsMadeOnceForTheOutputsAndThePreviewAndAnnounced) {
    auto viewer = std::make_shared<CountingViewer>();
    session->addViewer(viewer);
    session->addViewer(viewer);
    session->startRunning();
    videoOutput->connections().at(0)->setVideoOrientation(VideoOrientation::portrait);
    ASSERT_EQ(device->emitFrames(2), 2);
    EXPECT_EQ(viewer->count, 2) << "every frame is announced once to each viewer";
    const auto delivered = delegate->received().back().sample->imageBuffer();
    EXPECT_EQ(session->newestVideoFrame(), delivered)
        << "the preview shows the buffer the output delivered";

    session->removeViewer(viewer.get());
    ASSERT_EQ(device->emitFrames(1), 1);
    EXPECT_EQ(viewer->count, 2);
}

TEST_F(CaptureSessionTest, RefusesWhatIsScriptedOrAlreadyAdded) {
    EXPECT_FALSE(session->canAddInput(*input));
    EXPECT_FALSE(session->canAddInput(*CaptureDeviceInput::make(device).first));
    EXPECT_FALSE(session->canAddOutput(*photoOutput));
    EXPECT_FALSE(session->canAddOutput(*videoOutput));

    auto other = CaptureSession::make();
    EXPECT_FALSE(other->canAddOutput(*videoOutput)) << "an output belongs to one session";
    auto otherInput = CaptureDeviceInput::make(device).first;
    EXPECT_TRUE(other->canAddInput(*otherInput));
    device->setRefusesInput(true);
    EXPECT_FALSE(other->canAddInput(*otherInput));
    other->addInput(otherInput);
    EXPECT_TRUE(other->inputs().empty());

    device->setRefusesInput(false);
    other->addInput(otherInput);
    device->setRefusesPhotoOutput(true);
    EXPECT_FALSE(other->canAddOutput(*CapturePhotoOutput::make()));
    EXPECT_TRUE(other->canAddOutput(*CaptureVideoDataOutput::make()));
    device->setRefusesVideoOutput(true);
    EXPECT_FALSE(other->canAddOutput(*CaptureVideoDataOutput::make()));
}

TEST(CaptureSessionRealClockTest, FramePumpDeliversFramesWhileRunning) {
    CaptureDevice::setHardwareDiscoveryEnabled(false);
    auto device = SimulatedCameraDevice::make(sharedScene());
    device->setSensorSize(320, 180);
    device->setFrameRate(240);
    RecordingSession recording(device);

    recording.session->startRunning();
    EXPECT_TRUE(recording.delegate->waitForFrames(3));
    recording.session->stopRunning();
    EXPECT_EQ(recording.delegate->received().at(0).sample->imageBuffer()->width(), 320);
}

}  // namespace
}  // namespace camera_testing
