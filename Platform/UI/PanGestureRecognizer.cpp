#include "Platform/UI/PanGestureRecognizer.h"

#include <chrono>
#include <cmath>

namespace quorvel::platform {

std::shared_ptr<PanGestureRecognizer> PanGestureRecognizer::make(Target target) {
    auto recognizer = std::shared_ptr<PanGestureRecognizer>(new PanGestureRecognizer());
    recognizer->addTarget(std::move(target));
    return recognizer;
}

Point PanGestureRecognizer::translation(const View*) const {
    // Without transforms a movement is the same vector in every view's coordinates.
    return {current_.x - origin_.x, current_.y - origin_.y};
}

void PanGestureRecognizer::setTranslation(Point translation, const View*) {
    origin_ = {current_.x - translation.x, current_.y - translation.y};
    previous_ = current_;
    previousTime_ = currentTime_;
}

Point PanGestureRecognizer::velocity(const View*) const {
    const double dt = std::chrono::duration<double>(currentTime_ - previousTime_).count();
    if (dt <= 0) {
        return {0, 0};
    }
    return {(current_.x - previous_.x) / dt, (current_.y - previous_.y) / dt};
}

void PanGestureRecognizer::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (touches.empty() || state() != GestureRecognizerState::possible) {
        return;
    }
    origin_ = current_ = previous_ = touches.front().locationInWindow;
    currentTime_ = previousTime_ = touches.front().timestamp;
}

void PanGestureRecognizer::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesMoved(touches, event);
    if (touches.empty()) {
        return;
    }
    const auto s = state();
    if (s != GestureRecognizerState::possible && s != GestureRecognizerState::began &&
        s != GestureRecognizerState::changed) {
        return;
    }
    previous_ = current_;
    previousTime_ = currentTime_;
    current_ = touches.front().locationInWindow;
    currentTime_ = touches.front().timestamp;
    if (s == GestureRecognizerState::possible) {
        if (std::hypot(current_.x - origin_.x, current_.y - origin_.y) >= beginDistance) {
            setState(GestureRecognizerState::began);
        }
    } else {
        setState(GestureRecognizerState::changed);
    }
}

void PanGestureRecognizer::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesEnded(touches, event);
    const auto s = state();
    if (s == GestureRecognizerState::began || s == GestureRecognizerState::changed) {
        if (!touches.empty()) {
            current_ = touches.front().locationInWindow;
            currentTime_ = touches.front().timestamp;
        }
        setState(GestureRecognizerState::ended);
    } else if (s == GestureRecognizerState::possible) {
        setState(GestureRecognizerState::failed);
    }
}

void PanGestureRecognizer::touchesCancelled(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesCancelled(touches, event);
}

void PanGestureRecognizer::reset() {
    GestureRecognizer::reset();
    origin_ = current_ = previous_ = {};
}

}  // namespace quorvel::platform
