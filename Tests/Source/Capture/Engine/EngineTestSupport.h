#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Dispatch/ScopedManualClock.h"
#include "Platform/Foundation/Device.h"
#include "Platform/Log/ScopedLogCapture.h"

namespace quorvel::testsupport {

using namespace std::chrono_literals;

// One filmed scene for the whole program: drawing its page takes a moment.
inline std::shared_ptr<quorvel::platform::SimulatedScene> sharedScene() {
    static const auto scene = quorvel::platform::SimulatedScene::make();
    return scene;
}

// A simulated camera installed as the default device (frames only when a test emits them), a
// manual clock, a portrait device and a captured log; all undone afterwards.
class CameraTest : public ::testing::Test {
protected:
    CameraTest() {
        quorvel::platform::CaptureDevice::setHardwareDiscoveryEnabled(false);
        camera = quorvel::platform::SimulatedCameraDevice::make(sharedScene());
        camera->setFrameRate(0);
        camera->setPhotoSize(1600, 1200);
        quorvel::platform::CaptureDevice::installSimulatedDevice(camera);
        quorvel::platform::Device::setOrientation(quorvel::platform::DeviceOrientation::portrait);
        quorvel::platform::MainRunLoop::runUntilIdle();
    }
    ~CameraTest() override {
        quorvel::platform::MainRunLoop::runUntilIdle();
        quorvel::platform::CaptureDevice::installSimulatedDevice(nullptr);
        quorvel::platform::MainRunLoop::discardPendingWork();
    }

    // Drives the main run loop until `predicate` holds. The limit only guards against a hang: it
    // is far beyond what a sanitizer build on a loaded machine needs.
    static bool drive(const std::function<bool()>& predicate) {
        return quorvel::platform::MainRunLoop::runUntil(predicate, 90s);
    }

    quorvel::platform::ScopedLogCapture log;
    quorvel::platform::ScopedManualClock clock;
    std::shared_ptr<quorvel::platform::SimulatedCameraDevice> camera;
};

}  // namespace quorvel::testsupport
