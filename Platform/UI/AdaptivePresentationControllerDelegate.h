#pragma once

namespace quorvel::platform {

class PresentationController;

// Hears of a presented controller being swiped away by the user (an interactive dismissal).
// Programmatic dismissals are not reported. Held weakly.
class AdaptivePresentationControllerDelegate {
public:
    virtual ~AdaptivePresentationControllerDelegate() = default;
    // Before the swipe-away dismissal starts.
    virtual void presentationControllerWillDismiss(PresentationController& controller);
    // After it has finished.
    virtual void presentationControllerDidDismiss(PresentationController& controller);
};

}  // namespace quorvel::platform
