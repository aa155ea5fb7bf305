#include "Platform/UI/Window.h"

#include <algorithm>

#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/GestureRecognizer.h"
#include "Platform/UI/ScrollView.h"
#include "Platform/UI/UIAssert.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

namespace {

struct Registry {
    std::vector<std::weak_ptr<Window>> windows;
    std::weak_ptr<Window> key;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

bool hasRecognized(GestureRecognizerState state) {
    return state == GestureRecognizerState::began || state == GestureRecognizerState::changed ||
           state == GestureRecognizerState::ended;
}

bool maySimultaneously(GestureRecognizer& a, GestureRecognizer& b) {
    if (auto delegate = a.delegate();
        delegate && delegate->gestureRecognizerShouldRecognizeSimultaneously(a, b)) {
        return true;
    }
    if (auto delegate = b.delegate();
        delegate && delegate->gestureRecognizerShouldRecognizeSimultaneously(b, a)) {
        return true;
    }
    return false;
}

}  // namespace

// The one touch in progress.
struct Window::TouchState {
    std::uint64_t identifier = 0;
    std::shared_ptr<View> view;
    std::vector<std::shared_ptr<GestureRecognizer>> recognizers;
    bool viewCancelled = false;
    Point last;
    int tapCount = 1;
};

Window::Window(const Rect& frame) : View(frame) {}

Window::~Window() = default;

std::shared_ptr<Window> Window::make(const Rect& frame) {
    auto window = std::shared_ptr<Window>(new Window(frame));
    window->bindLayer();
    auto& r = registry();
    r.windows.erase(std::remove_if(r.windows.begin(), r.windows.end(),
                                   [](const auto& w) { return w.expired(); }),
                    r.windows.end());
    r.windows.push_back(window);
    return window;
}

std::shared_ptr<Window> Window::keyWindow() {
    return registry().key.lock();
}

std::vector<std::shared_ptr<Window>> Window::allWindows() {
    std::vector<std::shared_ptr<Window>> result;
    for (const auto& weak : registry().windows) {
        if (auto window = weak.lock()) {
            result.push_back(window);
        }
    }
    return result;
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == rootViewController_) {
        return;
    }
    auto old = rootViewController_;
    if (old) {
        if (visible_) {
            old->beginAppearanceTransition(false, false);
        }
        if (auto view = old->viewIfLoaded(); view && view->superview().get() == this) {
            view->removeFromSuperview();
        }
        if (visible_) {
            old->endAppearanceTransition();
        }
    }
    rootViewController_ = std::move(controller);
    if (!rootViewController_) {
        return;
    }
    auto view = rootViewController_->view();
    view->setFrame(bounds());
    insertSubview(view, 0);
    if (visible_) {
        rootViewController_->beginAppearanceTransition(true, false);
        layoutIfNeeded();
        rootViewController_->endAppearanceTransition();
    }
}

void Window::makeKeyAndVisible() {
    registry().key = std::static_pointer_cast<Window>(shared_from_this());
    if (visible_) {
        return;
    }
    visible_ = true;
    if (rootViewController_) {
        rootViewController_->beginAppearanceTransition(true, false);
        layoutIfNeeded();
        rootViewController_->endAppearanceTransition();
    }
    DisplayInvalidation::invalidate();
}

bool Window::isKeyWindow() const {
    return registry().key.lock().get() == this;
}

void Window::setScreenScale(double scale) {
    if (scale > 0) {
        screenScale_ = scale;
        DisplayInvalidation::invalidate();
    }
}

void Window::setWindowSafeAreaInsets(const EdgeInsets& insets) {
    safeAreaInsets_ = insets;
    setNeedsLayout();
}

std::shared_ptr<ViewController> Window::topViewController() const {
    auto top = rootViewController_;
    while (top) {
        auto presented = top->presentedViewController();
        if (!presented) {
            break;
        }
        top = presented;
    }
    return top;
}

void Window::layoutSubviews() {
    // The root view and presented views fill the window.
    for (auto controller = rootViewController_; controller;
         controller = controller->presentedViewController()) {
        if (auto view = controller->viewIfLoaded();
            view && view->superview().get() == this && !controller->isBeingDismissed()) {
            view->setFrame(bounds());
        }
    }
    View::layoutSubviews();
}

// --- Touches ------------------------------------------------------------------------------------

bool Window::sendTouch(TouchPhase phase, Point point, int tapCount) {
    requireMainThread("Window::sendTouch");
    if (phase == TouchPhase::began) {
        setShowsFocusRing(false);
    }
    const auto keep = shared_from_this();
    if (phase == TouchPhase::began) {
        if (touch_) {
            cancelCurrentTouch();
        }
        auto hit = hitTest(point, nullptr);
        if (!hit) {
            return false;
        }
        touch_ = std::make_shared<TouchState>();
        touch_->identifier = nextTouchId_++;
        touch_->view = hit;
        touch_->last = point;
        touch_->tapCount = std::max(1, tapCount);
        for (auto view = hit; view; view = view->superview()) {
            for (const auto& recognizer : view->gestureRecognizers()) {
                if (recognizer->isEnabled()) {
                    if (recognizer->state() != GestureRecognizerState::possible) {
                        recognizer->reset();
                    }
                    touch_->recognizers.push_back(recognizer);
                }
            }
        }
    } else if (!touch_) {
        return false;
    }
    deliver(phase, point, tapCount);
    return true;
}

void Window::deliver(TouchPhase phase, Point point, int tapCount) {
    auto state = touch_;
    Touch touch;
    touch.identifier = state->identifier;
    touch.phase = phase;
    touch.locationInWindow = point;
    touch.previousLocationInWindow = phase == TouchPhase::began ? point : state->last;
    touch.tapCount = phase == TouchPhase::began ? std::max(1, tapCount) : state->tapCount;
    touch.timestamp = Clock::now();
    touch.view = state->view;
    touch.window = std::static_pointer_cast<Window>(shared_from_this());
    state->last = point;
    const std::vector<Touch> touches{touch};
    const Event event(touches, touch.timestamp);

    // Recognizers first.
    for (const auto& recognizer : state->recognizers) {
        const auto before = recognizer->state();
        if (before == GestureRecognizerState::failed ||
            before == GestureRecognizerState::cancelled ||
            (before == GestureRecognizerState::ended && !recognizer->isContinuous())) {
            continue;
        }
        if (!recognizer->isEnabled()) {
            continue;
        }
        switch (phase) {
            case TouchPhase::began:
                recognizer->touchesBegan(touches, event);
                break;
            case TouchPhase::moved:
            case TouchPhase::stationary:
                recognizer->touchesMoved(touches, event);
                break;
            case TouchPhase::ended:
                recognizer->touchesEnded(touches, event);
                break;
            case TouchPhase::cancelled:
                recognizer->touchesCancelled(touches, event);
                break;
        }
        const auto after = recognizer->state();
        const bool justRecognized =
            before == GestureRecognizerState::possible &&
            (after == GestureRecognizerState::began || after == GestureRecognizerState::ended);
        if (justRecognized) {
            for (const auto& other : state->recognizers) {
                if (other != recognizer && other->state() == GestureRecognizerState::possible &&
                    !maySimultaneously(*recognizer, *other)) {
                    other->state_ = GestureRecognizerState::failed;
                }
            }
        }
    }

    // Then the view, unless a recognizer took the touch.
    const bool taken = std::any_of(
        state->recognizers.begin(), state->recognizers.end(),
        [](const auto& r) { return r->cancelsTouchesInView() && hasRecognized(r->state()); });
    auto view = state->view;
    if (taken && phase != TouchPhase::began) {
        if (!state->viewCancelled) {
            state->viewCancelled = true;
            Touch cancelled = touch;
            cancelled.phase = TouchPhase::cancelled;
            view->touchesCancelled({cancelled}, Event({cancelled}, touch.timestamp));
        }
    } else if (!state->viewCancelled) {
        switch (phase) {
            case TouchPhase::began:
                view->touchesBegan(touches, event);
                if (taken) {
                    state->viewCancelled = true;
                    Touch cancelled = touch;
                    cancelled.phase = TouchPhase::cancelled;
                    view->touchesCancelled({cancelled}, Event({cancelled}, touch.timestamp));
                }
                break;
            case TouchPhase::moved:
            case TouchPhase::stationary:
                view->touchesMoved(touches, event);
                break;
            case TouchPhase::ended:
                view->touchesEnded(touches, event);
                break;
            case TouchPhase::cancelled:
                view->touchesCancelled(touches, event);
                break;
        }
    }

    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled) {
        for (const auto& recognizer : state->recognizers) {
            recognizer->reset();
        }
        if (touch_ == state) {
            touch_.reset();
        }
    }
}

void Window::cancelCurrentTouch() {
    if (touch_) {
        deliver(TouchPhase::cancelled, touch_->last, touch_->tapCount);
    }
}

bool Window::sendPinch(Point point, double scale) {
    auto hit = hitTest(point, nullptr);
    for (auto view = hit; view; view = view->superview()) {
        auto scrollView = std::dynamic_pointer_cast<ScrollView>(view);
        if (scrollView && scrollView->zoomingView() &&
            scrollView->maximumZoomScale() > scrollView->minimumZoomScale()) {
            scrollView->pinch(scrollView->convertFrom(point, nullptr), scale);
            return true;
        }
    }
    return false;
}

// --- Keyboard -----------------------------------------------------------------------------------

std::vector<std::shared_ptr<View>> Window::focusableViews() const {
    // Keyboard focus moves in reading order, among the views that can take it.
    return Accessibility::orderedViews(std::const_pointer_cast<View>(shared_from_this()),
                                       [](const View& view) { return view.canBecomeFocused(); });
}

bool Window::setFocusedView(const std::shared_ptr<View>& view) {
    if (view && (view->window().get() != this || !view->canBecomeFocused())) {
        return false;
    }
    auto old = focused_.lock();
    if (old) {
        old->setNeedsDisplay();
    }
    focused_ = view;
    if (view) {
        view->setNeedsDisplay();
    }
    if (view && view != old) {
        Accessibility::keyboardFocusDidMove(view);
    }
    return true;
}

void Window::setShowsFocusRing(bool shows) {
    if (showsFocusRing_ != shows) {
        showsFocusRing_ = shows;
        setNeedsDisplay();
    }
}

bool Window::sendKey(Key key) {
    requireMainThread("Window::sendKey");
    const auto keep = shared_from_this();
    auto focused = focused_.lock();
    if (focused && (focused->window().get() != this || !focused->canBecomeFocused())) {
        focused.reset();
        focused_.reset();
    }
    // Once the keyboard is used, the focus ring shows where its input goes.
    setShowsFocusRing(true);
    switch (key) {
        case Key::tab:
        case Key::backtab: {
            const auto views = focusableViews();
            if (views.empty()) {
                return false;
            }
            const auto it = std::find(views.begin(), views.end(), focused);
            const auto n = static_cast<long>(views.size());
            long index;
            if (it == views.end()) {
                index = key == Key::tab ? 0 : n - 1;
            } else {
                const long current = it - views.begin();
                index = ((current + (key == Key::tab ? 1 : -1)) % n + n) % n;
            }
            return setFocusedView(views[static_cast<std::size_t>(index)]);
        }
        case Key::space:
        case Key::enter:
            return focused && focused->accessibilityActivate();
        case Key::escape: {
            auto alert = std::dynamic_pointer_cast<AlertController>(topViewController());
            if (alert) {
                if (auto index = alert->escapeActionIndex()) {
                    alert->triggerAction(*index);
                    return true;
                }
            }
            return false;
        }
        case Key::left:
        case Key::down:
            if (focused &&
                intersects(focused->accessibilityTraits(), AccessibilityTraits::adjustable)) {
                focused->accessibilityDecrement();
                return true;
            }
            return false;
        case Key::right:
        case Key::up:
            if (focused &&
                intersects(focused->accessibilityTraits(), AccessibilityTraits::adjustable)) {
                focused->accessibilityIncrement();
                return true;
            }
            return false;
    }
    return false;
}

// --- Display ------------------------------------------------------------------------------------

bool Window::needsDisplay() const {
    return displayedGeneration_ != DisplayInvalidation::generation() ||
           displayedFrames_ != VideoPreviewLayer::framesDelivered() ||
           DisplayInvalidation::isAnimating();
}

void Window::markDisplayed() {
    displayedGeneration_ = DisplayInvalidation::generation();
    displayedFrames_ = VideoPreviewLayer::framesDelivered();
}

}  // namespace quorvel::platform
