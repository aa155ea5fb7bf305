#include "Platform/UI/ViewController.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/UIAssert.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

namespace {

void report(const char* message) {
    std::fprintf(stderr, "ViewController: %s\n", message);
}

}  // namespace

ViewController::ViewController(std::string nibName) : nibName_(std::move(nibName)) {}

ViewController::~ViewController() = default;

// --- View ---------------------------------------------------------------------------------------

std::shared_ptr<View> ViewController::view() {
    if (!view_) {
        requireMainThread("ViewController::view");
        const auto keep = shared_from_this();
        loadView();
        if (!view_) {
            setView(View::make(Rect{{0, 0}, Window::defaultSize}));
        }
        didInstallView();
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view_ == view) {
        return;
    }
    if (view_ && view_->viewController_.lock().get() == this) {
        view_->viewController_.reset();
    }
    view_ = std::move(view);
    if (view_) {
        view_->viewController_ = weak_from_this();
        view_->bindLayer();
    }
}

void ViewController::loadView() {
    if (!nibName_.empty()) {
        if (auto root = NibRegistry::build(nibName_, *this)) {
            setView(std::move(root));
            return;
        }
    }
    setView(View::make(Rect{{0, 0}, Window::defaultSize}));
}

// --- Appearance ---------------------------------------------------------------------------------

bool ViewController::isVisible() const {
    return appearance_ == Appearance::appearing || appearance_ == Appearance::appeared;
}

std::vector<std::shared_ptr<ViewController>> ViewController::childrenForAppearance() const {
    return children_;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    const auto keep = shared_from_this();
    if (appearing) {
        if (appearance_ == Appearance::appearing || appearance_ == Appearance::appeared) {
            return;
        }
        loadViewIfNeeded();
        appearance_ = Appearance::appearing;
        appearanceAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (appearance_ == Appearance::disappearing || appearance_ == Appearance::disappeared) {
            return;
        }
        appearance_ = Appearance::disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    if (appearing) {
        prepareChildrenForAppearance();
    }
    for (const auto& child : childrenForAppearance()) {
        child->beginAppearanceTransition(appearing, animated);
    }
}

void ViewController::endAppearanceTransition() {
    const auto keep = shared_from_this();
    if (appearance_ == Appearance::appearing) {
        appearance_ = Appearance::appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::disappearing) {
        appearance_ = Appearance::disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (const auto& child : childrenForAppearance()) {
        child->endAppearanceTransition();
    }
}

// --- Containment --------------------------------------------------------------------------------

void ViewController::addChild(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) {
        return;
    }
    if (auto old = child->parent(); old && old.get() != this) {
        old->removeChild(child);
    }
    if (std::find(children_.begin(), children_.end(), child) == children_.end()) {
        children_.push_back(child);
    }
    child->parent_ = weak_from_this();
}

void ViewController::removeChild(const std::shared_ptr<ViewController>& child) {
    const auto it = std::find(children_.begin(), children_.end(), child);
    if (it == children_.end()) {
        return;
    }
    children_.erase(it);
    if (child->parent_.lock().get() == this) {
        child->parent_.reset();
    }
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
    for (auto controller = parent_.lock(); controller; controller = controller->parent()) {
        if (auto navigation = std::dynamic_pointer_cast<NavigationController>(controller)) {
            return navigation;
        }
    }
    return nullptr;
}

std::shared_ptr<ViewController> ViewController::topmostParent() {
    auto top = shared_from_this();
    while (auto parent = top->parent()) {
        top = parent;
    }
    return top;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
    auto top = const_cast<ViewController*>(this)->topmostParent();
    return top->presenting_.lock();
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    auto top = const_cast<ViewController*>(this)->topmostParent();
    return top->presented_;
}

std::shared_ptr<PresentationController> ViewController::presentationController() {
    if (!presentationController_) {
        presentationController_ = std::make_shared<PresentationController>(weak_from_this());
    }
    return presentationController_;
}

// --- Transitions --------------------------------------------------------------------------------

void ViewController::runTransition(bool animated, std::function<void()> finish) {
    finishPendingTransition();
    if (!animated) {
        finish();
        return;
    }
    auto pending = std::make_shared<std::function<void()>>(std::move(finish));
    pendingTransition_ = pending;
    std::weak_ptr<ViewController> weak = weak_from_this();
    DisplayInvalidation::animateUntil(
        Clock::now() + toDuration(std::chrono::duration<double>(transitionDuration)));
    DispatchQueue::main()->asyncAfter(
        std::chrono::duration<double>(transitionDuration), [weak, pending] {
            if (!*pending) {
                return;
            }
            auto run = std::move(*pending);
            *pending = nullptr;
            if (auto self = weak.lock(); self && self->pendingTransition_ == pending) {
                self->pendingTransition_.reset();
            }
            run();
        });
}

void ViewController::finishPendingTransition() {
    auto pending = std::move(pendingTransition_);
    pendingTransition_.reset();
    if (pending && *pending) {
        auto run = std::move(*pending);
        *pending = nullptr;
        run();
    }
}

// --- Presentation -------------------------------------------------------------------------------

void ViewController::present(const std::shared_ptr<ViewController>& controller, bool animated,
                             std::function<void()> completion) {
    requireMainThread("ViewController::present");
    if (!controller) {
        return;
    }
    const auto presenter = topmostParent();
    // A dismissal still moving finishes first.
    if (presenter->presented_) {
        presenter->presented_->finishPendingTransition();
    }
    if (presenter->presented_) {
        report("attempt to present a view controller on one that is already presenting");
        return;
    }
    if (controller->presenting_.lock() || controller->parent() || controller == presenter) {
        report("attempt to present a view controller that is already presented or contained");
        return;
    }
    auto window = presenter->view_ ? presenter->view_->window() : nullptr;
    if (!window) {
        report("attempt to present a view controller from one whose view is not in a window");
        return;
    }
    presenter->finishPendingTransition();
    const bool fullScreen =
        controller->modalPresentationStyle_ == ModalPresentationStyle::fullScreen;
    presenter->presented_ = controller;
    controller->presenting_ = presenter;
    controller->beingPresented_ = true;

    auto view = controller->view();
    const Rect final = window->bounds();
    view->setFrame(final);
    window->addSubview(view);
    view->layoutIfNeeded();

    controller->beginAppearanceTransition(true, animated);
    if (fullScreen) {
        presenter->beginAppearanceTransition(false, animated);
    }
    if (animated) {
        if (fullScreen) {
            view->setFrame(final.offsetBy(0, final.height()));
            View::animate(transitionDuration, [&] { view->setFrame(final); });
        } else {
            view->setAlpha(0);
            View::animate(transitionDuration, [&] { view->setAlpha(1); });
        }
    }
    controller->runTransition(
        animated, [presenter, controller, fullScreen, window, completion = std::move(completion)] {
            if (fullScreen) {
                if (auto presenterView = presenter->view_;
                    presenterView && presenterView->superview() &&
                    presenterView->superview() == controller->view_->superview()) {
                    presenterView->removeFromSuperview();
                }
                presenter->endAppearanceTransition();
            }
            controller->beingPresented_ = false;
            controller->endAppearanceTransition();
            Accessibility::screenDidChange(window);
            if (completion) {
                completion();
            }
        });
}

void ViewController::dismiss(bool animated, std::function<void()> completion) {
    requireMainThread("ViewController::dismiss");
    const auto top = topmostParent();
    if (top->presented_) {
        top->presented_->completeDismissal(animated, std::move(completion));
        return;
    }
    if (top->presenting_.lock()) {
        top->completeDismissal(animated, std::move(completion));
        return;
    }
    if (completion) {
        DispatchQueue::main()->async(std::move(completion));
    }
}

void ViewController::completeDismissal(bool animated, std::function<void()> completion) {
    const auto self = shared_from_this();
    auto presenter = presenting_.lock();
    if (!presenter) {
        if (completion) {
            DispatchQueue::main()->async(std::move(completion));
        }
        return;
    }
    finishPendingTransition();
    presenter->finishPendingTransition();
    if (!presenting_.lock()) {
        // Finishing a pending transition completed this dismissal already.
        if (completion) {
            completion();
        }
        return;
    }
    // Controllers presented above this one go with it.
    if (presented_) {
        auto above = presented_;
        above->finishPendingTransition();
        above->completeDismissal(false, nullptr);
    }
    beingDismissed_ = true;
    auto view = view_;
    auto window = view ? view->window() : nullptr;
    const bool fullScreen = modalPresentationStyle_ == ModalPresentationStyle::fullScreen;
    if (fullScreen && window && presenter->view_ &&
        presenter->view_->superview() != std::static_pointer_cast<View>(window)) {
        presenter->view_->setFrame(window->bounds());
        window->insertSubview(presenter->view_, view);
        presenter->view_->layoutIfNeeded();
    }
    if (fullScreen) {
        presenter->beginAppearanceTransition(true, animated);
    }
    beginAppearanceTransition(false, animated);
    if (animated && view) {
        if (fullScreen) {
            const Rect from = view->frame();
            View::animate(transitionDuration,
                          [&] { view->setFrame(from.offsetBy(0, from.height())); });
        } else {
            View::animate(transitionDuration, [&] { view->setAlpha(0); });
        }
    }
    runTransition(animated,
                  [self, presenter, fullScreen, window, completion = std::move(completion)] {
                      if (self->view_) {
                          self->view_->removeFromSuperview();
                          if (self->view_->alpha() == 0) {
                              self->view_->setAlpha(1);
                          }
                      }
                      if (presenter->presented_ == self) {
                          presenter->presented_.reset();
                      }
                      self->presenting_.reset();
                      self->beingDismissed_ = false;
                      self->endAppearanceTransition();
                      if (fullScreen) {
                          presenter->endAppearanceTransition();
                      }
                      Accessibility::screenDidChange(window);
                      if (completion) {
                          completion();
                      }
                  });
}

}  // namespace quorvel::platform
