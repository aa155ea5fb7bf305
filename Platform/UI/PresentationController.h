#pragma once

#include <functional>
#include <memory>

#include "Platform/UI/AdaptivePresentationControllerDelegate.h"

namespace quorvel::platform {

class ViewController;

// The object that manages one presented view controller's presentation, standing in for the
// phone platform's presentation controller. Each view controller has one
// (ViewController::presentationController()). Main thread only.
class PresentationController {
public:
    explicit PresentationController(std::weak_ptr<ViewController> presented)
        : presented_(std::move(presented)) {}

    std::shared_ptr<ViewController> presentedViewController() const { return presented_.lock(); }
    // The controller it is presented from, while presented.
    std::shared_ptr<ViewController> presentingViewController() const;

    std::shared_ptr<AdaptivePresentationControllerDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<AdaptivePresentationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // What the user's swipe-down does: tells the delegate presentationControllerWillDismiss,
    // dismisses the presented controller (animated), then tells presentationControllerDidDismiss
    // and runs `completion`. Does nothing (false) when the controller is not presented.
    bool dismissInteractively(std::function<void()> completion = {});

private:
    std::weak_ptr<ViewController> presented_;
    std::weak_ptr<AdaptivePresentationControllerDelegate> delegate_;
};

}  // namespace quorvel::platform
