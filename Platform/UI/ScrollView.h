#pragma once

#include <memory>
#include <optional>

#include "Platform/UI/ScrollViewDelegate.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

// A view that shows a part of a larger content (contentSize) and moves it under the finger,
// standing in for the phone platform's scroll view. Main thread only.
//
// The content offset is the bounds origin. Offsets are kept within [0, contentSize − bounds
// size] when the user drags (no rubber band); programmatic offsets are taken as given.
//
// Dragging: the scroll view handles the touches that reach it (its own and those its subviews
// pass on). Once a touch has moved 10 points along an axis it can scroll (content larger than the
// bounds on that axis), the content follows the finger. A touch that moves along an axis it
// cannot scroll is passed on to the superview, so an outer scroll view pages while an unzoomed
// inner one stays put. When the drag ends, a paging scroll view snaps to the nearest page (a
// page is the bounds size), animated over animationDuration on Clock, and then tells
// scrollViewDidEndDecelerating; without paging the offset stays and the delegate is told at
// once.
//
// Animated changes (setContentOffset / scrollRectToVisible / setZoomScale / zoom(toRect) with
// animated true, paging snaps) set the model values at once, show them moving on screen through
// view animations (presentationBounds), and finish after animationDuration (0.3 s) on Clock,
// when the delegate hears of the end.
//
// Zooming without transforms: the delegate's viewForZooming(in:) names the zooming view. Its
// unzoomed size is its frame size when zooming starts from scale 1; at scale s its frame becomes
// (0, 0, unzoomed size × s) and contentSize follows that frame. The zoom scale stays within
// [minimumZoomScale, maximumZoomScale] (both 1 until set, so nothing zooms until they differ).
// pinch(at, scale) zooms by a factor about a point of the scroll view's bounds, keeping the
// content under it in place (Window::sendPinch, Ctrl+wheel).
class ScrollView : public View {
public:
    static constexpr double animationDuration = 0.3;

    static std::shared_ptr<ScrollView> make(const Rect& frame = {});

    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    Size contentSize() const { return contentSize_; }
    void setContentSize(Size size);
    Point contentOffset() const { return bounds().origin; }
    void setContentOffset(Point offset, bool animated = false);
    // Scrolls the least needed to show `rect` (content coordinates), clamped to the content.
    void scrollRectToVisible(const Rect& rect, bool animated);

    bool isPagingEnabled() const { return pagingEnabled_; }
    void setPagingEnabled(bool paging) { pagingEnabled_ = paging; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    bool showsHorizontalScrollIndicator() const { return showsHorizontalIndicator_; }
    void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontalIndicator_ = shows; }
    bool showsVerticalScrollIndicator() const { return showsVerticalIndicator_; }
    void setShowsVerticalScrollIndicator(bool shows) { showsVerticalIndicator_ = shows; }
    // Whether the user is dragging, and whether a drag's snap is still moving.
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }

    double minimumZoomScale() const { return minimumZoomScale_; }
    void setMinimumZoomScale(double scale);
    double maximumZoomScale() const { return maximumZoomScale_; }
    void setMaximumZoomScale(double scale);
    double zoomScale() const { return zoomScale_; }
    // Zooms about the centre of the visible area.
    void setZoomScale(double scale, bool animated = false);
    // Zooms so that `rect` (in the zooming view's unzoomed coordinates) fills the bounds as far
    // as the scale limits allow, centred.
    void zoom(const Rect& rect, bool animated);
    // Zooms by `scale` about `point` (bounds coordinates); tells scrollViewDidEndZooming.
    void pinch(Point point, double scale);
    bool isZooming() const { return zooming_; }
    // The view the delegate names for zooming, or nullptr.
    std::shared_ptr<View> zoomingView();

    void touchesBegan(const std::vector<Touch>& touches, const Event& event) override;
    void touchesMoved(const std::vector<Touch>& touches, const Event& event) override;
    void touchesEnded(const std::vector<Touch>& touches, const Event& event) override;
    void touchesCancelled(const std::vector<Touch>& touches, const Event& event) override;

protected:
    explicit ScrollView(const Rect& frame);

private:
    enum class DragState { idle, undecided, scrolling, forwarding };

    Point clampedOffset(Point offset) const;
    void applyOffset(Point offset, bool animated);
    void applyZoom(double scale, Point anchorInBounds, bool animated);
    // Gives the zoomed view its size at `scale` and the content its offset, at once or animated,
    // and reports the zoom.
    void setZoomedFrame(View& view, double scale, Size size, Point offset, bool animated);
    void finishAnimated(int generation, bool zoom, bool deceleration);

    std::weak_ptr<ScrollViewDelegate> delegate_;
    Size contentSize_;
    bool pagingEnabled_ = false;
    bool scrollEnabled_ = true;
    bool showsHorizontalIndicator_ = true;
    bool showsVerticalIndicator_ = true;
    bool dragging_ = false;
    bool decelerating_ = false;
    bool zooming_ = false;
    double minimumZoomScale_ = 1;
    double maximumZoomScale_ = 1;
    double zoomScale_ = 1;
    std::optional<Size> unzoomedSize_;
    std::weak_ptr<View> unzoomedView_;
    DragState dragState_ = DragState::idle;
    Point dragStartInWindow_;
    Point dragStartOffset_;
    std::vector<Touch> pendingBegan_;
    int animationGeneration_ = 0;
};

}  // namespace quorvel::platform
