#include "Platform/UI/GestureRecognizer.h"

#include <algorithm>

#include "Platform/UI/View.h"

namespace quorvel::platform {

std::uint64_t GestureRecognizer::addTarget(Target target) {
    if (!target) {
        return 0;
    }
    const auto token = nextTarget_++;
    targets_.emplace_back(token, std::move(target));
    return token;
}

void GestureRecognizer::removeTarget(std::uint64_t token) {
    targets_.erase(std::remove_if(targets_.begin(), targets_.end(),
                                  [&](const auto& t) { return t.first == token; }),
                   targets_.end());
}

void GestureRecognizer::setEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    if (!enabled &&
        (state_ == GestureRecognizerState::began || state_ == GestureRecognizerState::changed)) {
        setState(GestureRecognizerState::cancelled);
    }
}

Point GestureRecognizer::location(const View* view) const {
    Point inWindow = lastLocationInWindow_;
    if (!touches_.empty()) {
        double x = 0, y = 0;
        for (const auto& touch : touches_) {
            x += touch.locationInWindow.x;
            y += touch.locationInWindow.y;
        }
        inWindow = {x / touches_.size(), y / touches_.size()};
    }
    return view ? view->convertFrom(inWindow, nullptr) : inWindow;
}

void GestureRecognizer::rememberTouches(const std::vector<Touch>& touches) {
    for (const auto& touch : touches) {
        lastLocationInWindow_ = touch.locationInWindow;
        auto it = std::find_if(touches_.begin(), touches_.end(),
                               [&](const Touch& t) { return t.identifier == touch.identifier; });
        const bool over = touch.phase == TouchPhase::ended || touch.phase == TouchPhase::cancelled;
        if (it != touches_.end()) {
            if (over) {
                touches_.erase(it);
            } else {
                *it = touch;
            }
        } else if (!over) {
            touches_.push_back(touch);
        }
    }
}

void GestureRecognizer::touchesBegan(const std::vector<Touch>& touches, const Event&) {
    rememberTouches(touches);
}

void GestureRecognizer::touchesMoved(const std::vector<Touch>& touches, const Event&) {
    rememberTouches(touches);
}

void GestureRecognizer::touchesEnded(const std::vector<Touch>& touches, const Event&) {
    rememberTouches(touches);
}

void GestureRecognizer::touchesCancelled(const std::vector<Touch>& touches, const Event&) {
    rememberTouches(touches);
    if (state_ == GestureRecognizerState::began || state_ == GestureRecognizerState::changed) {
        setState(GestureRecognizerState::cancelled);
    } else if (state_ == GestureRecognizerState::possible) {
        setState(GestureRecognizerState::failed);
    }
}

void GestureRecognizer::reset() {
    state_ = GestureRecognizerState::possible;
    touches_.clear();
}

bool GestureRecognizer::shouldBegin() {
    if (auto delegate = delegate_.lock()) {
        if (!delegate->gestureRecognizerShouldBegin(*this)) {
            return false;
        }
    }
    if (auto view = view_.lock()) {
        if (!view->gestureRecognizerShouldBegin(*this)) {
            return false;
        }
    }
    return true;
}

void GestureRecognizer::setState(GestureRecognizerState state) {
    const auto keep = shared_from_this();
    if (state_ == GestureRecognizerState::possible &&
        (state == GestureRecognizerState::began || state == GestureRecognizerState::ended) &&
        !shouldBegin()) {
        state = GestureRecognizerState::failed;
    }
    state_ = state;
    if (state == GestureRecognizerState::failed || state == GestureRecognizerState::possible) {
        return;
    }
    const auto targets = targets_;
    for (const auto& [token, target] : targets) {
        target(*this);
    }
}

}  // namespace quorvel::platform
