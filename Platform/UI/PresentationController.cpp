#include "Platform/UI/PresentationController.h"

#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

std::shared_ptr<ViewController> PresentationController::presentingViewController() const {
    auto presented = presented_.lock();
    return presented ? presented->presentingViewController() : nullptr;
}

bool PresentationController::dismissInteractively(std::function<void()> completion) {
    auto presented = presented_.lock();
    if (!presented || !presented->presentingViewController() || presented->isBeingDismissed()) {
        return false;
    }
    if (auto delegate = delegate_.lock()) {
        delegate->presentationControllerWillDismiss(*this);
    }
    std::weak_ptr<ViewController> weakPresented = presented;
    presented->dismiss(true, [weakPresented, completion = std::move(completion)] {
        if (auto controller = weakPresented.lock()) {
            auto presentation = controller->presentationController();
            if (auto delegate = presentation->delegate()) {
                delegate->presentationControllerDidDismiss(*presentation);
            }
        }
        if (completion) {
            completion();
        }
    });
    return true;
}

}  // namespace quorvel::platform
