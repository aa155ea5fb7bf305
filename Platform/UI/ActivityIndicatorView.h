#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/Color.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

enum class ActivityIndicatorStyle { medium, large };

// A spinner that shows work in progress, standing in for the phone platform's activity
// indicator. While animating it turns once per second on Clock (rotationAngle()); with
// hidesWhenStopped (the default) it is hidden while stopped. Main thread only.
class ActivityIndicatorView : public View {
public:
    static std::shared_ptr<ActivityIndicatorView> make(
        ActivityIndicatorStyle style = ActivityIndicatorStyle::medium, const Rect& frame = {});
    ~ActivityIndicatorView() override;

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);
    ActivityIndicatorStyle style() const { return style_; }
    void setStyle(ActivityIndicatorStyle style);
    // Grey until set.
    Color color() const { return color_; }
    void setColor(const Color& color);

    // The spinner's turn at the current Clock time, in radians in [0, 2π); 0 while stopped.
    double rotationAngle() const;
    // 20 × 20 (medium) or 37 × 37 (large).
    Size intrinsicContentSize() const override;
    void draw(GraphicsContext& context, const Rect& rect) override;

protected:
    ActivityIndicatorView(ActivityIndicatorStyle style, const Rect& frame);

private:
    ActivityIndicatorStyle style_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
    Color color_ = Color{0.56, 0.56, 0.58, 1};
    TimePoint startTime_;
};

}  // namespace quorvel::platform
