#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/AnimationValue.h"
#include "Platform/UI/BasicAnimation.h"

namespace quorvel::platform {

class View;

// A drawing layer, standing in for the phone platform's layers: a rectangle with a background,
// border, rounded corners, opacity, a transform and sublayers, and animations of its animatable
// properties on Clock. Main thread only, except frame() (and bounds()/position()), which may be
// read on any thread: work on background queues reads where a layer is on screen.
//
// A view's own layer never lists the layers of its subviews: the painter draws a view's content,
// then its layer's sublayers (back to front), then its subviews.
//
// Animatable properties ("opacity" here, "path" and "strokeEnd" in ShapeLayer): setting one asks
// action(forKey) for an animation unless the current Transaction disables actions. The base
// answers none, so changes show at once unless a subclass animates them. An answered animation is
// added under that key; a missing to-value becomes the new value and a missing from-value the
// value that was on screen just before the change (the presentation value).
class Layer : public std::enable_shared_from_this<Layer> {
public:
    static std::shared_ptr<Layer> make();
    virtual ~Layer() = default;

    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // The layer's frame in its superlayer's coordinates (for a view's layer, the view's frame in
    // its superview). Reads and writes are serialised.
    Rect frame() const {
        std::lock_guard lock(frameMutex_);
        return frame_;
    }
    void setFrame(const Rect& frame);
    // (0, 0, frame size).
    Rect bounds() const;
    // The centre of the frame in the superlayer's coordinates.
    Point position() const;
    // Moves the frame so that its centre is `position`.
    void setPosition(Point position);

    // Back to front.
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    std::shared_ptr<Layer> superlayer() const { return superlayer_.lock(); }
    // Puts `layer` in front of the other sublayers, taking it from its former superlayer. A null
    // layer, the layer itself or one of its ancestors is refused.
    void addSublayer(const std::shared_ptr<Layer>& layer);
    // Inserts at `index` (clamped to the number of sublayers).
    void insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index);
    void removeFromSuperlayer();

    // Animatable ("opacity"). 1 until set.
    double opacity() const { return opacity_; }
    void setOpacity(double opacity);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    // nullopt (the default) draws no background.
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color);

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    // Whether sublayers and content are clipped to the layer's (rounded) bounds.
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    // Opaque black until set, as on the phone platform; nullopt draws no border.
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color);

    // Applied about the layer's centre (its position) when drawn; identity until set.
    const AffineTransform& affineTransform() const { return transform_; }
    void setAffineTransform(const AffineTransform& transform);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Asks the painter to draw the layer again.
    void setNeedsDisplay();

    // --- Animations -----------------------------------------------------------------------
    // Adds a copy of `animation` under `key`, replacing one there; sets its begin time (now), its
    // duration (the transaction's when 0) and its missing from-value (the presentation value).
    // A null animation or one without a key path is ignored.
    void add(const std::shared_ptr<BasicAnimation>& animation, const std::string& key);
    // The animation under `key` (the layer's copy), or nullptr. Finished animations that are
    // removed on completion are gone.
    std::shared_ptr<BasicAnimation> animation(const std::string& key) const;
    // In the order they were added.
    std::vector<std::string> animationKeys() const;
    void removeAnimation(const std::string& key);
    void removeAllAnimations();
    // Whether an animation is still moving at the current Clock time.
    bool hasRunningAnimations() const;

    // The animation to run when the animatable property `key` changes; nullptr for none. The base
    // answers none.
    virtual std::shared_ptr<BasicAnimation> action(const std::string& key);

    // The model value of an animatable property: "opacity" here; subclasses add theirs.
    virtual std::optional<AnimationValue> modelValue(const std::string& keyPath) const;
    // What is on screen for `keyPath` at the current Clock time: the last added animation of that
    // key path that has begun and not been removed, else the model value. nullopt for an unknown
    // key path or an absent value (a shape layer without a path).
    std::optional<AnimationValue> presentationValue(const std::string& keyPath) const;
    // Shortcut for the painter: presentationValue("opacity").
    double presentationOpacity() const;

    // The view this layer backs, if any.
    std::shared_ptr<View> view() const { return view_.lock(); }

protected:
    Layer() = default;

    // Setters of animatable properties call this around the model change: it asks for the
    // action (unless actions are disabled) with the old presentation value, runs `apply` (which
    // changes the model value) and adds the action's animation.
    template <typename Apply>
    void changeAnimatable(const std::string& key, Apply&& apply) {
        auto animation = actionForChange(key);
        auto before = animation ? presentationValue(key) : std::nullopt;
        apply();
        finishChange(key, std::move(animation), std::move(before));
        didChange();
    }

    // Marks the display as changed (any visible property).
    void didChange();

private:
    friend class View;

    std::shared_ptr<BasicAnimation> actionForChange(const std::string& key);
    void finishChange(const std::string& key, std::shared_ptr<BasicAnimation> animation,
                      std::optional<AnimationValue> before);
    void pruneFinished() const;

    mutable std::mutex frameMutex_;
    Rect frame_;
    std::weak_ptr<Layer> superlayer_;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    double opacity_ = 1;
    bool hidden_ = false;
    std::optional<Color> backgroundColor_;
    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    double borderWidth_ = 0;
    std::optional<Color> borderColor_ = Color::black();
    AffineTransform transform_;
    std::string name_;
    std::weak_ptr<View> view_;
    mutable std::vector<std::pair<std::string, std::shared_ptr<BasicAnimation>>> animations_;
};

}  // namespace quorvel::platform
