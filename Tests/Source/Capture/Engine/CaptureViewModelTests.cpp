#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <opencv2/imgproc.hpp>
#include <thread>

#include "EngineTestSupport.h"
#include "FakeCaptureScreen.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainQueueCheck.h"
#include "Platform/Log/Log.h"
#include "Platform/Log/StandardErrorLogSink.h"
#include "Source/Capture/Engine/CaptureViewModel.h"
#include "Source/Capture/Engine/FlashManager.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testsupport::FakeCaptureScreen;

class ViewModel : public testsupport::CameraTest {
protected:
    void build(std::shared_ptr<CaptureFeatures> features = CaptureFeatures::getInstance()) {
        configuration = std::make_shared<CaptureConfiguration>(
            std::shared_ptr<quorvel::platform::Bundle>{}, features);
        model = CaptureViewModel::make(configuration, screen);
        screen->viewModel = model;
    }

    // Starts the camera and waits until the start has finished: the session runs and frames
    // come portrait. (A session is running before its frames are turned: a frame taken in
    // between comes landscape, and its outline jumps away from the next one's.)
    void startCamera() {
        model->startCaptureSession();
        waitUntilStarted();
    }
    void waitUntilStarted() {
        ASSERT_TRUE(drive([&] {
            const auto session = std::dynamic_pointer_cast<quorvel::platform::CaptureSession>(
                screen->previewView()->videoPreviewLayer()->frameSource());
            const auto outputs =
                session ? session->videoOutputs()
                        : std::vector<std::shared_ptr<quorvel::platform::CaptureVideoDataOutput>>{};
            const auto connections =
                outputs.empty()
                    ? std::vector<std::shared_ptr<quorvel::platform::CaptureConnection>>{}
                    : outputs.front()->connections();
            return model->captureSession()->isRunning() && !connections.empty() &&
                   connections.front()->videoOrientation() ==
                       quorvel::platform::VideoOrientation::portrait;
        }));
    }

    // One camera frame through the view model and, when it is analysed, the screen's counting.
    void frame() {
        const int before = screen->framesReported;
        ASSERT_EQ(camera->emitFrames(1), 1);
        ASSERT_TRUE(drive([&] { return screen->framesReported > before; }));
    }

    // Lets the camera deliver a requested photo and waits for its report.
    void deliverPhoto() {
        const int before = screen->capturedImages + screen->failedCaptures;
        clock.advance(200ms);
        ASSERT_TRUE(
            drive([&] { return screen->capturedImages + screen->failedCaptures > before; }));
    }

    std::shared_ptr<FakeCaptureScreen> screen = std::make_shared<FakeCaptureScreen>();
    std::shared_ptr<CaptureConfiguration> configuration;
    std::shared_ptr<CaptureViewModel> model;
};

double correlation(const quorvel::platform::Image& a, const quorvel::platform::Image& b) {
    auto grey = [](const quorvel::platform::Image& image, cv::Size size) {
        const auto& bitmap = *image.bitmap();
        cv::Mat bgra(bitmap.height(), bitmap.width(), CV_8UC4,
                     const_cast<std::uint8_t*>(bitmap.data()), bitmap.bytesPerRow());
        cv::Mat g, resized;
        cv::cvtColor(bgra, g, cv::COLOR_BGRA2GRAY);
        cv::resize(g, resized, size, 0, 0, cv::INTER_AREA);
        resized.convertTo(resized, CV_32F);
        return resized;
    };
    const cv::Size size(340, 440);
    cv::Mat result;
    cv::matchTemplate(grey(a, size), grey(b, size), result, cv::TM_CCOEFF_NORMED);
    return result.at<float>(0, 0);
}

using ViewModelDeathTest = ViewModel;

TEST_F(ViewModelDeathTest, IsMadeAndDrivenOnTheMainQueueOnly) {
    if (!quorvel::platform::MainQueueCheck::enabled()) {
        GTEST_SKIP() << "this build does not check the main queue";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    build();
    // The fixture captures the log; the fatal message must reach standard error here.
    auto offTheMainQueue = [](std::function<void()> call) {
        quorvel::platform::Log::setSink(
            std::make_shared<quorvel::platform::StandardErrorLogSink>());
        std::thread(std::move(call)).join();
    };
    EXPECT_DEATH(offTheMainQueue([&] { model->captureImageManually(); }),
                 "CaptureViewModel::captureImageManually must be called on the main queue");
    EXPECT_DEATH(offTheMainQueue([&] { model->startCaptureSession(); }),
                 "CaptureViewModel::startCaptureSession must be called on the main queue");
    EXPECT_DEATH(offTheMainQueue([&] { CaptureViewModel::make(configuration, screen); }),
                 "CaptureViewModel::make must be called on the main queue");
}

TEST_F(ViewModel, SteadyPageAfterTheGracePeriodGivesExactlyOneStraightenedShot) {
    build();
    ASSERT_EQ(model->captureType, CaptureType::automatic);
    startCamera();
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(model->rectangleDetectedForFrames, 3);
    EXPECT_EQ(screen->framesFound, 3);
    EXPECT_EQ(camera->photoRequestCount(), 0);

    // Three seconds of grace, then one tick of the capture timer.
    clock.advance(3500ms);
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_EQ(model->rectangleLockedTime, 1);

    frame();
    EXPECT_EQ(screen->circles.size(), 1u);
    ASSERT_TRUE(drive([&] { return screen->startedCaptures == 1; }));
    EXPECT_TRUE(model->isCapturingImage());
    deliverPhoto();
    frame();
    frame();
    EXPECT_EQ(camera->photoRequestCount(), 1) << "no second shot while one is running";

    const auto captures = screen->captures();
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_FALSE(captures[0].isBlurry);
    const auto& page = *captures[0].image;
    EXPECT_LT(page.size().width, page.size().height) << "upright portrait page";
    EXPECT_NEAR(page.size().width / page.size().height,
                double{quorvel::platform::SimulatedScene::kPageWidth} /
                    quorvel::platform::SimulatedScene::kPageHeight,
                0.01)
        << "the paper's own shape";
    EXPECT_GT(correlation(page, *testsupport::sharedScene()->pageImage()), 0.8);
    ASSERT_TRUE(model->imageBufferProperties());
    EXPECT_EQ(model->imageBufferProperties()->captureType, CaptureType::automatic);

    // The shot keeps the live rectangle in the frame's pixels (the preview shows the frames at
    // half size), where the photo's processing falls back on it.
    const auto& kept = *model->imageBufferProperties()->feature;
    const auto frameSize = model->imageBufferProperties()->resizedExtent->size;
    for (const auto& corner : testsupport::sharedScene()->pageCorners(
             frameSize, quorvel::platform::VideoOrientation::portrait)) {
        double nearest = 1e9;
        for (const auto& p : {kept.topLeft, kept.topRight, kept.bottomRight, kept.bottomLeft}) {
            nearest = std::min(nearest, std::hypot(p.x - corner.x, p.y - corner.y));
        }
        EXPECT_LT(nearest, 20) << corner.x << ", " << corner.y;
    }
}

TEST_F(ViewModel, ManualShotGivesTheUprightPhoto) {
    build();
    startCamera();
    model->captureTypeChanged(CaptureType::manual);
    ASSERT_EQ(camera->emitFrames(1), 1);
    quorvel::platform::MainRunLoop::runUntilIdle();
    model->captureImageManually();
    ASSERT_TRUE(drive([&] { return screen->startedCaptures == 1; }));
    deliverPhoto();
    const auto captures = screen->captures();
    ASSERT_EQ(captures.size(), 1u);
    EXPECT_EQ(captures[0].image->size(), (quorvel::platform::Size{1200, 1600}));
    EXPECT_FALSE(captures[0].onMainThread);
    EXPECT_EQ(screen->framesReported, 0) << "manual capture analyses no frames";
}

TEST_F(ViewModel, SecondRequestWhileAShotIsPendingIsRefused) {
    build();
    startCamera();
    model->captureImageManually();
    model->captureImageManually();
    ASSERT_TRUE(drive([&] { return screen->startedCaptures == 1; }));
    deliverPhoto();
    EXPECT_EQ(camera->photoRequestCount(), 1);
    EXPECT_EQ(screen->capturedImages, 1);
    EXPECT_EQ(log.messages().back(), "Cannot capture image: a capture is already in progress");
}

TEST_F(ViewModel, BlurIsJudgedOnlyWhenTheCameraOffersRaw) {
    build();
    EXPECT_FALSE(model->shouldDetectBlur());
    camera->setSupportsRaw(true);
    EXPECT_TRUE(model->shouldDetectBlur());
    configuration->features()->setEnableBlurDetection(false);
    EXPECT_FALSE(model->shouldDetectBlur());
}

TEST_F(ViewModel, FailedPhotoAndFrameWithoutPixelsAreReported) {
    build();
    startCamera();
    camera->dropPixelBufferOfNextFrames(1);
    ASSERT_EQ(camera->emitFrames(1), 1);
    ASSERT_TRUE(drive([&] {
        return !log.messages().empty() &&
               log.messages().back() ==
                   "Failed to obtain a pixel buffer for the current output frame";
    }));
    EXPECT_FALSE(model->isDetectingRectangles);
    frame();
    EXPECT_EQ(screen->framesReported, 1) << "detection goes on";

    camera->failNextPhoto({"The sensor overheated"});
    model->captureTypeChanged(CaptureType::manual);
    model->captureImageManually();
    ASSERT_TRUE(drive([&] { return screen->startedCaptures == 1; }));
    deliverPhoto();
    EXPECT_EQ(screen->failedCaptures, 1);
    EXPECT_EQ(log.messages().back(), "Received an error capturing image: The sensor overheated");
}

TEST_F(ViewModel, CaptureAndDocumentTypeTransitions) {
    auto features = CaptureFeatures::getInstance();
    features->setEnableAutoCapture(false);
    build(features);
    EXPECT_EQ(model->captureType, CaptureType::manual);
    model->captureTypeChanged(CaptureType::automatic);
    EXPECT_EQ(model->captureType, CaptureType::manual) << "refused while automatic capture is off";
    EXPECT_EQ(screen->lostReports, 0);

    features->setEnableAutoCapture(true);
    model->captureTypeChanged(CaptureType::automatic);
    EXPECT_EQ(model->effectiveCaptureType(), CaptureType::automatic);
    EXPECT_TRUE(model->hasCaptureTimer());
    EXPECT_EQ(screen->lostReports, 1);

    model->captureDocumentTypeChanged(CaptureDocumentType::longFirst);
    EXPECT_EQ(model->effectiveCaptureType(), CaptureType::manual);
    EXPECT_EQ(model->captureType, CaptureType::automatic) << "the user's choice is kept";
    EXPECT_FALSE(model->hasCaptureTimer());
    EXPECT_EQ(screen->lostReports, 2);

    model->captureDocumentTypeChanged(CaptureDocumentType::longSecond);
    model->capturedImages()->append(std::make_shared<CapturedImage>(
        quorvel::platform::Image::make(quorvel::platform::Bitmap::make(2, 2)),
        CaptureType::manual));
    EXPECT_EQ(model->replaceAtIndex(), 0u);
    EXPECT_TRUE(model->hideCaptureDocumentTypeButtons());
    model->retakeIndex = 1;
    EXPECT_EQ(model->replaceAtIndex(), 1u);

    model->captureDocumentTypeChanged(CaptureDocumentType::normal);
    EXPECT_EQ(model->previousCaptureDocumentType, CaptureDocumentType::longSecond);
    EXPECT_EQ(model->effectiveCaptureType(), CaptureType::automatic);

    model->captureDocumentTypeChanged(CaptureDocumentType::longSecond);
    model->toggleTorch();
    auto copy = CaptureViewModel::make(configuration, screen, *model);
    EXPECT_EQ(copy->captureDocumentType, CaptureDocumentType::longFirst);
    EXPECT_TRUE(copy->torchShouldBeOn());
    EXPECT_TRUE(copy->capturedImages()->isEmpty());
}

TEST_F(ViewModel, TorchFollowsTheToggleAndIsRestoredWhenTheCameraStarts) {
    build();
    // A torch left on is put out by the start, which shows that the start has finished.
    FlashManager::instance().updateState(true);
    ASSERT_TRUE(camera->isTorchActive());
    startCamera();
    ASSERT_TRUE(drive([&] { return !camera->isTorchActive(); }));
    model->toggleTorch();
    EXPECT_TRUE(camera->isTorchActive());
    model->stopCaptureSession();
    FlashManager::instance().updateState(false);
    ASSERT_FALSE(camera->isTorchActive());
    model->startCaptureSession();
    ASSERT_TRUE(drive([&] { return camera->isTorchActive(); }));
    model->toggleTorch();
    EXPECT_FALSE(camera->isTorchActive());
}

// Records on which thread the torch changed.
class TorchChangeRecorder : public FlashManagerDelegate {
public:
    void torchStateChanged() override {
        std::lock_guard lock(mutex);
        offMainQueue += quorvel::platform::DispatchQueue::isMainThread() ? 0 : 1;
        ++changes;
    }
    std::mutex mutex;
    int changes = 0;
    int offMainQueue = 0;
};

// The restore after a start and the user's toggle both act on the main queue, one after the
// other: a restore that read the choice before a toggle cannot put the torch out behind it.
TEST_F(ViewModel, TorchIsRestoredOnTheMainQueueSoAToggleDuringTheStartIsKept) {
    auto recorder = std::make_shared<TorchChangeRecorder>();
    FlashManager::instance().setDelegate(recorder);
    build();
    FlashManager::instance().updateState(true);
    startCamera();
    ASSERT_TRUE(drive([&] { return !camera->isTorchActive(); }));
    model->stopCaptureSession();

    // A toggle made while the camera starts: whatever the order, the torch ends as chosen.
    model->startCaptureSession();
    model->toggleTorch();
    waitUntilStarted();
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_TRUE(model->torchShouldBeOn());
    EXPECT_TRUE(camera->isTorchActive());
    FlashManager::instance().setDelegate({});
    std::lock_guard lock(recorder->mutex);
    EXPECT_EQ(recorder->changes, 3);
    EXPECT_EQ(recorder->offMainQueue, 0);
}

TEST_F(ViewModel, WithoutACameraThereIsNoSession) {
    quorvel::platform::CaptureDevice::installSimulatedDevice(nullptr);
    build();
    EXPECT_EQ(model->captureSession(), nullptr);
    EXPECT_FALSE(model->shouldDetectBlur());
    model->startCaptureSession();
    model->captureImageManually();
    const auto messages = log.messages();
    EXPECT_EQ(messages[messages.size() - 2],
              "Failed to setup capture session: no input device, or it cannot be added as a "
              "session input");
    EXPECT_EQ(messages.back(), "Cannot capture image: no capture session");
}

TEST_F(ViewModel, GraceTimerCountsOnlyAfterThreeSeconds) {
    build();
    startCamera();
    clock.advance(1s);
    quorvel::platform::MainRunLoop::runUntilIdle();
    clock.advance(1s);
    quorvel::platform::MainRunLoop::runUntilIdle();
    clock.advance(1s);
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_EQ(model->rectangleLockedTime, 0) << "exactly three seconds is not past the grace";
    clock.advance(1s);
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_EQ(model->rectangleLockedTime, 1);
    model->stopCaptureSession();
    clock.advance(1s);
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_EQ(model->rectangleLockedTime, 0);
}

TEST_F(ViewModel, ReleasedViewModelStopsItsCameraAndTimer) {
    build();
    startCamera();
    std::weak_ptr<CaptureViewModel> weak = model;
    model.reset();
    EXPECT_TRUE(weak.expired()) << "the running timer does not keep it alive";
    quorvel::platform::MainRunLoop::runUntilIdle();
    EXPECT_EQ(camera->emitFrames(1), 0) << "no session runs any more";
    EXPECT_EQ(camera->configurationLockCount(), 0);
}

}  // namespace
}  // namespace quorvel
