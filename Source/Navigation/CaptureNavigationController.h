#pragma once

#include <memory>

#include "Source/Configuration/CaptureConfiguration.h"
#include "Source/Navigation/CaptureNavigationControllerDelegate.h"
#include "Source/Navigation/QVNavigationController.h"

namespace quorvel {

class CaptureViewController;

// The host's way into the capture flow. Build one from a configuration, set its capture
// delegate, present it (or make it a window's root). Its only screen at first is the camera
// screen; the preview and crop screens are pushed on it later. When the flow ends the camera
// screen dismisses it (animated) and then hands the page images to the capture delegate, which is
// held weakly. The navigation bar is hidden and the background is black. Main thread only.
//
//     auto capture = CaptureNavigationController::make(configuration);
//     capture->setCaptureDelegate(host);            // host: shared_ptr<MyHost>
//     presenter->present(capture, true);
//     // host->captureNavigationController(*capture, pages) receives the pages
class CaptureNavigationController : public QVNavigationController {
public:
    static std::shared_ptr<CaptureNavigationController> make(
        std::shared_ptr<CaptureConfiguration> configuration);
    // A navigation controller with the default configuration (no bundle, every feature switch at
    // its default), as one built from a stored interface description gets.
    static std::shared_ptr<CaptureNavigationController> make();

    // The camera screen's configuration: the one its capture engine uses once the camera screen
    // has loaded, the one given before that. Setting it makes the camera screen apply it at once
    // (keeping the pages and the capture state), or when it loads.
    std::shared_ptr<CaptureConfiguration> config() const;
    void setConfig(std::shared_ptr<CaptureConfiguration> configuration);

    std::shared_ptr<CaptureNavigationControllerDelegate> captureDelegate() const {
        return captureDelegate_.lock();
    }
    void setCaptureDelegate(std::weak_ptr<CaptureNavigationControllerDelegate> delegate);

    // The camera screen, the root of the stack.
    const std::shared_ptr<CaptureViewController>& viewController() const { return viewController_; }

    void loadView() override;

protected:
    CaptureNavigationController();

private:
    std::weak_ptr<CaptureNavigationControllerDelegate> captureDelegate_;
    std::shared_ptr<CaptureViewController> viewController_;
};

}  // namespace quorvel
