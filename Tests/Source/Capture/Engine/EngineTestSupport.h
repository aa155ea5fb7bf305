#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/Device.h"

namespace quorvel::testsupport {

using namespace std::chrono_literals;

// One filmed scene for the whole program: drawing its page takes a moment.
inline std::shared_ptr<platform::SimulatedScene> sharedScene() {
    static const auto scene = platform::SimulatedScene::make();
    return scene;
}

// A simulated camera installed as the default device (frames only when a test emits them), a
// manual clock, a portrait device and a captured log; all undone afterwards.
class CameraTest : public ::testing::Test {
protected:
    CameraTest() {
        platform::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = platform::SimulatedCameraDevice::make(sharedScene());
        camera->setFrameRate(0);
        camera->setPhotoSize(1600, 1200);
        platform::CaptureDevice::installSimulatedDevice(camera);
        platform::Device::setOrientation(platform::DeviceOrientation::portrait);
        platform::MainRunLoop::runUntilIdle();
    }
    ~CameraTest() override {
        platform::MainRunLoop::runUntilIdle();
        platform::CaptureDevice::installSimulatedDevice(nullptr);
        platform::MainRunLoop::discardPendingWork();
    }

    // Drives the main run loop until `predicate` holds. The limit only guards against a hang: it
    // is far beyond what a sanitizer build on a loaded machine needs.
    static bool drive(const std::function<bool()>& predicate) {
        return platform::MainRunLoop::runUntil(predicate, 90s);
    }

    platform::ScopedLogCapture log;
    platform::ScopedManualClock clock;
    std::shared_ptr<platform::SimulatedCameraDevice> camera;
};

}  // namespace quorvel::testsupport
