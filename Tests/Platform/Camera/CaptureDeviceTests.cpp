#include <gtest/gtest.h>

#include <future>

#include "CameraTestSupport.h"
#include "Platform/Camera/V4L2CameraDevice.h"

namespace camera_testing {
namespace {

class CaptureDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        CaptureDevice::setHardwareDiscoveryEnabled(false);
        CameraAuthorization::reset();
        device = SimulatedCameraDevice::make(sharedScene());
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override {
        CaptureDevice::installSimulatedDevice(nullptr);
        CameraAuthorization::reset();
    }

    std::shared_ptr<SimulatedCameraDevice> device;
};

TEST_F(CaptureDeviceTest, NoDefaultDeviceWithoutAnInstalledOneWhenDiscoveryIsOff) {
    EXPECT_EQ(CaptureDevice::defaultDevice(MediaType::video), nullptr);
}

TEST_F(CaptureDeviceTest, InstalledDeviceIsTheDefaultUntilUninstalled) {
    CaptureDevice::installSimulatedDevice(device);
    EXPECT_EQ(CaptureDevice::defaultDevice(MediaType::video), device);
    CaptureDevice::installSimulatedDevice(nullptr);
    EXPECT_EQ(CaptureDevice::defaultDevice(MediaType::video), nullptr);
}

TEST_F(CaptureDeviceTest, MissingCameraNodeOpensNothing) {
    EXPECT_EQ(V4L2CameraDevice::open("/nonexistent/video0"), nullptr);
}

TEST_F(CaptureDeviceTest, ConfigurationLockIsCounted) {
    EXPECT_EQ(device->configurationLockCount(), 0);
    EXPECT_FALSE(device->lockForConfiguration());
    EXPECT_FALSE(device->lockForConfiguration());
    EXPECT_EQ(device->configurationLockCount(), 2);
    device->unlockForConfiguration();
    EXPECT_EQ(device->configurationLockCount(), 1);
    device->unlockForConfiguration();
    device->unlockForConfiguration();
    EXPECT_EQ(device->configurationLockCount(), 0);
}

TEST_F(CaptureDeviceTest, RefusedLockIsAnError) {
    device->setRefusesLock(true);
    const auto error = device->lockForConfiguration();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription, "The device could not be locked for configuration");
    EXPECT_EQ(device->configurationLockCount(), 0);
}

TEST_F(CaptureDeviceTest, TorchChangesNeedTheLock) {
    EXPECT_TRUE(device->setTorchModeOn(1.0f));
    EXPECT_TRUE(device->setTorchMode(TorchMode::on));
    EXPECT_EQ(device->torchMode(), TorchMode::off);
}

TEST_F(CaptureDeviceTest, TorchGoesOnAndOff) {
    ASSERT_TRUE(device->hasTorch());
    ASSERT_TRUE(device->isTorchAvailable());
    ASSERT_FALSE(device->lockForConfiguration());
    EXPECT_FALSE(device->setTorchModeOn(0.5f));
    EXPECT_EQ(device->torchMode(), TorchMode::on);
    EXPECT_TRUE(device->isTorchActive());
    EXPECT_FLOAT_EQ(device->torchLevel(), 0.5f);
    EXPECT_FALSE(device->setTorchMode(TorchMode::off));
    EXPECT_EQ(device->torchMode(), TorchMode::off);
    EXPECT_FALSE(device->isTorchActive());
}

TEST_F(CaptureDeviceTest, UnavailableTorchRefusesToGoOn) {
    device->setTorchAvailable(false);
    ASSERT_FALSE(device->lockForConfiguration());
    EXPECT_FALSE(device->isTorchAvailable());
    EXPECT_TRUE(device->setTorchModeOn(1.0f));
    EXPECT_TRUE(device->setTorchMode(TorchMode::on));
    EXPECT_EQ(device->torchMode(), TorchMode::off);
    EXPECT_FALSE(device->setTorchMode(TorchMode::off));
}

TEST_F(CaptureDeviceTest, TorchThatBecomesUnavailableIsNoLongerActive) {
    ASSERT_FALSE(device->lockForConfiguration());
    ASSERT_FALSE(device->setTorchModeOn(1.0f));
    device->setTorchAvailable(false);
    EXPECT_EQ(device->torchMode(), TorchMode::on);
    EXPECT_FALSE(device->isTorchActive());
}

TEST_F(CaptureDeviceTest, DeviceWithoutTorchRefusesEveryChange) {
    device->setHasTorch(false);
    ASSERT_FALSE(device->lockForConfiguration());
    EXPECT_FALSE(device->hasTorch());
    EXPECT_FALSE(device->isTorchAvailable());
    EXPECT_TRUE(device->setTorchModeOn(1.0f));
    EXPECT_TRUE(device->setTorchMode(TorchMode::off));
    EXPECT_FALSE(device->isTorchActive());
}

TEST_F(CaptureDeviceTest, AutomaticTorchLightsOnlyInTheDark) {
    ASSERT_FALSE(device->lockForConfiguration());
    EXPECT_FALSE(device->setTorchMode(TorchMode::automatic));
    EXPECT_FALSE(device->isTorchActive());
    device->setTorchActiveInAutomaticMode(true);
    EXPECT_TRUE(device->isTorchActive());
    EXPECT_EQ(device->torchMode(), TorchMode::automatic);
}

TEST_F(CaptureDeviceTest, BadOrRefusedTorchLevelIsAnError) {
    ASSERT_FALSE(device->lockForConfiguration());
    EXPECT_TRUE(device->setTorchModeOn(0.0f));
    EXPECT_TRUE(device->setTorchModeOn(1.5f));
    device->setRefusesTorchLevel(true);
    EXPECT_TRUE(device->setTorchModeOn(1.0f));
    EXPECT_EQ(device->torchMode(), TorchMode::off);
}

TEST_F(CaptureDeviceTest, AccessIsAskedOnceAndAnsweredOffTheCallersThread) {
    EXPECT_EQ(CaptureDevice::authorizationStatus(MediaType::video),
              AuthorizationStatus::notDetermined);
    CameraAuthorization::setAnswer(false);
    std::promise<std::pair<bool, bool>> answered;
    CaptureDevice::requestAccess(MediaType::video, [&](bool granted) {
        answered.set_value({granted, DispatchQueue::global()->isCurrent()});
    });
    const auto [granted, onGlobalQueue] = answered.get_future().get();
    EXPECT_FALSE(granted);
    EXPECT_TRUE(onGlobalQueue);
    EXPECT_EQ(CaptureDevice::authorizationStatus(MediaType::video), AuthorizationStatus::denied);

    // Decided: the user is not asked again.
    CameraAuthorization::setAnswer(true);
    std::promise<bool> again;
    CaptureDevice::requestAccess(MediaType::video, [&](bool g) { again.set_value(g); });
    EXPECT_FALSE(again.get_future().get());
}

TEST_F(CaptureDeviceTest, DeviceInputNeedsADeviceAndPermission) {
    EXPECT_TRUE(CaptureDeviceInput::make(nullptr).second);
    EXPECT_NE(CaptureDeviceInput::make(device).first, nullptr);
    device->setAuthorization(AuthorizationStatus::denied);
    const auto [input, error] = CaptureDeviceInput::make(device);
    EXPECT_EQ(input, nullptr);
    EXPECT_TRUE(error);
}

}  // namespace
}  // namespace camera_testing
