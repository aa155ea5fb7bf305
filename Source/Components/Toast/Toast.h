#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Dispatch/Timer.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/View.h"
#include "Source/Configuration/CaptureTheme.h"

namespace quorvel {

// The rounded banner near the top of the camera screen (the long-capture hint). Shown with
// show(): it fades in after 0.2 s over 0.3 s, stays 2.0 s, fades out over 0.3 s and removes
// itself, so it is fully visible from 0.5 s, starts fading at 2.5 s and is gone at 2.8 s. Only
// one toast is on screen at a time: a new one takes the place of the current one at once.
//
// The toast is held by its superview while on screen; everything else (the current-toast
// record, its animations and timer) holds it weakly, and once it has been taken off screen its
// pending animations and timer do nothing. Main thread only.
class Toast : public platform::View {
public:
    // Where constrain() places a toast in its view: centred on an axis, or at an offset from
    // the view's leading (top) edge.
    struct ToastSettings {
        bool centerHorizontally = true;
        bool centerVertically = false;
        double horizontalOffset = 0;
        double verticalOffset = 0;
    };

    static constexpr double horizontalPadding = 24.0;
    static constexpr double verticalPadding = 0.0;
    static constexpr double height = 48.0;
    static constexpr double defaultYPos = 14.0;
    static constexpr double animationDuration = 0.3;
    static constexpr double fadeInDelay = 0.2;
    static constexpr double visibleTime = 2.0;

    // Puts up `message` in `view`: the current toast goes at once, the new one is added to
    // `view`, centred 14 points below its top, and fades in.
    static std::shared_ptr<Toast> show(const std::string& message,
                                       const std::shared_ptr<platform::View>& view,
                                       const CaptureTheme& theme);
    // Takes the current toast off screen without animation.
    static void dismissCurrentToast();
    // The toast on screen (or fading in or out), if any.
    static std::shared_ptr<Toast> currentToast();

    // A transparent toast with `message`, themed, not yet in a view.
    static std::shared_ptr<Toast> make(const std::string& message, const CaptureTheme& theme);

    // Places the toast in `view`, which must already hold it: by `settings`, else centred
    // horizontally, 14 points below the view's top.
    void constrain(const std::shared_ptr<platform::View>& view,
                   const std::optional<ToastSettings>& settings = std::nullopt);
    // After 0.2 s, over 0.3 s: becomes the current toast (taking the previous one off screen)
    // and turns opaque; 2.0 s after that it fades out.
    void fadeIn();
    // Turns transparent (over 0.3 s when animated, else at once), then leaves its superview.
    // A toast already taken off screen does nothing.
    void fadeOut(bool animated);

    const std::shared_ptr<platform::Label>& titleLabel() const { return titleLabel_; }
    // Whether the toast has been taken off screen (or is on its way out without animation).
    bool isDismissed() const { return dismissed_; }

    platform::Size intrinsicContentSize() const override;
    void layoutSubviews() override;

private:
    explicit Toast(const std::string& message);

    void createConstraints();
    void applyTheme(const CaptureTheme& theme);
    void cancelRemoveTimer();

    std::shared_ptr<platform::Label> titleLabel_;
    std::shared_ptr<platform::Timer> removeTimer_;
    // The placement constraints (constrain()).
    std::shared_ptr<platform::LayoutConstraint> horizontal_;
    std::shared_ptr<platform::LayoutConstraint> vertical_;
    bool dismissed_ = false;
};

}  // namespace quorvel
