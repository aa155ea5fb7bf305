#pragma once

#include <functional>
#include <string>

#include "Platform/UI/ViewController.h"

namespace quorvel {

// Base of the framework's screens (camera, preview, crop): portrait only, never rotating, and the
// one way the screens run work meant for the user after a pause that a screen reader needs.
class QVViewController : public platform::ViewController {
public:
    bool shouldAutorotate() const override { return false; }
    platform::InterfaceOrientationMask supportedInterfaceOrientations() const override {
        return platform::InterfaceOrientationMask::portrait;
    }
    platform::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override {
        return platform::InterfaceOrientation::portrait;
    }

    // Runs `actions` on the main queue: `delay` seconds from now (on Clock) while a screen reader
    // runs, so that it finishes what it is saying first; otherwise on the next turn of the main
    // queue, without waiting. Never runs `actions` before returning. May be called on any thread
    // (results of the camera and of detection come from their queues). Whatever `actions` needs
    // of a screen it should capture weakly.
    static void performDelayedIfVoiceover(double delay, std::function<void()> actions);

protected:
    explicit QVViewController(std::string nibName = {})
        : platform::ViewController(std::move(nibName)) {}
};

}  // namespace quorvel
