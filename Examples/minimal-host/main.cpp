// minimal-host: the least a host does with the installed library.
//
//   minimal-host [EXPECTED_RESOURCE_BUNDLE]
//
// It chooses the simulated camera, builds a configuration and a theme without a bundle of its
// own (so every colour comes from the library's resource bundle), and runs one turn of the main
// run loop. It prints what it found and exits with 1 when something is missing, or when the
// library's resource bundle is not the expected one.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "Platform/Camera/CaptureDevice.h"
#include "Platform/Camera/SimulatedCameraDevice.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainRunLoop.h"
#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Configuration/CaptureFeatures.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/ResourceBundle.h"

using namespace quorvel;

int main(int argc, char** argv) {
    // No camera is looked for: the simulated one films a printed page on a desk.
    platform::CaptureDevice::setHardwareDiscoveryEnabled(false);
    platform::CaptureDevice::installSimulatedDevice(platform::SimulatedCameraDevice::make());
    const auto camera = platform::CaptureDevice::defaultDevice(platform::MediaType::video);

    auto features = CaptureFeatures::getInstance();
    features->setEnableLongCapture(false);
    const auto configuration = std::make_shared<CaptureConfiguration>(nullptr, features);
    const auto theme = std::make_shared<CaptureTheme>(configuration->bundle());
    const auto brand = theme->primaryBrandBackground;

    bool turned = false;
    platform::DispatchQueue::main()->async([&] { turned = true; });
    platform::MainRunLoop::runUntilIdle();

    const auto resources = ResourceBundle::resources()->bundlePath();
    std::printf("camera: %s\n", camera ? "simulated" : "none");
    std::printf("resource bundle: %s\n", resources.c_str());
    if (brand) {
        std::printf("primaryBrandBackground: %.3f %.3f %.3f\n", brand->red, brand->green,
                    brand->blue);
    }
    std::printf("main loop: %s\n", turned ? "ran" : "did not run");

    std::error_code error;
    const bool expected = argc < 2 || std::filesystem::equivalent(resources, argv[1], error);
    if (!expected) std::fprintf(stderr, "expected the resource bundle %s\n", argv[1]);
    return camera && brand && turned && expected ? 0 : 1;
}
