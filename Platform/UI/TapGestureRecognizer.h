#pragma once

#include <memory>

#include "Platform/UI/GestureRecognizer.h"

namespace quorvel::platform {

// Recognizes numberOfTapsRequired taps (1 until set): it recognizes when a touch ends whose tap
// count (the window counts quick successive taps at one place) reaches the number required. A
// touch that moves more than `allowableMovement` (10 points) from where it began fails it.
class TapGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double allowableMovement = 10;

    static std::shared_ptr<TapGestureRecognizer> make(Target target = {});

    int numberOfTapsRequired() const { return tapsRequired_; }
    void setNumberOfTapsRequired(int taps) { tapsRequired_ = taps < 1 ? 1 : taps; }

    void touchesBegan(const std::vector<Touch>& touches, const Event& event) override;
    void touchesMoved(const std::vector<Touch>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch>& touches, const Event& event) override;
    void reset() override;

protected:
    TapGestureRecognizer() = default;

private:
    int tapsRequired_ = 1;
    Point start_;
};

}  // namespace quorvel::platform
