#include "Source/Components/Toast/Toast.h"

#include <chrono>

#include "Source/Configuration/FontManager.h"

namespace quorvel {

using platform::LayoutAttribute;
using platform::LayoutConstraint;
using platform::LayoutRelation;

namespace {

std::weak_ptr<Toast>& current() {
    static std::weak_ptr<Toast> toast;
    return toast;
}

}  // namespace

Toast::Toast(const std::string& message) : View(platform::Rect{}) {
    titleLabel_ = platform::Label::make();
    setTranslatesAutoresizingMaskIntoConstraints(false);
    titleLabel_->setTranslatesAutoresizingMaskIntoConstraints(false);
    titleLabel_->setText(message);
    titleLabel_->setTextAlignment(platform::TextAlignment::center);
}

std::shared_ptr<Toast> Toast::make(const std::string& message, const CaptureTheme& theme) {
    auto toast = std::shared_ptr<Toast>(new Toast(message));
    toast->addSubview(toast->titleLabel_);
    toast->createConstraints();
    toast->applyTheme(theme);
    return toast;
}

std::shared_ptr<Toast> Toast::currentToast() {
    return current().lock();
}

void Toast::dismissCurrentToast() {
    if (auto toast = current().lock()) toast->fadeOut(false);
    current().reset();
}

std::shared_ptr<Toast> Toast::show(const std::string& message,
                                   const std::shared_ptr<platform::View>& view,
                                   const CaptureTheme& theme) {
    dismissCurrentToast();
    auto toast = make(message, theme);
    view->addSubview(toast);
    toast->constrain(view);
    view->layoutIfNeeded();
    toast->fadeIn();
    return toast;
}

void Toast::createConstraints() {
    const auto self = shared_from_this();
    LayoutConstraint::activate({
        LayoutConstraint::make(titleLabel_, LayoutAttribute::centerX, LayoutRelation::equal, self,
                               LayoutAttribute::centerX),
        LayoutConstraint::make(titleLabel_, LayoutAttribute::centerY, LayoutRelation::equal, self,
                               LayoutAttribute::centerY),
        LayoutConstraint::make(titleLabel_, LayoutAttribute::leading, LayoutRelation::equal, self,
                               LayoutAttribute::leading, 1, horizontalPadding),
        LayoutConstraint::make(titleLabel_, LayoutAttribute::trailing, LayoutRelation::equal, self,
                               LayoutAttribute::trailing, 1, -horizontalPadding),
        LayoutConstraint::make(titleLabel_, LayoutAttribute::top,
                               LayoutRelation::greaterThanOrEqual, self, LayoutAttribute::top, 1,
                               verticalPadding),
        LayoutConstraint::make(titleLabel_, LayoutAttribute::bottom,
                               LayoutRelation::greaterThanOrEqual, self, LayoutAttribute::bottom, 1,
                               -verticalPadding),
        LayoutConstraint::make(self, LayoutAttribute::height, height),
    });
    setNeedsLayout();
    layoutIfNeeded();
    titleLabel_->layoutIfNeeded();
}

void Toast::applyTheme(const CaptureTheme& theme) {
    setAlpha(0);
    setClipsToBounds(true);
    layer()->setCornerRadius(theme.toastCornerRadius);
    titleLabel_->setTextColor(theme.resolvedColor(&CaptureTheme::toastTitleColor));
    const auto fonts = theme.fonts() ? theme.fonts() : FontManager::makeDefault();
    titleLabel_->setFont(fonts->subhead());
    setBackgroundColor(theme.resolvedColor(&CaptureTheme::toastBackgroundColor));
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void Toast::constrain(const std::shared_ptr<platform::View>& view,
                      const std::optional<ToastSettings>& settings) {
    if (horizontal_) horizontal_->deactivate();
    if (vertical_) vertical_->deactivate();
    const auto self = shared_from_this();
    const ToastSettings placement = settings.value_or(ToastSettings{true, false, 0, defaultYPos});
    horizontal_ =
        placement.centerHorizontally
            ? LayoutConstraint::make(self, LayoutAttribute::centerX, LayoutRelation::equal, view,
                                     LayoutAttribute::centerX)
            : LayoutConstraint::make(self, LayoutAttribute::leading, LayoutRelation::equal, view,
                                     LayoutAttribute::leading, 1, placement.horizontalOffset);
    vertical_ =
        placement.centerVertically
            ? LayoutConstraint::make(self, LayoutAttribute::centerY, LayoutRelation::equal, view,
                                     LayoutAttribute::centerY)
            : LayoutConstraint::make(self, LayoutAttribute::top, LayoutRelation::equal, view,
                                     LayoutAttribute::top, 1, placement.verticalOffset);
    LayoutConstraint::activate({horizontal_, vertical_});
    setNeedsLayout();
}

platform::Size Toast::intrinsicContentSize() const {
    return {titleLabel_->intrinsicContentSize().width + 2 * horizontalPadding, height};
}

void Toast::layoutSubviews() {
    // The toast sizes and places itself from its constraints: as wide as its message plus the
    // padding, 48 points tall, where constrain() put it in its superview.
    const auto view = superview();
    if (view && horizontal_ && vertical_) {
        const platform::Size size = intrinsicContentSize();
        const platform::Rect area = view->bounds();
        const double x = horizontal_->firstAttribute() == LayoutAttribute::centerX
                             ? area.origin.x + (area.size.width - size.width) / 2
                             : area.origin.x + horizontal_->constant();
        const double y = vertical_->firstAttribute() == LayoutAttribute::centerY
                             ? area.origin.y + (area.size.height - size.height) / 2
                             : area.origin.y + vertical_->constant();
        setFrame({{x, y}, size});
    }
    // Centred label, padded at the sides, as tall as the toast less the vertical padding.
    const platform::Rect own = bounds();
    titleLabel_->setFrame({{horizontalPadding, verticalPadding},
                           {std::max(0.0, own.size.width - 2 * horizontalPadding),
                            std::max(0.0, own.size.height - 2 * verticalPadding)}});
}

void Toast::cancelRemoveTimer() {
    if (removeTimer_) removeTimer_->invalidate();
    removeTimer_.reset();
}

void Toast::fadeIn() {
    const std::weak_ptr<Toast> weak = std::static_pointer_cast<Toast>(shared_from_this());
    using platform::AnimationOptions;
    View::animate(
        animationDuration, fadeInDelay,
        AnimationOptions::allowUserInteraction | AnimationOptions::beginFromCurrentState |
            AnimationOptions::allowAnimatedContent,
        [weak] {
            const auto toast = weak.lock();
            if (!toast || toast->dismissed_) return;
            const auto previous = current().lock();
            if (previous && previous != toast) previous->fadeOut(false);
            current() = toast;
            toast->setAlpha(1);
        },
        [weak](bool) {
            const auto toast = weak.lock();
            // A toast taken off screen meanwhile schedules nothing.
            if (!toast || toast->dismissed_) return;
            toast->cancelRemoveTimer();
            toast->removeTimer_ = platform::Timer::scheduled(
                std::chrono::duration<double>(visibleTime), false, [weak](platform::Timer&) {
                    if (const auto shown = weak.lock()) shown->fadeOut(true);
                });
        });
}

void Toast::fadeOut(bool animated) {
    if (dismissed_) return;
    cancelRemoveTimer();
    if (!animated) dismissed_ = true;
    const std::weak_ptr<Toast> weak = std::static_pointer_cast<Toast>(shared_from_this());
    View::animate(
        animated ? animationDuration : 0, 0, platform::AnimationOptions::beginFromCurrentState,
        [weak] {
            if (const auto toast = weak.lock()) toast->setAlpha(0);
        },
        [weak](bool) {
            const auto toast = weak.lock();
            if (!toast) return;
            toast->dismissed_ = true;
            toast->cancelRemoveTimer();
            toast->removeFromSuperview();
        });
}

}  // namespace quorvel
