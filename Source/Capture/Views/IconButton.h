#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Source/Capture/Views/IconButtonDelegate.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/Presentable.h"

namespace quorvel {

// The square tool button of the preview screen's bottom bar: an icon above an upper-case caption.
// Its content comes from the nib "IconButton" (IconButtonNib). The caption's size follows the
// icon's height and the room the caption has, so that the buttons of one bar can share one
// caption size (getScaledFontSize, applyForLabel). Pressing dims the content to half opacity;
// a press that ends inside tells the delegate. Main thread only.
class IconButton : public platform::Button, public Presentable<CaptureTheme> {
public:
    struct Constants {
        // How much taller the caption is than its font's point size.
        static constexpr double verticalBreathingRoom = 3.0;
        // The caption's size stays between these fractions of the icon's height.
        static constexpr double smallestCaptionRatio = 0.5;
        static constexpr double largestCaptionRatio = 0.8;
        // A squeezed caption shrinks in proportion, down to this fraction of its size.
        static constexpr double smallestSqueeze = 0.6;
    };
    static constexpr const char* nibName = "IconButton";

    static std::shared_ptr<IconButton> make(const platform::Rect& frame = {});

    // Shows `image` and `text` upper-cased (nothing for no text), remembers `delegate` (weakly)
    // and takes `text` as given as the accessibility label; applies `theme` when there is one.
    void update(std::shared_ptr<platform::Image> image, std::optional<std::string> text,
                std::weak_ptr<IconButtonDelegate> delegate, const CaptureTheme* theme);

    // Content background, caption colour and the caption font (the theme's caption style).
    void apply(const CaptureTheme& theme) override;

    // The caption size this button needs for its caption to fit: the caption font's size scaled
    // by how much of its natural width the caption has (no less than 0.6 of it, never more than
    // all of it), kept between 0.5 and 0.8 times the icon's height.
    double getScaledFontSize() const;
    // Sets the caption font, its size kept between 0.5 and 0.8 times the icon's height, makes the
    // caption that size plus 3 points tall and lays the button out again.
    void applyForLabel(const platform::Font& font);

    // Actions the nib binds to touch down, touch up (inside or outside, or cancelled) and touch
    // up inside.
    void buttonPressedDown();
    void buttonReleased();
    void buttonPressed();

    std::shared_ptr<IconButtonDelegate> delegate() const { return delegate_.lock(); }
    // The nib's views, for layout code and tests.
    std::shared_ptr<platform::View> contentView() const { return contentView_.lock(); }
    std::shared_ptr<platform::ImageView> iconView() const { return iconView_.lock(); }
    std::shared_ptr<platform::Label> textLabel() const { return textLabel_.lock(); }
    std::shared_ptr<platform::LayoutConstraint> labelHeight() const { return labelHeight_.lock(); }

    void layoutSubviews() override;

protected:
    explicit IconButton(const platform::Rect& frame);

private:
    friend struct IconButtonNib;

    void sharedInit();
    // The caption's allowed sizes for the current icon height.
    std::pair<double, double> captionRange() const;

    std::weak_ptr<platform::View> contentView_;
    std::weak_ptr<platform::ImageView> iconView_;
    std::weak_ptr<platform::Label> textLabel_;
    std::weak_ptr<platform::LayoutConstraint> labelHeight_;
    std::weak_ptr<IconButtonDelegate> delegate_;
};

}  // namespace quorvel
