#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "Source/Capture/Engine/FlashManager.h"
#include "Source/Capture/Engine/TorchStateError.h"

namespace quorvel {
namespace {

class CountingDelegate : public FlashManagerDelegate {
public:
    int changes = 0;
    void torchStateChanged() override { ++changes; }
};

class Torch : public testsupport::CameraTest {
protected:
    Torch() { FlashManager::instance().setDelegate(delegate); }
    ~Torch() override { FlashManager::instance().setDelegate({}); }
    std::shared_ptr<CountingDelegate> delegate = std::make_shared<CountingDelegate>();
};

TEST_F(Torch, SwitchesOnAndOffAndReportsEachChange) {
    FlashManager::instance().updateState(true);
    EXPECT_TRUE(camera->isTorchActive());
    EXPECT_EQ(camera->torchLevel(), 1.0f);
    EXPECT_EQ(delegate->changes, 1);
    FlashManager::instance().updateState(true);
    EXPECT_EQ(delegate->changes, 1) << "already on: nothing happens";
    FlashManager::instance().updateState(false);
    EXPECT_FALSE(camera->isTorchActive());
    EXPECT_EQ(delegate->changes, 2);
    EXPECT_EQ(camera->configurationLockCount(), 0);
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Torch, AutomaticModeThatIsNotLitCannotBeSwitchedOn) {
    ASSERT_FALSE(camera->lockForConfiguration());
    camera->setTorchMode(quorvel::platform::TorchMode::automatic);
    camera->unlockForConfiguration();
    camera->setTorchActiveInAutomaticMode(false);
    FlashManager::instance().updateState(true);
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Failed to toggle torch state: Failed to change torch state"});
    EXPECT_EQ(delegate->changes, 0);
}

TEST_F(Torch, UnavailableTorchIsReportedAndTheLockReleased) {
    camera->setTorchAvailable(false);
    FlashManager::instance().updateState(true);
    EXPECT_EQ(log.messages(), std::vector<std::string>{
                                  "Failed to toggle torch state: Torch is currently unavailable"});
    EXPECT_EQ(camera->configurationLockCount(), 0);
}

TEST_F(Torch, RefusedLockCarriesTheCamerasOwnDescription) {
    camera->setRefusesLock(true);
    FlashManager::instance().updateState(true);
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].rfind("Failed to toggle torch state: ", 0), 0u);
    EXPECT_FALSE(camera->isTorchActive());
}

TEST_F(Torch, DeviceWithoutATorch) {
    camera->setHasTorch(false);
    FlashManager::instance().updateState(false);
    EXPECT_TRUE(log.messages().empty());
    FlashManager::instance().updateState(true);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Failed to toggle torch state: Device has no torch"});
    EXPECT_EQ(delegate->changes, 0);
    EXPECT_FALSE(CaptureDeviceTorch::ensureTorchOff(*camera)) << "no torch counts as off";
}

TEST_F(Torch, NoCameraDoesNothing) {
    quorvel::platform::CaptureDevice::installSimulatedDevice(nullptr);
    FlashManager::instance().updateState(true);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(delegate->changes, 0);
}

}  // namespace
}  // namespace quorvel
