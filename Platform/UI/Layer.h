#pragma once

#include <memory>
#include <optional>

#include "Platform/Graphics/Color.h"

namespace platform {

// The drawing layer behind a view: what it draws around and under the view's content. For now it
// carries the corner and border settings; nothing is drawn yet. Main thread only.
class Layer {
  public:
    static std::shared_ptr<Layer> make();
    virtual ~Layer() = default;

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius) { cornerRadius_ = radius; }

    // Whether sublayers and content are clipped to the layer's (rounded) bounds.
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks) { masksToBounds_ = masks; }

    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width) { borderWidth_ = width; }

    // Opaque black until set, as on the phone platform; nullopt draws no border.
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color) { borderColor_ = color; }

  protected:
    Layer() = default;

  private:
    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_ = Color::black();
};

}  // namespace platform
