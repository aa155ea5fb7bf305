#pragma once

#include <memory>

#include "Platform/Dispatch/Clock.h"
#include "Platform/UI/GestureRecognizer.h"

namespace quorvel::platform {

// Recognizes a drag (continuous): it begins once the touch has moved `beginDistance` (10 points)
// from where it went down, then reports changed on every move and ended when the touch lifts
// (cancelled when the touch is cancelled).
//
// translation(in) is the movement since the gesture began (or since the last setTranslation),
// measured in the given view's coordinates; setTranslation(p, in) makes the current translation
// p, so resetting it to zero after each event gives the movement since the previous event.
// velocity(in) is in points per second over the last move, measured on Clock (zero when no time
// passed).
class PanGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double beginDistance = 10;

    static std::shared_ptr<PanGestureRecognizer> make(Target target = {});

    Point translation(const View* view) const;
    void setTranslation(Point translation, const View* view);
    Point velocity(const View* view) const;

    bool isContinuous() const override { return true; }
    void touchesBegan(const std::vector<Touch>& touches, const Event& event) override;
    void touchesMoved(const std::vector<Touch>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch>& touches, const Event& event) override;
    void reset() override;

protected:
    PanGestureRecognizer() = default;

private:
    // In window coordinates.
    Point origin_;
    Point current_;
    Point previous_;
    TimePoint currentTime_;
    TimePoint previousTime_;
};

}  // namespace quorvel::platform
