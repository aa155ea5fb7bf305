#include "Platform/UI/NavigationController.h"

#include "Platform/UI/Label.h"

namespace quorvel::platform {

NavigationController::NavigationController(std::string nibName)
    : ViewController(std::move(nibName)) {}
std::shared_ptr<NavigationController> NavigationController::make(
    std::shared_ptr<ViewController> root) {
    auto nav = std::shared_ptr<NavigationController>(new NavigationController());
    if (root) nav->stack_.push_back(root);
    return nav;
}
void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> c,
                                              bool) {
    stack_ = std::move(c);
}
void NavigationController::pushViewController(const std::shared_ptr<ViewController>& c, bool) {
    stack_.push_back(c);
}
std::shared_ptr<ViewController> NavigationController::popViewController(bool) {
    if (stack_.size() < 2) return nullptr;
    auto top = stack_.back();
    stack_.pop_back();
    return top;
}
std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(bool) {
    return {};
}
std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(
    const std::shared_ptr<ViewController>&, bool) {
    return {};
}
std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back();
}
std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
    return topViewController();
}
void NavigationController::setNavigationBarHidden(bool hidden, bool) {
    navigationBarHidden_ = hidden;
}
void NavigationController::loadView() {
    ViewController::loadView();
}
std::vector<std::shared_ptr<ViewController>> NavigationController::childrenForAppearance() const {
    return {};
}
void NavigationController::didInstallView() {}
void NavigationController::transition(const std::shared_ptr<ViewController>&,
                                      const std::shared_ptr<ViewController>&, bool) {}
void NavigationController::layoutContent() {}
Rect NavigationController::contentFrame() const {
    return {};
}

}  // namespace quorvel::platform
