#include "Source/Navigation/CaptureNavigationController.h"

#include "Source/Capture/ViewControllers/CaptureViewController.h"
#include "Source/Configuration/CaptureFeatures.h"

namespace quorvel {

CaptureNavigationController::CaptureNavigationController() = default;

std::shared_ptr<CaptureNavigationController> CaptureNavigationController::make(
    std::shared_ptr<CaptureConfiguration> configuration) {
    std::shared_ptr<CaptureNavigationController> controller(new CaptureNavigationController());
    controller->viewController_ = CaptureViewController::make(std::move(configuration));
    controller->setViewControllers({controller->viewController_}, false);
    controller->setNavigationBarHidden(true, false);
    return controller;
}

std::shared_ptr<CaptureNavigationController> CaptureNavigationController::make() {
    return make(std::make_shared<CaptureConfiguration>(std::shared_ptr<platform::Bundle>{},
                                                       std::make_shared<CaptureFeatures>()));
}

void CaptureNavigationController::loadView() {
    QVNavigationController::loadView();
    if (auto root = viewIfLoaded()) root->setBackgroundColor(platform::Color::black());
}

std::shared_ptr<CaptureConfiguration> CaptureNavigationController::config() const {
    return viewController_->config();
}

void CaptureNavigationController::setConfig(std::shared_ptr<CaptureConfiguration> configuration) {
    viewController_->setConfig(std::move(configuration));
}

void CaptureNavigationController::setCaptureDelegate(
    std::weak_ptr<CaptureNavigationControllerDelegate> delegate) {
    captureDelegate_ = delegate;
    viewController_->setDelegate(delegate.lock());
}

}  // namespace quorvel
