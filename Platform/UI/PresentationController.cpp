#include "Platform/UI/PresentationController.h"

#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

std::shared_ptr<ViewController> PresentationController::presentingViewController() const {
    return nullptr;
}
bool PresentationController::dismissInteractively(std::function<void()>) {
    return false;
}

}  // namespace quorvel::platform
