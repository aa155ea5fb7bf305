#include "Platform/UI/TapGestureRecognizer.h"

#include <cmath>

namespace quorvel::platform {

std::shared_ptr<TapGestureRecognizer> TapGestureRecognizer::make(Target target) {
    auto recognizer = std::shared_ptr<TapGestureRecognizer>(new TapGestureRecognizer());
    recognizer->addTarget(std::move(target));
    return recognizer;
}

void TapGestureRecognizer::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (!touches.empty() && state() == GestureRecognizerState::possible) {
        start_ = touches.front().locationInWindow;
    }
}

void TapGestureRecognizer::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesMoved(touches, event);
    if (touches.empty() || state() != GestureRecognizerState::possible) {
        return;
    }
    const Point p = touches.front().locationInWindow;
    if (std::hypot(p.x - start_.x, p.y - start_.y) > allowableMovement) {
        setState(GestureRecognizerState::failed);
    }
}

void TapGestureRecognizer::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesEnded(touches, event);
    if (touches.empty() || state() != GestureRecognizerState::possible) {
        return;
    }
    if (touches.front().tapCount >= tapsRequired_) {
        setState(GestureRecognizerState::ended);
    }
    // Fewer taps so far: stay possible; the window resets recognizers between touch sequences,
    // and the next tap's count tells whether the taps came quickly enough.
}

void TapGestureRecognizer::touchesCancelled(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesCancelled(touches, event);
}

void TapGestureRecognizer::reset() {
    GestureRecognizer::reset();
    start_ = {};
}

}  // namespace quorvel::platform
