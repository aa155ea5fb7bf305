#pragma once

#include <memory>
#include <string>

#include "Platform/UI/NavigationController.h"

namespace quorvel {

// Base of the navigation controller a host presents: portrait only, never rotating. Hosts may
// derive from it.
class QVNavigationController : public platform::NavigationController {
public:
    // A navigation controller whose stack holds `root` (nothing when null).
    static std::shared_ptr<QVNavigationController> make(
        std::shared_ptr<platform::ViewController> root = nullptr);

    bool shouldAutorotate() const override { return false; }
    platform::InterfaceOrientationMask supportedInterfaceOrientations() const override {
        return platform::InterfaceOrientationMask::portrait;
    }
    platform::InterfaceOrientation preferredInterfaceOrientationForPresentation() const override {
        return platform::InterfaceOrientation::portrait;
    }

protected:
    explicit QVNavigationController(std::string nibName = {})
        : platform::NavigationController(std::move(nibName)) {}
};

}  // namespace quorvel
