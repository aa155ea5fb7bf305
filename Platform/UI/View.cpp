#include "Platform/UI/View.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/UI/DisplayInvalidation.h"
#include "Platform/UI/GestureRecognizer.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/UIAssert.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

// --- View animations --------------------------------------------------------------------------

// The completion bookkeeping of one View::animate call.
struct View::AnimationGroup {
    int records = 0;
    int cancelled = 0;
};

// One animated property of one view.
struct View::ViewAnimation {
    enum class Property { alpha, frame, boundsOrigin };
    Property property;
    Rect fromRect;
    Rect toRect;
    double fromAlpha = 0;
    double toAlpha = 0;
    TimePoint start;
    TimePoint end;
    TimingFunction curve = TimingFunction::easeInEaseOut;
    std::shared_ptr<AnimationGroup> group;

    double progress(TimePoint now) const {
        if (now <= start) {
            return 0;
        }
        if (now >= end) {
            return 1;
        }
        const double total = std::chrono::duration<double>(end - start).count();
        const double elapsed = std::chrono::duration<double>(now - start).count();
        return applyTimingFunction(curve, elapsed / total);
    }
};

namespace {

struct AnimationContext {
    double duration;
    double delay;
    AnimationOptions options;
    std::shared_ptr<void> group;  // View::AnimationGroup, kept opaque here
};

std::vector<AnimationContext>& contexts() {
    static std::vector<AnimationContext> stack;
    return stack;
}

std::function<std::shared_ptr<Image>(const View&)>& snapshotProvider() {
    static std::function<std::shared_ptr<Image>(const View&)> provider;
    return provider;
}

TimingFunction curveOf(AnimationOptions options) {
    const auto bits = rawValue(options) & (3u << 16);
    switch (bits >> 16) {
        case 1:
            return TimingFunction::easeIn;
        case 2:
            return TimingFunction::easeOut;
        case 3:
            return TimingFunction::linear;
        default:
            return TimingFunction::easeInEaseOut;
    }
}

Rect lerp(const Rect& a, const Rect& b, double t) {
    return Rect{
        {a.origin.x + (b.origin.x - a.origin.x) * t, a.origin.y + (b.origin.y - a.origin.y) * t},
        {a.size.width + (b.size.width - a.size.width) * t,
         a.size.height + (b.size.height - a.size.height) * t}};
}

}  // namespace

// --- Construction -------------------------------------------------------------------------------

View::View(const Rect& frame) : View(frame, nullptr) {}

View::View(const Rect& frame, std::shared_ptr<Layer> layer)
    : layer_(layer ? std::move(layer) : Layer::make()) {
    requireMainThread("A view's constructor");
    bounds_.size = frame.size;
    center_ = {frame.midX(), frame.midY()};
    layer_->setFrame(this->frame());
}

View::~View() = default;

std::shared_ptr<View> View::make(const Rect& frame) {
    auto view = std::shared_ptr<View>(new View(frame));
    view->bindLayer();
    return view;
}

void View::bindLayer() {
    layer_->view_ = weak_from_this();
}

// --- Geometry -----------------------------------------------------------------------------------

Rect View::frame() const {
    return Rect{{center_.x - bounds_.size.width / 2, center_.y - bounds_.size.height / 2},
                bounds_.size};
}

void View::setFrameUnrecorded(Point center, Rect bounds) {
    const Rect oldFrame = frame();
    const Rect oldBounds = bounds_;
    if (center == center_ && bounds == bounds_) {
        return;
    }
    center_ = center;
    bounds_ = bounds;
    if (layer_->view_.expired()) {
        layer_->view_ = weak_from_this();
    }
    layer_->setFrame(frame());
    recordGeometryChange(oldFrame, oldBounds);
    if (oldBounds.size != bounds_.size) {
        applyAutoresizing(oldBounds.size);
        setNeedsLayout();
        boundsSizeDidChange();
    }
    DisplayInvalidation::invalidate();
}

void View::setFrame(const Rect& frame) {
    requireMainThread("View::setFrame");
    Rect bounds = bounds_;
    bounds.size = frame.size;
    setFrameUnrecorded({frame.midX(), frame.midY()}, bounds);
}

void View::setCenter(Point center) {
    requireMainThread("View::setCenter");
    setFrameUnrecorded(center, bounds_);
}

void View::setBounds(const Rect& bounds) {
    requireMainThread("View::setBounds");
    setFrameUnrecorded(center_, bounds);
}

void View::applyAutoresizing(Size oldSize) {
    const double dw = bounds_.size.width - oldSize.width;
    const double dh = bounds_.size.height - oldSize.height;
    if (dw == 0 && dh == 0) {
        return;
    }
    for (const auto& sub : std::vector(subviews_)) {
        const auto mask = sub->autoresizingMask_;
        if (isEmpty(mask)) {
            continue;
        }
        Rect f = sub->frame();
        const auto distribute = [](double delta, bool lead, bool size, bool trail, double& origin,
                                   double& extent) {
            const int parts = int(lead) + int(size) + int(trail);
            if (parts == 0) {
                return;
            }
            const double share = delta / parts;
            if (lead) {
                origin += share;
            }
            if (size) {
                extent = std::max(0.0, extent + share);
            }
        };
        distribute(dw, contains(mask, AutoresizingMask::flexibleLeftMargin),
                   contains(mask, AutoresizingMask::flexibleWidth),
                   contains(mask, AutoresizingMask::flexibleRightMargin), f.origin.x, f.size.width);
        distribute(dh, contains(mask, AutoresizingMask::flexibleTopMargin),
                   contains(mask, AutoresizingMask::flexibleHeight),
                   contains(mask, AutoresizingMask::flexibleBottomMargin), f.origin.y,
                   f.size.height);
        sub->setFrame(f);
    }
}

namespace {

// The offset that takes a view's coordinates to its root's: root = local + offset.
Point offsetToRoot(const View* view) {
    Point offset{0, 0};
    for (const View* v = view; v;) {
        auto parent = v->superview();
        if (!parent) {
            break;
        }
        const Rect f = v->frame();
        offset.x += f.origin.x - v->bounds().origin.x;
        offset.y += f.origin.y - v->bounds().origin.y;
        v = parent.get();
    }
    return offset;
}

}  // namespace

Point View::convert(Point point, const View* to) const {
    const Point mine = offsetToRoot(this);
    const Point root{point.x + mine.x, point.y + mine.y};
    if (!to) {
        return root;
    }
    const Point theirs = offsetToRoot(to);
    return {root.x - theirs.x, root.y - theirs.y};
}

Rect View::convert(const Rect& rect, const View* to) const {
    return Rect{convert(rect.origin, to), rect.size};
}

Point View::convertFrom(Point point, const View* from) const {
    const Point theirs = from ? offsetToRoot(from) : Point{0, 0};
    const Point root{point.x + theirs.x, point.y + theirs.y};
    const Point mine = offsetToRoot(this);
    return {root.x - mine.x, root.y - mine.y};
}

Rect View::convertFrom(const Rect& rect, const View* from) const {
    return Rect{convertFrom(rect.origin, from), rect.size};
}

// --- Appearance ---------------------------------------------------------------------------------

void View::setHidden(bool hidden) {
    if (hidden_ == hidden) {
        return;
    }
    hidden_ = hidden;
    if (auto parent = superview()) {
        parent->setNeedsLayout();
    }
    DisplayInvalidation::invalidate();
}

void View::setAlpha(double alpha) {
    const double old = alpha_;
    alpha_ = alpha;
    recordAlphaChange(old);
    DisplayInvalidation::invalidate();
}

void View::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
    DisplayInvalidation::invalidate();
}

void View::setContentMode(ContentMode mode) {
    contentMode_ = mode;
    setNeedsDisplay();
}

Color View::tintColor() const {
    for (const View* v = this; v;) {
        if (v->tintColor_) {
            return *v->tintColor_;
        }
        auto parent = v->superview();
        v = parent.get();
    }
    return Color{0, 0.478, 1, 1};
}

void View::setTintColor(std::optional<Color> color) {
    tintColor_ = color;
    setNeedsDisplay();
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag) {
        return shared_from_this();
    }
    for (const auto& subview : subviews_) {
        if (auto found = subview->viewWithTag(tag)) {
            return found;
        }
    }
    return nullptr;
}

// --- Tree ---------------------------------------------------------------------------------------

Window* View::rawWindow() const {
    const View* top = this;
    while (true) {
        auto parent = top->superview_.lock();
        if (!parent) {
            break;
        }
        top = parent.get();
    }
    return dynamic_cast<Window*>(const_cast<View*>(top));
}

std::shared_ptr<Window> View::window() const {
    Window* w = rawWindow();
    if (!w) {
        return nullptr;
    }
    return std::static_pointer_cast<Window>(w->shared_from_this());
}

void View::notifyWindowChange(Window* oldWindow, Window* newWindow) {
    if (oldWindow == newWindow) {
        return;
    }
    didMoveToWindow();
    for (const auto& sub : std::vector(subviews_)) {
        sub->notifyWindowChange(oldWindow, newWindow);
    }
}

void View::attach(const std::shared_ptr<View>& view, std::size_t index) {
    requireMainThread("View::addSubview");
    if (!view || isDescendantOf(*view)) {
        return;
    }
    const auto keep = view;
    Window* oldWindow = keep->rawWindow();
    keep->detach();
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), keep);
    keep->superview_ = weak_from_this();
    if (keep->layer_->view_.expired()) {
        keep->layer_->view_ = keep;
    }
    setNeedsLayout();
    keep->didMoveToSuperview();
    keep->notifyWindowChange(oldWindow, keep->rawWindow());
    DisplayInvalidation::invalidate();
}

void View::detach() {
    auto parent = superview_.lock();
    superview_.reset();
    if (!parent) {
        return;
    }
    auto& siblings = parent->subviews_;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [this](const auto& sibling) { return sibling.get() == this; }),
                   siblings.end());
    parent->setNeedsLayout();
}

void View::addSubview(const std::shared_ptr<View>& view) {
    attach(view, static_cast<std::size_t>(-1));
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    attach(view, index);
}

void View::insertSubview(const std::shared_ptr<View>& view, const std::shared_ptr<View>& sibling,
                         bool above) {
    if (!view) {
        return;
    }
    if (view == sibling) {
        return;
    }
    if (view->superview().get() == this) {
        // Take it out first so the sibling's index is right.
        auto& list = subviews_;
        list.erase(std::remove(list.begin(), list.end(), view), list.end());
        view->superview_.reset();
    }
    const auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (!sibling || it == subviews_.end()) {
        attach(view, static_cast<std::size_t>(-1));
        return;
    }
    const auto index = static_cast<std::size_t>(it - subviews_.begin()) + (above ? 1 : 0);
    attach(view, index);
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
    const auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) {
        return;
    }
    subviews_.erase(it);
    subviews_.push_back(view);
    DisplayInvalidation::invalidate();
}

void View::sendSubviewToBack(const std::shared_ptr<View>& view) {
    const auto it = std::find(subviews_.begin(), subviews_.end(), view);
    if (it == subviews_.end()) {
        return;
    }
    subviews_.erase(it);
    subviews_.insert(subviews_.begin(), view);
    DisplayInvalidation::invalidate();
}

void View::removeFromSuperview() {
    requireMainThread("View::removeFromSuperview");
    auto parent = superview_.lock();
    if (!parent) {
        return;
    }
    const auto keep = shared_from_this();
    Window* oldWindow = rawWindow();
    detach();
    didMoveToSuperview();
    notifyWindowChange(oldWindow, nullptr);
    DisplayInvalidation::invalidate();
}

bool View::isDescendantOf(const View& ancestor) const {
    if (this == &ancestor) {
        return true;
    }
    for (auto view = superview_.lock(); view; view = view->superview_.lock()) {
        if (view.get() == &ancestor) {
            return true;
        }
    }
    return false;
}

// --- Layout -------------------------------------------------------------------------------------

void View::setNeedsLayout() {
    if (!needsLayout_) {
        needsLayout_ = true;
        DisplayInvalidation::invalidate();
    }
}

void View::runLayoutPass() {
    auto controller = viewController_.lock();
    if (controller) {
        controller->viewWillLayoutSubviews();
    }
    layoutSubviews();
    if (controller) {
        controller->viewDidLayoutSubviews();
    }
}

void View::layoutIfNeeded() {
    const auto keep = shared_from_this();
    if (!inLayout_) {
        inLayout_ = true;
        // A request made during the pass runs one more pass; a request during that one is
        // dropped, so layout code that keeps asking cannot loop.
        for (int pass = 0; pass < 2 && needsLayout_; ++pass) {
            needsLayout_ = false;
            runLayoutPass();
        }
        needsLayout_ = false;
        inLayout_ = false;
    }
    for (const auto& sub : std::vector(subviews_)) {
        if (sub->superview().get() == this) {
            sub->layoutIfNeeded();
        }
    }
}

void View::layoutSubviews() {
    if (layoutHandler_) {
        auto handler = layoutHandler_;
        handler(*this);
    }
}

void View::setLayoutHandler(std::function<void(View&)> handler) {
    layoutHandler_ = std::move(handler);
    setNeedsLayout();
}

Size View::intrinsicContentSize() const {
    return Size{NoIntrinsicMetric, NoIntrinsicMetric};
}

void View::invalidateIntrinsicContentSize() {
    setNeedsLayout();
    if (auto parent = superview()) {
        parent->setNeedsLayout();
    }
}

Size View::sizeThatFits(Size) const {
    return bounds_.size;
}

void View::sizeToFit() {
    const Size size = sizeThatFits(bounds_.size);
    Rect f = frame();
    f.size = size;
    setFrame(f);
}

void View::addConstraint(const std::shared_ptr<LayoutConstraint>& constraint) {
    if (!constraint ||
        std::find(constraints_.begin(), constraints_.end(), constraint) != constraints_.end()) {
        return;
    }
    constraints_.push_back(constraint);
    if (!constraint->isActive()) {
        constraint->active_ = true;
        constraint->owner_ = weak_from_this();
        if (auto first = constraint->firstItem()) {
            first->affectingConstraints_.push_back(constraint);
        }
        constraint->markForLayout();
    }
}

void View::removeConstraint(const std::shared_ptr<LayoutConstraint>& constraint) {
    const auto it = std::find(constraints_.begin(), constraints_.end(), constraint);
    if (it == constraints_.end()) {
        return;
    }
    constraints_.erase(it);
    if (constraint->active_) {
        constraint->active_ = false;
        constraint->owner_.reset();
        constraint->markForLayout();
    }
}

std::vector<std::shared_ptr<LayoutConstraint>> View::constraintsAffecting(
    LayoutAttribute attribute) const {
    std::vector<std::shared_ptr<LayoutConstraint>> result;
    for (const auto& weak : affectingConstraints_) {
        auto constraint = weak.lock();
        if (constraint && constraint->isActive() && constraint->firstAttribute() == attribute &&
            constraint->firstItem().get() == this &&
            std::find(result.begin(), result.end(), constraint) == result.end()) {
            result.push_back(constraint);
        }
    }
    return result;
}

std::optional<double> View::fixedConstant(LayoutAttribute attribute) const {
    std::optional<double> value;
    for (const auto& constraint : constraintsAffecting(attribute)) {
        if (!constraint->secondItem() && constraint->relation() == LayoutRelation::equal) {
            value = constraint->constant();
        }
    }
    return value;
}

EdgeInsets View::safeAreaInsets() const {
    auto w = window();
    if (!w) {
        return {};
    }
    const EdgeInsets unsafe = w->windowSafeAreaInsets();
    const Rect mine = convert(bounds_, nullptr);
    const Rect wb = w->bounds();
    EdgeInsets result;
    result.top = std::clamp(wb.minY() + unsafe.top - mine.minY(), 0.0, mine.height());
    result.bottom = std::clamp(mine.maxY() - (wb.maxY() - unsafe.bottom), 0.0, mine.height());
    result.left = std::clamp(wb.minX() + unsafe.left - mine.minX(), 0.0, mine.width());
    result.right = std::clamp(mine.maxX() - (wb.maxX() - unsafe.right), 0.0, mine.width());
    return result;
}

// --- Drawing ------------------------------------------------------------------------------------

void View::setNeedsDisplay() {
    needsDisplay_ = true;
    DisplayInvalidation::invalidate();
}

void View::draw(GraphicsContext&, const Rect&) {}

std::shared_ptr<Image> View::snapshot() const {
    const auto& provider = snapshotProvider();
    return provider ? provider(*this) : nullptr;
}

void View::setSnapshotProvider(std::function<std::shared_ptr<Image>(const View&)> provider) {
    snapshotProvider() = std::move(provider);
}

// --- Input --------------------------------------------------------------------------------------

std::shared_ptr<View> View::hitTest(Point point, const Event* event) {
    if (hidden_ || alpha_ <= 0.01 || !userInteractionEnabled_ || !rawWindow()) {
        return nullptr;
    }
    if (!pointInside(point, event)) {
        return nullptr;
    }
    const auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        const auto& sub = *it;
        const Rect f = sub->frame();
        const Point local{point.x - f.origin.x + sub->bounds_.origin.x,
                          point.y - f.origin.y + sub->bounds_.origin.y};
        if (auto hit = sub->hitTest(local, event)) {
            return hit;
        }
    }
    return shared_from_this();
}

bool View::pointInside(Point point, const Event*) const {
    return bounds_.contains(point);
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    if (!recognizer) {
        return;
    }
    if (auto old = recognizer->view(); old && old.get() != this) {
        old->removeGestureRecognizer(recognizer);
    }
    if (std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer) ==
        gestureRecognizers_.end()) {
        gestureRecognizers_.push_back(recognizer);
    }
    recognizer->view_ = weak_from_this();
}

void View::removeGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
    const auto it = std::find(gestureRecognizers_.begin(), gestureRecognizers_.end(), recognizer);
    if (it == gestureRecognizers_.end()) {
        return;
    }
    (*it)->view_.reset();
    gestureRecognizers_.erase(it);
}

bool View::gestureRecognizerShouldBegin(GestureRecognizer&) {
    return true;
}

void View::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    if (auto parent = superview()) {
        parent->touchesBegan(touches, event);
    }
}

void View::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    if (auto parent = superview()) {
        parent->touchesMoved(touches, event);
    }
}

void View::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    if (auto parent = superview()) {
        parent->touchesEnded(touches, event);
    }
}

void View::touchesCancelled(const std::vector<Touch>& touches, const Event& event) {
    if (auto parent = superview()) {
        parent->touchesCancelled(touches, event);
    }
}

bool View::canBecomeFocused() const {
    return false;
}

bool View::isFocused() const {
    Window* w = rawWindow();
    return w && w->focusedView().get() == this;
}

// --- Accessibility ------------------------------------------------------------------------------

std::string View::accessibilityLabel() const {
    return accessibilityLabel_.value_or(std::string());
}

void View::setAccessibilityLabel(std::optional<std::string> label) {
    accessibilityLabel_ = std::move(label);
}

std::string View::accessibilityHint() const {
    return accessibilityHint_.value_or(std::string());
}

void View::setAccessibilityHint(std::optional<std::string> hint) {
    accessibilityHint_ = std::move(hint);
}

std::string View::accessibilityValue() const {
    return accessibilityValue_.value_or(std::string());
}

void View::setAccessibilityValue(std::optional<std::string> value) {
    accessibilityValue_ = std::move(value);
}

AccessibilityTraits View::accessibilityTraits() const {
    return accessibilityTraits_;
}

void View::setAccessibilityTraits(AccessibilityTraits traits) {
    accessibilityTraits_ = traits;
}

void View::setAccessibilityElements(std::optional<std::vector<std::shared_ptr<View>>> elements) {
    accessibilityElements_ = std::move(elements);
}

Rect View::accessibilityFrame() const {
    return convert(bounds_, nullptr);
}

bool View::accessibilityActivate() {
    return false;
}

void View::accessibilityIncrement() {}

void View::accessibilityDecrement() {}

// --- Animation ----------------------------------------------------------------------------------

void View::animate(double duration, double delay, AnimationOptions options,
                   const std::function<void()>& block,
                   std::function<void(bool finished)> completion) {
    requireMainThread("View::animate");
    duration = std::max(0.0, duration);
    delay = std::max(0.0, delay);
    auto group = std::make_shared<AnimationGroup>();
    contexts().push_back(AnimationContext{duration, delay, options, group});
    if (block) {
        block();
    }
    contexts().pop_back();
    if (duration > 0) {
        DisplayInvalidation::animateUntil(
            Clock::now() + toDuration(std::chrono::duration<double>(delay + duration)));
    }
    if (completion) {
        auto done = [group, completion = std::move(completion)] {
            const bool finished = group->records == 0 || group->cancelled < group->records;
            completion(finished);
        };
        const double total = delay + duration;
        if (total <= 0) {
            DispatchQueue::main()->async(std::move(done));
        } else {
            DispatchQueue::main()->asyncAfter(std::chrono::duration<double>(total),
                                              std::move(done));
        }
    }
}

void View::animate(double duration, const std::function<void()>& block,
                   std::function<void(bool finished)> completion) {
    animate(duration, 0, AnimationOptions::none, block, std::move(completion));
}

bool View::isInsideAnimationBlock() {
    return !contexts().empty();
}

void View::pruneAnimations() const {
    const auto now = Clock::now();
    animations_.erase(std::remove_if(animations_.begin(), animations_.end(),
                                     [&](const auto& a) { return now >= a->end; }),
                      animations_.end());
}

namespace {

template <typename List, typename Property>
auto findAnimation(List& list, Property property) {
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& a) { return a->property == property; });
}

}  // namespace

void View::recordGeometryChange(const Rect& oldFrame, const Rect& oldBounds) {
    using Property = ViewAnimation::Property;
    const Rect newFrame = frame();
    const bool frameChanged = !(newFrame == oldFrame);
    const bool originChanged = !(bounds_.origin == oldBounds.origin);
    const bool animating = !contexts().empty() && contexts().back().duration > 0;
    const auto now = Clock::now();

    const auto handle = [&](Property property, const Rect& oldValue, const Rect& newValue,
                            const Rect& presentation) {
        auto it = findAnimation(animations_, property);
        if (!animating) {
            if (it != animations_.end()) {
                (*it)->group->cancelled++;
                animations_.erase(it);
            }
            return;
        }
        const auto& context = contexts().back();
        auto group = std::static_pointer_cast<AnimationGroup>(context.group);
        if (it != animations_.end() && (*it)->group == group) {
            (*it)->toRect = newValue;
            return;
        }
        Rect from = oldValue;
        if (contains(context.options, AnimationOptions::beginFromCurrentState)) {
            from = presentation;
        }
        if (it != animations_.end()) {
            (*it)->group->cancelled++;
            animations_.erase(it);
        }
        auto animation = std::make_shared<ViewAnimation>();
        animation->property = property;
        animation->fromRect = from;
        animation->toRect = newValue;
        animation->start = now + toDuration(std::chrono::duration<double>(context.delay));
        animation->end =
            animation->start + toDuration(std::chrono::duration<double>(context.duration));
        animation->curve = curveOf(context.options);
        animation->group = group;
        group->records++;
        animations_.push_back(animation);
    };

    if (frameChanged) {
        // The presentation value before this change: computed against the old model value.
        Rect presentation = oldFrame;
        if (auto it = findAnimation(animations_, Property::frame); it != animations_.end()) {
            presentation = lerp((*it)->fromRect, (*it)->toRect, (*it)->progress(now));
        }
        handle(Property::frame, oldFrame, newFrame, presentation);
    }
    if (originChanged) {
        const Rect oldOrigin{oldBounds.origin, {}};
        Rect presentation = oldOrigin;
        if (auto it = findAnimation(animations_, Property::boundsOrigin); it != animations_.end()) {
            presentation = lerp((*it)->fromRect, (*it)->toRect, (*it)->progress(now));
        }
        handle(Property::boundsOrigin, oldOrigin, Rect{bounds_.origin, {}}, presentation);
    }
}

void View::recordAlphaChange(double oldAlpha) {
    using Property = ViewAnimation::Property;
    if (oldAlpha == alpha_ && contexts().empty()) {
        return;
    }
    const bool animating = !contexts().empty() && contexts().back().duration > 0;
    const auto now = Clock::now();
    auto it = findAnimation(animations_, Property::alpha);
    if (!animating) {
        if (it != animations_.end()) {
            (*it)->group->cancelled++;
            animations_.erase(it);
        }
        return;
    }
    const auto& context = contexts().back();
    auto group = std::static_pointer_cast<AnimationGroup>(context.group);
    if (it != animations_.end() && (*it)->group == group) {
        (*it)->toAlpha = alpha_;
        return;
    }
    double from = oldAlpha;
    if (contains(context.options, AnimationOptions::beginFromCurrentState) &&
        it != animations_.end()) {
        const auto& a = **it;
        from = a.fromAlpha + (a.toAlpha - a.fromAlpha) * a.progress(now);
    }
    if (it != animations_.end()) {
        (*it)->group->cancelled++;
        animations_.erase(it);
    }
    if (from == alpha_) {
        return;
    }
    auto animation = std::make_shared<ViewAnimation>();
    animation->property = Property::alpha;
    animation->fromAlpha = from;
    animation->toAlpha = alpha_;
    animation->start = now + toDuration(std::chrono::duration<double>(context.delay));
    animation->end = animation->start + toDuration(std::chrono::duration<double>(context.duration));
    animation->curve = curveOf(context.options);
    animation->group = group;
    group->records++;
    animations_.push_back(animation);
}

double View::presentationAlpha() const {
    pruneAnimations();
    if (auto it = findAnimation(animations_, ViewAnimation::Property::alpha);
        it != animations_.end()) {
        const auto& a = **it;
        return a.fromAlpha + (a.toAlpha - a.fromAlpha) * a.progress(Clock::now());
    }
    return alpha_;
}

Rect View::presentationFrame() const {
    pruneAnimations();
    if (auto it = findAnimation(animations_, ViewAnimation::Property::frame);
        it != animations_.end()) {
        const auto& a = **it;
        return lerp(a.fromRect, a.toRect, a.progress(Clock::now()));
    }
    return frame();
}

Rect View::presentationBounds() const {
    pruneAnimations();
    Rect result{bounds_.origin, presentationFrame().size};
    if (auto it = findAnimation(animations_, ViewAnimation::Property::boundsOrigin);
        it != animations_.end()) {
        const auto& a = **it;
        result.origin = lerp(a.fromRect, a.toRect, a.progress(Clock::now())).origin;
    }
    return result;
}

bool View::hasRunningAnimations() const {
    pruneAnimations();
    return !animations_.empty();
}

void View::removeViewAnimations() {
    for (const auto& animation : animations_) {
        animation->group->cancelled++;
    }
    animations_.clear();
    DisplayInvalidation::invalidate();
}

Rect placedContent(ContentMode mode, Size size, const Rect& bounds) {
    const auto placed = [&](double w, double h, double fx, double fy) {
        return Rect{
            {bounds.minX() + (bounds.width() - w) * fx, bounds.minY() + (bounds.height() - h) * fy},
            {w, h}};
    };
    switch (mode) {
        case ContentMode::scaleToFill:
        case ContentMode::redraw:
            return bounds;
        case ContentMode::scaleAspectFit: {
            const double scale =
                std::min(bounds.width() / size.width, bounds.height() / size.height);
            return placed(size.width * scale, size.height * scale, 0.5, 0.5);
        }
        case ContentMode::scaleAspectFill: {
            const double scale =
                std::max(bounds.width() / size.width, bounds.height() / size.height);
            return placed(size.width * scale, size.height * scale, 0.5, 0.5);
        }
        case ContentMode::center:
            return placed(size.width, size.height, 0.5, 0.5);
        case ContentMode::top:
            return placed(size.width, size.height, 0.5, 0);
        case ContentMode::bottom:
            return placed(size.width, size.height, 0.5, 1);
        case ContentMode::left:
            return placed(size.width, size.height, 0, 0.5);
        case ContentMode::right:
            return placed(size.width, size.height, 1, 0.5);
        case ContentMode::topLeft:
            return placed(size.width, size.height, 0, 0);
        case ContentMode::topRight:
            return placed(size.width, size.height, 1, 0);
        case ContentMode::bottomLeft:
            return placed(size.width, size.height, 0, 1);
        case ContentMode::bottomRight:
            return placed(size.width, size.height, 1, 1);
    }
    return bounds;
}

}  // namespace quorvel::platform
