#include "Platform/UI/SwipeGestureRecognizer.h"

#include <cmath>

namespace quorvel::platform {

std::shared_ptr<SwipeGestureRecognizer> SwipeGestureRecognizer::make(SwipeDirection direction,
                                                                     Target target) {
    auto recognizer = std::shared_ptr<SwipeGestureRecognizer>(new SwipeGestureRecognizer());
    recognizer->direction_ = direction;
    recognizer->addTarget(std::move(target));
    return recognizer;
}

void SwipeGestureRecognizer::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesBegan(touches, event);
    if (!touches.empty() && state() == GestureRecognizerState::possible) {
        start_ = touches.front().locationInWindow;
    }
}

void SwipeGestureRecognizer::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesMoved(touches, event);
    if (touches.empty() || state() != GestureRecognizerState::possible) {
        return;
    }
    const Point p = touches.front().locationInWindow;
    const double dx = p.x - start_.x;
    const double dy = p.y - start_.y;
    const struct {
        SwipeDirection direction;
        double along;
        double across;
    } candidates[] = {{SwipeDirection::right, dx, dy},
                      {SwipeDirection::left, -dx, dy},
                      {SwipeDirection::down, dy, dx},
                      {SwipeDirection::up, -dy, dx}};
    bool strayed = true;
    for (const auto& c : candidates) {
        if (!intersects(direction_, c.direction)) {
            continue;
        }
        if (std::abs(c.across) <=
            std::max(c.along, 0.0) / 2 + SwipeGestureRecognizer::minimumDistance / 5) {
            strayed = false;
            if (c.along >= minimumDistance && std::abs(c.across) <= c.along / 2) {
                setState(GestureRecognizerState::ended);
                return;
            }
        }
    }
    if (strayed) {
        setState(GestureRecognizerState::failed);
    }
}

void SwipeGestureRecognizer::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    GestureRecognizer::touchesEnded(touches, event);
    if (state() == GestureRecognizerState::possible) {
        setState(GestureRecognizerState::failed);
    }
}

void SwipeGestureRecognizer::touchesCancelled(const std::vector<Touch>& touches,
                                              const Event& event) {
    GestureRecognizer::touchesCancelled(touches, event);
}

void SwipeGestureRecognizer::reset() {
    GestureRecognizer::reset();
    start_ = {};
}

}  // namespace quorvel::platform
