#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/Layer.h"

namespace quorvel::platform {

// How a view lays out its content when its size differs from the content's, with the phone
// platform's cases in its order.
enum class ContentMode {
    scaleToFill,
    scaleAspectFit,
    scaleAspectFill,
    redraw,
    center,
    top,
    bottom,
    left,
    right,
    topLeft,
    topRight,
    bottomLeft,
    bottomRight,
};

// A rectangular area of the user interface, backed by a Layer, with subviews. Reference type
// (std::shared_ptr), used on the main thread only: debug and sanitizer builds stop the program
// when a view is made, moved or put in or out of a hierarchy elsewhere (MainQueueCheck). Nothing
// is drawn yet.
//
// Geometry follows the phone platform without transforms: a view has a centre (in its
// superview's coordinates) and bounds (in its own); its frame is the bounds' size placed around
// the centre. Setting the frame moves the centre and resizes the bounds; setting the bounds keeps
// the centre.
class View : public std::enable_shared_from_this<View> {
public:
    static std::shared_ptr<View> make(const Rect& frame = {});
    virtual ~View() = default;

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const std::shared_ptr<Layer>& layer() const { return layer_; }

    Rect frame() const;
    void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    double alpha() const { return alpha_; }
    void setAlpha(double alpha) { alpha_ = alpha; }
    // nullopt (the default) leaves the view transparent.
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color) { backgroundColor_ = color; }
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode) { contentMode_ = mode; }
    // The layer's masksToBounds.
    bool clipsToBounds() const { return layer_->masksToBounds(); }
    void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    std::shared_ptr<View> superview() const { return superview_.lock(); }
    // Back to front.
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // Puts the view in front of the other subviews, taking it from its former superview. A null
    // view, the view itself or one of its ancestors is refused.
    void addSubview(const std::shared_ptr<View>& view);
    void removeFromSuperview();
    // True for the view itself and every view below it.
    bool isDescendantOf(const View& ancestor) const;
    // The first view with that tag, searching this view and then its subviews depth first.
    std::shared_ptr<View> viewWithTag(int tag);

protected:
    explicit View(const Rect& frame);
    // A view backed by a layer of the subclass's choice (a video preview layer, say); a null
    // layer gets a plain one.
    View(const Rect& frame, std::shared_ptr<Layer> layer);

private:
    std::shared_ptr<Layer> layer_;
    Point center_;
    Rect bounds_;
    bool hidden_ = false;
    double alpha_ = 1;
    std::optional<Color> backgroundColor_;
    ContentMode contentMode_ = ContentMode::scaleToFill;
    int tag_ = 0;
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
};

}  // namespace quorvel::platform
