#include <gtest/gtest.h>

#include <atomic>

#include "EngineTestSupport.h"
#include "Source/Capture/Engine/CaptureSession.h"

namespace quorvel {
namespace {

class NullDelegate : public quorvel::platform::CapturePhotoCaptureDelegate,
                     public quorvel::platform::CaptureVideoDataOutputSampleBufferDelegate {
public:
    void photoOutput(quorvel::platform::CapturePhotoOutput&,
                     std::shared_ptr<quorvel::platform::CapturePhoto>,
                     std::optional<quorvel::platform::CameraError>) override {}
    void captureOutput(quorvel::platform::CaptureVideoDataOutput&,
                       std::shared_ptr<quorvel::platform::SampleBuffer>,
                       quorvel::platform::CaptureConnection&) override {}
};

class Session : public testsupport::CameraTest {
protected:
    std::shared_ptr<CaptureSession> make() {
        return CaptureSession::make(delegate, delegate, *preview);
    }
    std::shared_ptr<NullDelegate> delegate = std::make_shared<NullDelegate>();
    std::shared_ptr<CameraPreviewView> preview = CameraPreviewView::make({{0, 0}, {100, 200}});
};

TEST_F(Session, SetUpAttachesThePreviewAndHoldsTheCameraLocked) {
    EXPECT_EQ(preview->videoPreviewLayer()->videoGravity(),
              quorvel::platform::VideoGravity::resizeAspectFill);
    auto session = make();
    ASSERT_TRUE(session);
    EXPECT_TRUE(preview->videoPreviewLayer()->frameSource());
    EXPECT_EQ(camera->configurationLockCount(), 1);
    EXPECT_FALSE(session->isRAWFormatSupported());
    camera->setSupportsRaw(true);
    EXPECT_TRUE(session->isRAWFormatSupported());
    session.reset();
    EXPECT_EQ(camera->configurationLockCount(), 0) << "released with the session";
}

TEST_F(Session, FailedSetUpGivesNoSessionAndSaysWhy) {
    quorvel::platform::CaptureDevice::installSimulatedDevice(nullptr);
    EXPECT_FALSE(make());
    quorvel::platform::CaptureDevice::installSimulatedDevice(camera);
    camera->setRefusesLock(true);
    EXPECT_FALSE(make());
    camera->setRefusesLock(false);
    camera->setRefusesVideoOutput(true);
    EXPECT_FALSE(make());
    const auto messages = log.messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0],
              "Failed to setup capture session: no input device, or it cannot be added as a "
              "session input");
    EXPECT_EQ(messages[1].rfind("Failed to setup capture session: error locking capture device "
                                "for configuration: ",
                                0),
              0u);
    EXPECT_EQ(messages[2],
              "Failed to setup capture session: video output cannot be added as a session output");
}

TEST_F(Session, StartRunsTheCameraAndCompletesOffTheMainQueue) {
    auto session = make();
    auto completions = std::make_shared<std::atomic<int>>(0);
    auto onMain = std::make_shared<std::atomic<bool>>(true);
    session->start(delegate, delegate, *preview, [completions, onMain] {
        *onMain = quorvel::platform::DispatchQueue::isMainThread();
        ++*completions;
    });
    ASSERT_TRUE(drive([&] { return *completions == 1; }));
    EXPECT_FALSE(*onMain);
    EXPECT_TRUE(session->isRunning());
    session->stop();
    EXPECT_FALSE(session->isRunning());
}

TEST_F(Session, PhotoRequestReachesTheCameraThenCallsBack) {
    auto session = make();
    std::atomic<bool> started{false};
    session->start(delegate, delegate, *preview, [&] { started = true; });
    ASSERT_TRUE(drive([&] { return started.load(); }));
    std::atomic<bool> called{false};
    session->takePhoto([&] { called = true; });
    ASSERT_TRUE(drive([&] { return called.load(); }));
    EXPECT_EQ(camera->photoRequestCount(), 1);
}

}  // namespace
}  // namespace quorvel
