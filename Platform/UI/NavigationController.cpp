#include "Platform/UI/NavigationController.h"

#include <algorithm>

#include "Platform/UI/Accessibility.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

NavigationController::NavigationController(std::string nibName)
    : ViewController(std::move(nibName)) {}

std::shared_ptr<NavigationController> NavigationController::make(
    std::shared_ptr<ViewController> root) {
    auto navigation = std::shared_ptr<NavigationController>(new NavigationController());
    if (root) {
        navigation->setViewControllers({root}, false);
    }
    return navigation;
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back();
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
    if (auto presented = presentedViewController()) {
        return presented;
    }
    return topViewController();
}

std::vector<std::shared_ptr<ViewController>> NavigationController::childrenForAppearance() const {
    if (!isViewLoaded() || stack_.empty()) {
        return {};
    }
    return {stack_.back()};
}

void NavigationController::loadView() {
    auto root = View::make(Rect{{0, 0}, Window::defaultSize});
    root->setAutoresizingMask(AutoresizingMask::flexibleWidth | AutoresizingMask::flexibleHeight);
    navigationBar_ = View::make(Rect{{0, 0}, {Window::defaultSize.width, navigationBarHeight}});
    navigationBar_->setBackgroundColor(Color{0.97, 0.97, 0.97, 1});
    titleLabel_ = Label::make();
    titleLabel_->setFont(Font::systemFont(17, FontWeight::semibold));
    titleLabel_->setTextAlignment(TextAlignment::center);
    titleLabel_->setAccessibilityTraits(AccessibilityTraits::header |
                                        AccessibilityTraits::staticText);
    navigationBar_->addSubview(titleLabel_);
    root->addSubview(navigationBar_);
    std::weak_ptr<NavigationController> weak =
        std::static_pointer_cast<NavigationController>(shared_from_this());
    root->setLayoutHandler([weak](View&) {
        if (auto self = weak.lock()) {
            self->layoutContent();
        }
    });
    setView(root);
}

void NavigationController::didInstallView() {
    // The top controller's view loads when it is about to be shown (layout or appearance), not
    // with the navigation controller's own view.
    if (auto root = viewIfLoaded()) {
        root->setNeedsLayout();
    }
}

void NavigationController::prepareChildrenForAppearance() {
    installTopView();
}

void NavigationController::installTopView() {
    auto root = viewIfLoaded();
    auto top = topViewController();
    if (!root || !top) {
        return;
    }
    if (auto existing = top->viewIfLoaded(); existing && existing->superview() == root) {
        return;
    }
    auto topView = top->view();
    topView->setFrame(contentFrame());
    root->insertSubview(topView, navigationBar_);
    topView->layoutIfNeeded();
}

Rect NavigationController::contentFrame() const {
    auto root = viewIfLoaded();
    if (!root) {
        return Rect{{0, 0}, Window::defaultSize};
    }
    const Rect b = root->bounds();
    if (navigationBarHidden_) {
        return b;
    }
    const double top = root->safeAreaInsets().top + navigationBarHeight;
    return Rect{{b.minX(), b.minY() + top}, {b.width(), std::max(0.0, b.height() - top)}};
}

void NavigationController::layoutContent() {
    auto root = viewIfLoaded();
    if (!root || !navigationBar_) {
        return;
    }
    if (!pendingTransition_) {
        installTopView();
    }
    const Rect b = root->bounds();
    const double safeTop = root->safeAreaInsets().top;
    navigationBar_->setHidden(navigationBarHidden_);
    navigationBar_->setFrame(
        Rect{{b.minX(), b.minY() + safeTop}, {b.width(), navigationBarHeight}});
    if (titleLabel_) {
        auto top = topViewController();
        titleLabel_->setText(top ? top->title() : std::string());
        titleLabel_->setFrame(Rect{{16, 0}, {std::max(0.0, b.width() - 32), navigationBarHeight}});
    }
    if (auto top = topViewController()) {
        if (auto topView = top->viewIfLoaded(); topView && topView->superview() == root) {
            if (!topView->hasRunningAnimations()) {
                topView->setFrame(contentFrame());
            }
        }
    }
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    navigationBarHidden_ = hidden;
    if (auto root = viewIfLoaded()) {
        if (animated) {
            View::animate(0.2, [&] {
                layoutContent();
                if (auto top = topViewController(); top && top->viewIfLoaded()) {
                    top->viewIfLoaded()->setFrame(contentFrame());
                }
            });
        } else {
            root->setNeedsLayout();
            layoutContent();
            if (auto top = topViewController(); top && top->viewIfLoaded()) {
                top->viewIfLoaded()->setFrame(contentFrame());
            }
        }
    }
}

void NavigationController::transition(const std::shared_ptr<ViewController>& from,
                                      const std::shared_ptr<ViewController>& to, bool animated) {
    const auto self = std::static_pointer_cast<NavigationController>(shared_from_this());
    finishPendingTransition();
    auto root = viewIfLoaded();
    if (!root || from == to) {
        return;
    }
    const bool pushing = !from || std::find(stack_.begin(), stack_.end(), from) != stack_.end();
    const Rect content = contentFrame();
    auto toView = to ? to->view() : nullptr;
    if (toView) {
        toView->setFrame(content);
        if (pushing || !from || !from->viewIfLoaded()) {
            root->insertSubview(toView, navigationBar_);
        } else {
            root->insertSubview(toView, from->viewIfLoaded());
        }
        toView->layoutIfNeeded();
    }
    const bool visible = isVisible();
    if (visible) {
        if (to) {
            to->beginAppearanceTransition(true, animated);
            if (auto d = delegate()) {
                d->navigationControllerWillShow(*this, *to, animated);
            }
        }
        if (from) {
            from->beginAppearanceTransition(false, animated);
        }
    }
    layoutContent();
    if (animated && toView) {
        auto fromView = from ? from->viewIfLoaded() : nullptr;
        if (pushing) {
            toView->setFrame(content.offsetBy(content.width(), 0));
            View::animate(transitionDuration, [&] { toView->setFrame(content); });
        } else if (fromView) {
            View::animate(transitionDuration,
                          [&] { fromView->setFrame(content.offsetBy(content.width(), 0)); });
        }
    }
    runTransition(animated, [self, from, to, visible, animated] {
        auto root = self->viewIfLoaded();
        const bool fromStillShown = from && from == self->topViewController();
        if (from && !fromStillShown) {
            if (auto fromView = from->viewIfLoaded(); fromView && fromView->superview() == root) {
                fromView->removeFromSuperview();
            }
            if (std::find(self->stack_.begin(), self->stack_.end(), from) == self->stack_.end()) {
                self->removeChild(from);
            }
        }
        if (visible) {
            if (from) {
                from->endAppearanceTransition();
            }
            if (to) {
                to->endAppearanceTransition();
                if (auto d = self->delegate()) {
                    d->navigationControllerDidShow(*self, *to, animated);
                }
            }
            if (auto root = self->viewIfLoaded()) {
                Accessibility::screenDidChange(root->window());
            }
        }
        self->layoutContent();
    });
}

void NavigationController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers, bool animated) {
    finishPendingTransition();
    // Drop nulls and repeats.
    std::vector<std::shared_ptr<ViewController>> list;
    for (const auto& controller : controllers) {
        if (controller && controller.get() != this &&
            std::find(list.begin(), list.end(), controller) == list.end()) {
            list.push_back(controller);
        }
    }
    const auto oldTop = topViewController();
    const auto oldStack = stack_;
    stack_ = list;
    for (const auto& controller : list) {
        addChild(controller);
    }
    const auto newTop = topViewController();
    for (const auto& controller : oldStack) {
        if (std::find(list.begin(), list.end(), controller) == list.end() && controller != oldTop) {
            if (auto view = controller->viewIfLoaded();
                view && view->superview() == viewIfLoaded()) {
                view->removeFromSuperview();
            }
            removeChild(controller);
        }
    }
    if (!isViewLoaded()) {
        if (oldTop && oldTop != newTop &&
            std::find(list.begin(), list.end(), oldTop) == list.end()) {
            removeChild(oldTop);
        }
        return;
    }
    if (oldTop != newTop) {
        transition(oldTop, newTop, animated);
    }
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller,
                                              bool animated) {
    finishPendingTransition();
    if (!controller || controller.get() == this || controller->parent() ||
        std::find(stack_.begin(), stack_.end(), controller) != stack_.end()) {
        return;
    }
    const auto from = topViewController();
    stack_.push_back(controller);
    addChild(controller);
    if (isViewLoaded()) {
        transition(from, controller, animated);
    }
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool animated) {
    finishPendingTransition();
    if (stack_.size() < 2) {
        return nullptr;
    }
    auto popped = stack_.back();
    stack_.pop_back();
    if (isViewLoaded()) {
        transition(popped, topViewController(), animated);
    } else {
        removeChild(popped);
    }
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(
    const std::shared_ptr<ViewController>& controller, bool animated) {
    finishPendingTransition();
    const auto it = std::find(stack_.begin(), stack_.end(), controller);
    if (it == stack_.end() || it + 1 == stack_.end()) {
        return {};
    }
    std::vector<std::shared_ptr<ViewController>> popped(it + 1, stack_.end());
    const auto from = stack_.back();
    stack_.erase(it + 1, stack_.end());
    for (const auto& middle : popped) {
        if (middle != from) {
            if (auto view = middle->viewIfLoaded(); view && view->superview() == viewIfLoaded()) {
                view->removeFromSuperview();
            }
            removeChild(middle);
        }
    }
    if (isViewLoaded()) {
        transition(from, controller, animated);
    } else {
        removeChild(from);
    }
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(
    bool animated) {
    if (stack_.empty()) {
        return {};
    }
    return popToViewController(stack_.front(), animated);
}

}  // namespace quorvel::platform
