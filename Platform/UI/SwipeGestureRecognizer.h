#pragma once

#include <cstdint>
#include <memory>

#include "Platform/UI/BitMask.h"
#include "Platform/UI/GestureRecognizer.h"

namespace quorvel::platform {

// The directions a swipe recognizer accepts, with the phone platform's raw values.
enum class SwipeDirection : std::uint32_t {
    right = 1u << 0,
    left = 1u << 1,
    up = 1u << 2,
    down = 1u << 3,
};
template <>
struct IsBitMask<SwipeDirection> : std::true_type {};

// Recognizes a swipe in one of its directions (right until set): recognized (discrete) as soon as
// the touch has moved at least minimumDistance (50 points) from where it began along an accepted
// direction while moving at most half as far across it. A touch that ends first, or strays across
// by more than that, fails it.
class SwipeGestureRecognizer : public GestureRecognizer {
public:
    static constexpr double minimumDistance = 50;

    static std::shared_ptr<SwipeGestureRecognizer> make(SwipeDirection direction,
                                                        Target target = {});

    SwipeDirection direction() const { return direction_; }
    void setDirection(SwipeDirection direction) { direction_ = direction; }

    void touchesBegan(const std::vector<Touch>& touches, const Event& event) override;
    void touchesMoved(const std::vector<Touch>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch>& touches, const Event& event) override;
    void reset() override;

protected:
    SwipeGestureRecognizer() = default;

private:
    SwipeDirection direction_ = SwipeDirection::right;
    Point start_;
};

}  // namespace quorvel::platform
