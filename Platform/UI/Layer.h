#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// The drawing layer behind a view: what it draws around and under the view's content. For now it
// carries the corner and border settings; nothing is drawn yet. Main thread only.
class Layer {
public:
    static std::shared_ptr<Layer> make();
    virtual ~Layer() = default;

    // The layer's frame in its superlayer's coordinates. A view keeps its layer's frame equal to
    // its own. Unlike the other properties, the frame may be read on any thread (work on
    // background queues reads where a layer is on screen): reads and writes are serialised.
    Rect frame() const {
        std::lock_guard lock(frameMutex_);
        return frame_;
    }
    void setFrame(const Rect& frame) {
        std::lock_guard lock(frameMutex_);
        frame_ = frame;
    }

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
    mutable std::mutex frameMutex_;
    Rect frame_;
    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_ = Color::black();
};

}  // namespace quorvel::platform
