#pragma once

namespace quorvel::platform {

class NavigationController;
class ViewController;

// Hears of a navigation controller's top controller changing. Held weakly; empty defaults.
class NavigationControllerDelegate {
public:
    virtual ~NavigationControllerDelegate() = default;
    // Before the transition (after viewWillAppear of the incoming controller).
    virtual void navigationControllerWillShow(NavigationController& navigationController,
                                              ViewController& viewController, bool animated);
    // After it (after viewDidAppear).
    virtual void navigationControllerDidShow(NavigationController& navigationController,
                                             ViewController& viewController, bool animated);
};

}  // namespace quorvel::platform
