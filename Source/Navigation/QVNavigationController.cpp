#include "Source/Navigation/QVNavigationController.h"

namespace quorvel {

std::shared_ptr<QVNavigationController> QVNavigationController::make(
    std::shared_ptr<platform::ViewController> root) {
    auto controller = std::shared_ptr<QVNavigationController>(new QVNavigationController());
    if (root) controller->setViewControllers({std::move(root)}, /*animated=*/false);
    return controller;
}

}  // namespace quorvel
