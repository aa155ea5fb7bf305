#include "Platform/UI/ViewController.h"

#include "Platform/UI/NavigationController.h"

namespace quorvel::platform {

ViewController::ViewController(std::string nibName) : nibName_(std::move(nibName)) {}
ViewController::~ViewController() = default;
std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        loadView();
        viewDidLoad();
    }
    return view_;
}
void ViewController::setView(std::shared_ptr<View> view) {
    view_ = std::move(view);
}
void ViewController::loadView() {
    setView(View::make(Rect{{0, 0}, {390, 844}}));
}
bool ViewController::isVisible() const {
    return false;
}
void ViewController::beginAppearanceTransition(bool, bool) {}
void ViewController::endAppearanceTransition() {}
std::shared_ptr<NavigationController> ViewController::navigationController() const {
    return nullptr;
}
std::shared_ptr<ViewController> ViewController::presentingViewController() const {
    return nullptr;
}
std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    return nullptr;
}
std::shared_ptr<PresentationController> ViewController::presentationController() {
    if (!presentationController_)
        presentationController_ = std::make_shared<PresentationController>(weak_from_this());
    return presentationController_;
}
void ViewController::present(const std::shared_ptr<ViewController>&, bool, std::function<void()>) {}
void ViewController::dismiss(bool, std::function<void()>) {}
void ViewController::addChild(const std::shared_ptr<ViewController>& c) {
    children_.push_back(c);
}
void ViewController::removeChild(const std::shared_ptr<ViewController>&) {}
std::vector<std::shared_ptr<ViewController>> ViewController::childrenForAppearance() const {
    return children_;
}
void ViewController::runTransition(bool, std::function<void()> finish) {
    finish();
}
void ViewController::finishPendingTransition() {}
std::shared_ptr<ViewController> ViewController::topmostParent() {
    return shared_from_this();
}
void ViewController::completeDismissal(bool, std::function<void()>) {}

}  // namespace quorvel::platform
