#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"
#include "Platform/UI/AccessibilityTraits.h"
#include "Platform/UI/AnimationOptions.h"
#include "Platform/UI/AutoresizingMask.h"
#include "Platform/UI/Event.h"
#include "Platform/UI/Layer.h"
#include "Platform/UI/Touch.h"

namespace quorvel::platform {

class GestureRecognizer;
class GraphicsContext;
class LayoutConstraint;
class ViewController;
class Window;
enum class LayoutAttribute;

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

// Where content of `size` goes in `bounds` for `mode`: scaled to fill, to fit or to cover, or
// kept at its size against a side, a corner or the centre.
Rect placedContent(ContentMode mode, Size size, const Rect& bounds);

// A rectangular area of the user interface, backed by a Layer, with subviews. Reference type
// (std::shared_ptr), used on the main thread only.
//
// Geometry follows the phone platform without transforms: a view has a centre (in its
// superview's coordinates) and bounds (in its own); its frame is the bounds' size placed around
// the centre. Setting the frame moves the centre and resizes the bounds; setting the bounds keeps
// the centre. The bounds origin is the scroll offset: a subview at frame origin (x, y) appears at
// (x − bounds.x, y − bounds.y) in the superview.
//
// Window membership: window() is the Window at the top of the view's superview chain, or null.
// A screen's views are in the window only while the screen is shown (its view controller puts
// them there); didMoveToWindow() runs for every view of a subtree whose window changed.
//
// Layout: setNeedsLayout() marks the view; layoutIfNeeded() lays out the marked views of the
// subtree, parents before children: viewWillLayoutSubviews of the view's controller, then
// layoutSubviews(), then viewDidLayoutSubviews, then the subviews. It never loops: a layout
// requested for a view during its own layoutSubviews (or the controller's hooks) runs once more,
// and a further request during that second pass is dropped. A layoutIfNeeded() called on a view
// from inside its own layout pass lays out only its subviews. Resizing a view marks it; adding or
// removing a subview marks the superview.
//
// Hit testing: hitTest(point) answers the frontmost descendant (or the view itself) that
// contains the point and takes touches. A view takes no touches, nor do its subviews, when it
// is hidden, its alpha is 0.01 or less, user interaction is off, or it is not in a window; a
// point outside pointInside() (the bounds, by default) reaches no subview either, clipping or
// not.
//
// Touches go to the hit view's touchesBegan/Moved/Ended/Cancelled; the default versions pass
// them on to the superview (the responder chain), so a container sees the touches of subviews
// that do not handle them. Gesture recognizers of the hit view and its ancestors see every touch
// first (see Window::sendTouch).
//
// View animations: View::animate runs its block at once (model values change at once); alpha
// and frame (centre, bounds) changes made inside the block, including by layoutIfNeeded, are
// recorded as animations on Clock that presentationAlpha()/presentationFrame() report.
class View : public std::enable_shared_from_this<View> {
public:
    // The value of a dimension without an intrinsic size.
    static constexpr double NoIntrinsicMetric = -1;

    static std::shared_ptr<View> make(const Rect& frame = {});
    virtual ~View();

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const std::shared_ptr<Layer>& layer() const { return layer_; }

    // --- Geometry -----------------------------------------------------------------------------
    Rect frame() const;
    void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);

    // Converts a point or rectangle in this view's coordinates to `view`'s (window coordinates
    // when `view` is null; when the two are not in one tree, through each tree's root).
    Point convert(Point point, const View* to) const;
    Rect convert(const Rect& rect, const View* to) const;
    // Converts from `view`'s coordinates (window coordinates when null) to this view's.
    Point convertFrom(Point point, const View* from) const;
    Rect convertFrom(const Rect& rect, const View* from) const;

    // --- Appearance ---------------------------------------------------------------------------
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    double alpha() const { return alpha_; }
    void setAlpha(double alpha);
    // nullopt (the default) leaves the view transparent.
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color);
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);
    // The layer's masksToBounds.
    bool clipsToBounds() const { return layer_->masksToBounds(); }
    void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
    // The colour controls draw their tint with (page control dots, activity indicator); nullopt
    // means the superview's, and at the top the system blue.
    Color tintColor() const;
    void setTintColor(std::optional<Color> color);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // The first view with that tag, searching this view and then its subviews depth first.
    std::shared_ptr<View> viewWithTag(int tag);

    // --- Tree ---------------------------------------------------------------------------------
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    // Back to front.
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // Puts the view in front of the other subviews, taking it from its former superview. A null
    // view, the view itself or one of its ancestors is refused.
    void addSubview(const std::shared_ptr<View>& view);
    // The same at a position (clamped), below or above a sibling (a missing sibling: in front).
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void insertSubview(const std::shared_ptr<View>& view, const std::shared_ptr<View>& below,
                       bool above = false);
    void bringSubviewToFront(const std::shared_ptr<View>& view);
    void sendSubviewToBack(const std::shared_ptr<View>& view);
    void removeFromSuperview();
    // True for the view itself and every view below it.
    bool isDescendantOf(const View& ancestor) const;

    // The window the view is in, or null.
    std::shared_ptr<Window> window() const;
    // The view controller whose root view this is, or null.
    std::shared_ptr<ViewController> viewController() const { return viewController_.lock(); }

    // --- Layout -------------------------------------------------------------------------------
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    void layoutIfNeeded();
    // Places the subviews. The default calls the layout handler, if one is set.
    virtual void layoutSubviews();
    // Layout code for a view that is not a subclass (a nib's root view): called by the default
    // layoutSubviews with the view.
    void setLayoutHandler(std::function<void(View&)> handler);

    // The natural size of the content; NoIntrinsicMetric in a dimension without one (the
    // default for both).
    virtual Size intrinsicContentSize() const;
    // Tells the superview (a stack view, a nib's layout code) that the intrinsic size changed.
    void invalidateIntrinsicContentSize();
    // The size that best fits `size`; by default the current bounds size.
    virtual Size sizeThatFits(Size size) const;
    // Resizes to sizeThatFits(current size), keeping the frame's origin.
    void sizeToFit();

    // Applied when the superview's size changes (see AutoresizingMask). None until set.
    AutoresizingMask autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(AutoresizingMask mask) { autoresizingMask_ = mask; }
    // Recorded only, for nib code that mirrors the platform; true until set.
    bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizing_; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates) {
        translatesAutoresizing_ = translates;
    }

    // Constraint records added to this view (by addConstraint or LayoutConstraint::activate,
    // which adds to the nearest common ancestor of the two items). See LayoutConstraint: there is
    // no solver, layout code reads the records.
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const {
        return constraints_;
    }
    void addConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    void removeConstraint(const std::shared_ptr<LayoutConstraint>& constraint);
    // The active constraints whose first item is this view with `attribute`, wherever they are
    // stored, in activation order.
    std::vector<std::shared_ptr<LayoutConstraint>> constraintsAffecting(
        LayoutAttribute attribute) const;
    // The constant of the last active constraint on `attribute` with no second item (a fixed
    // width or height), or nullopt.
    std::optional<double> fixedConstant(LayoutAttribute attribute) const;

    // Insets of the window's unsafe areas (status bar, home indicator) that overlap this view.
    EdgeInsets safeAreaInsets() const;

    // --- Drawing ------------------------------------------------------------------------------
    // Asks the painter to call draw() again.
    void setNeedsDisplay();
    bool needsDisplay() const { return needsDisplay_; }
    // Called by the painter after it drew the view's content.
    void clearNeedsDisplay() { needsDisplay_ = false; }
    // The view's own content, drawn over its background in bounds coordinates; `rect` is the
    // area to draw. The default draws nothing.
    virtual void draw(GraphicsContext& context, const Rect& rect);

    // An image of the view and its subviews as they look now, at the window's screen scale.
    // Rendered by the installed provider (the Qt painter); nullptr when none is installed.
    std::shared_ptr<Image> snapshot() const;
    static void setSnapshotProvider(std::function<std::shared_ptr<Image>(const View&)> provider);

    // --- Input --------------------------------------------------------------------------------
    // True until set (false for labels and image views, as on the phone platform).
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }

    virtual std::shared_ptr<View> hitTest(Point point, const Event* event);
    virtual bool pointInside(Point point, const Event* event) const;

    void addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    void removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer);
    const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const {
        return gestureRecognizers_;
    }
    // Asked (after the recognizer's delegate) when a recognizer that sees this view's touches is
    // about to begin or recognize; false makes it fail. True by default.
    virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer);

    // The default versions pass the touches on to the superview.
    virtual void touchesBegan(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesMoved(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesEnded(const std::vector<Touch>& touches, const Event& event);
    virtual void touchesCancelled(const std::vector<Touch>& touches, const Event& event);

    // Keyboard focus (Window::sendKey). False by default; enabled controls say true.
    virtual bool canBecomeFocused() const;
    bool isFocused() const;

    // --- Accessibility ------------------------------------------------------------------------
    // Whether assistive technology sees this view as one element (its subviews then are not
    // visited). False for plain views; labels, buttons and controls say true.
    bool isAccessibilityElement() const { return accessibilityElement_; }
    void setIsAccessibilityElement(bool element) { accessibilityElement_ = element; }
    // The label: the one set, else what the view shows (a label's text, a button's title);
    // "" for none.
    virtual std::string accessibilityLabel() const;
    void setAccessibilityLabel(std::optional<std::string> label);
    // Whether a label was set (even an empty one); nullopt goes back to the view's own.
    bool hasAccessibilityLabel() const { return accessibilityLabel_.has_value(); }
    virtual std::string accessibilityHint() const;
    void setAccessibilityHint(std::optional<std::string> hint);
    // The value of an adjustable or stateful element (a page control's "page 2 of 3").
    virtual std::string accessibilityValue() const;
    void setAccessibilityValue(std::optional<std::string> value);
    // The traits set, plus the ones the view's state adds (notEnabled for a disabled control,
    // selected for a selected one).
    virtual AccessibilityTraits accessibilityTraits() const;
    void setAccessibilityTraits(AccessibilityTraits traits);
    // The reading order of the view's children for assistive technology; nullopt (the default)
    // means the subviews back to front.
    const std::optional<std::vector<std::shared_ptr<View>>>& accessibilityElements() const {
        return accessibilityElements_;
    }
    void setAccessibilityElements(std::optional<std::vector<std::shared_ptr<View>>> elements);
    // The view's frame in window coordinates.
    Rect accessibilityFrame() const;
    // While true and the view is visible, assistive technology and focus stay inside it (an
    // alert's view).
    bool accessibilityViewIsModal() const { return accessibilityViewIsModal_; }
    void setAccessibilityViewIsModal(bool modal) { accessibilityViewIsModal_ = modal; }
    // A name for tests and tools; not read aloud.
    const std::string& accessibilityIdentifier() const { return accessibilityIdentifier_; }
    void setAccessibilityIdentifier(std::string identifier) {
        accessibilityIdentifier_ = std::move(identifier);
    }
    // What a screen reader's activation (double tap) does; true when handled. Controls send
    // their primary actions; the default does nothing.
    virtual bool accessibilityActivate();
    // Adjustable elements: one step up or down.
    virtual void accessibilityIncrement();
    virtual void accessibilityDecrement();

    // --- Animation ----------------------------------------------------------------------------
    // Runs `block` at once; alpha and frame changes it makes are animated on Clock from the old
    // value (or, with beginFromCurrentState, from the value on screen) to the new one, starting
    // `delay` seconds from now, over `duration` seconds, paced by the options' curve
    // (ease-in-ease-out by default). `completion` (may be empty) runs on the main queue once
    // delay + duration have passed on Clock (with both zero: on the next turn), with finished ==
    // false when every animation the block made was replaced or removed before its end.
    static void animate(double duration, double delay, AnimationOptions options,
                        const std::function<void()>& block,
                        std::function<void(bool finished)> completion = {});
    static void animate(double duration, const std::function<void()>& block,
                        std::function<void(bool finished)> completion = {});
    // Whether a View::animate block is running.
    static bool isInsideAnimationBlock();

    // The values on screen at the current Clock time.
    double presentationAlpha() const;
    Rect presentationFrame() const;
    Rect presentationBounds() const;
    bool hasRunningAnimations() const;
    // Drops the view's running view animations (their completions report finished == false);
    // the model values stay. The layer's own animations are not touched.
    void removeViewAnimations();

protected:
    explicit View(const Rect& frame);
    // A view backed by a layer of the subclass's choice (a video preview layer, say); a null
    // layer gets a plain one.
    View(const Rect& frame, std::shared_ptr<Layer> layer);

    // Hooks: after the superview (and so possibly the window) changed, and after the window
    // changed (for every view of the moved subtree).
    virtual void didMoveToSuperview() {}
    virtual void didMoveToWindow() {}
    // After the bounds size changed.
    virtual void boundsSizeDidChange() {}
    // Points the layer back at this view (Layer::view()). Done by make() and whenever the view
    // is added to a superview or becomes a controller's view; a subclass's factory may call it.
    void bindLayer();

private:
    friend class ViewController;
    friend class Window;
    friend class LayoutConstraint;
    friend class ViewAnimationRecorder;

    struct ViewAnimation;
    struct AnimationGroup;

    void setFrameUnrecorded(Point center, Rect bounds);
    void recordGeometryChange(const Rect& oldFrame, const Rect& oldBounds);
    void recordAlphaChange(double oldAlpha);
    void attach(const std::shared_ptr<View>& view, std::size_t index);
    void detach();
    void notifyWindowChange(Window* oldWindow, Window* newWindow);
    void applyAutoresizing(Size oldSize);
    void runLayoutPass();
    Window* rawWindow() const;
    void pruneAnimations() const;

    std::shared_ptr<Layer> layer_;
    Point center_;
    Rect bounds_;
    bool hidden_ = false;
    double alpha_ = 1;
    std::optional<Color> backgroundColor_;
    std::optional<Color> tintColor_;
    ContentMode contentMode_ = ContentMode::scaleToFill;
    int tag_ = 0;
    std::weak_ptr<View> superview_;
    std::vector<std::shared_ptr<View>> subviews_;
    std::weak_ptr<ViewController> viewController_;

    bool needsLayout_ = true;
    bool inLayout_ = false;
    std::function<void(View&)> layoutHandler_;
    AutoresizingMask autoresizingMask_ = AutoresizingMask::none;
    bool translatesAutoresizing_ = true;
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
    std::vector<std::weak_ptr<LayoutConstraint>> affectingConstraints_;
    bool needsDisplay_ = true;

    bool userInteractionEnabled_ = true;
    std::vector<std::shared_ptr<GestureRecognizer>> gestureRecognizers_;

    bool accessibilityElement_ = false;
    std::optional<std::string> accessibilityLabel_;
    std::optional<std::string> accessibilityHint_;
    std::optional<std::string> accessibilityValue_;
    AccessibilityTraits accessibilityTraits_ = AccessibilityTraits::none;
    std::optional<std::vector<std::shared_ptr<View>>> accessibilityElements_;
    bool accessibilityViewIsModal_ = false;
    std::string accessibilityIdentifier_;

    mutable std::vector<std::shared_ptr<ViewAnimation>> animations_;
};

}  // namespace quorvel::platform
