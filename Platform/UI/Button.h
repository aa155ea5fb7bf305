#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/Control.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/Label.h"

namespace quorvel::platform {

// Which content views a button is made with. The phone platform's buttons make them as their
// style needs; a button without one answers nullptr for it.
struct ButtonParts {
    bool hasTitleLabel = true;
    bool hasImageView = true;
};

// A push button: per-state title, title colour, image and background image, shown through its
// title label and image view (both subviews of the button). Main thread only.
//
// As on the phone platform, a state without a value of its own uses the normal state's, and
// setting nullopt / nullptr for a state takes its own value away. The title label shows the
// current state's title ("" for none) in the current title colour (white, the colour of the
// platform's custom buttons, when none is set); the image view shows the current image. The
// background image (current state) is drawn stretched over the bounds, under the content.
//
// Layout: the image and the title sit side by side (image first), their group centred in the
// bounds inset by contentEdgeInsets; imageEdgeInsets and titleEdgeInsets then shift each one
// (positive insets move it away from that edge). A view without content is hidden. The
// intrinsic size is the content's plus contentEdgeInsets (the title measured by TextLayout).
//
// Accessibility: an element with the button trait; its label is the current title unless set.
class Button : public Control {
public:
    static constexpr Color defaultTitleColor = Color::white();

    static std::shared_ptr<Button> make(ButtonParts parts = {}, const Rect& frame = {});

    std::optional<std::string> title(ControlState state) const;
    void setTitle(std::optional<std::string> title, ControlState state);
    std::optional<Color> titleColor(ControlState state) const;
    void setTitleColor(std::optional<Color> color, ControlState state);
    std::shared_ptr<Image> image(ControlState state) const;
    void setImage(std::shared_ptr<Image> image, ControlState state);
    std::shared_ptr<Image> backgroundImage(ControlState state) const;
    void setBackgroundImage(std::shared_ptr<Image> image, ControlState state);

    // The values for state().
    std::optional<std::string> currentTitle() const { return title(state()); }
    std::optional<Color> currentTitleColor() const { return titleColor(state()); }
    std::shared_ptr<Image> currentImage() const { return image(state()); }
    std::shared_ptr<Image> currentBackgroundImage() const { return backgroundImage(state()); }

    const EdgeInsets& contentEdgeInsets() const { return contentEdgeInsets_; }
    void setContentEdgeInsets(const EdgeInsets& insets);
    const EdgeInsets& imageEdgeInsets() const { return imageEdgeInsets_; }
    void setImageEdgeInsets(const EdgeInsets& insets);
    const EdgeInsets& titleEdgeInsets() const { return titleEdgeInsets_; }
    void setTitleEdgeInsets(const EdgeInsets& insets);

    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }

    void layoutSubviews() override;
    Size intrinsicContentSize() const override;
    Size sizeThatFits(Size size) const override;
    void draw(GraphicsContext& context, const Rect& rect) override;
    std::string accessibilityLabel() const override;

protected:
    explicit Button(const Rect& frame);
    void stateDidChange() override;

private:
    template <typename T>
    using PerState = std::array<T, 4>;

    void updateContent();
    Size titleSize() const;
    Size imageSize() const;

    PerState<std::optional<std::string>> titles_;
    PerState<std::optional<Color>> titleColors_;
    PerState<std::shared_ptr<Image>> images_;
    PerState<std::shared_ptr<Image>> backgroundImages_;
    EdgeInsets contentEdgeInsets_;
    EdgeInsets imageEdgeInsets_;
    EdgeInsets titleEdgeInsets_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<ImageView> imageView_;
};

}  // namespace quorvel::platform
