#include "Platform/UI/ScrollView.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

namespace {

constexpr double kDragThreshold = 10;

}  // namespace

ScrollView::ScrollView(const Rect& frame) : View(frame) {}

std::shared_ptr<ScrollView> ScrollView::make(const Rect& frame) {
    auto view = std::shared_ptr<ScrollView>(new ScrollView(frame));
    return view;
}

void ScrollView::setContentSize(Size size) {
    contentSize_ = size;
    setNeedsDisplay();
}

Point ScrollView::clampedOffset(Point offset) const {
    const Size b = bounds().size;
    const double maxX = std::max(0.0, contentSize_.width - b.width);
    const double maxY = std::max(0.0, contentSize_.height - b.height);
    return Point{std::clamp(offset.x, 0.0, maxX), std::clamp(offset.y, 0.0, maxY)};
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    applyOffset(offset, animated);
}

void ScrollView::applyOffset(Point offset, bool animated) {
    const int generation = ++animationGeneration_;
    Rect b = bounds();
    b.origin = offset;
    if (animated) {
        View::animate(animationDuration, [&] { setBounds(b); });
    } else {
        setBounds(b);
    }
    const auto keep = shared_from_this();
    if (auto d = delegate()) {
        d->scrollViewDidScroll(*this);
    }
    if (animated) {
        finishAnimated(generation, false, false);
    }
}

void ScrollView::finishAnimated(int generation, bool zoom, bool deceleration) {
    std::weak_ptr<ScrollView> weak = std::static_pointer_cast<ScrollView>(shared_from_this());
    DispatchQueue::main()->asyncAfter(
        std::chrono::duration<double>(animationDuration), [weak, generation, zoom, deceleration] {
            auto self = weak.lock();
            if (!self || self->animationGeneration_ != generation) {
                return;
            }
            auto d = self->delegate();
            if (zoom) {
                self->zooming_ = false;
                if (d) {
                    auto view = self->zoomingView();
                    d->scrollViewDidEndZooming(*self, view.get(), self->zoomScale_);
                }
            } else if (deceleration) {
                self->decelerating_ = false;
                if (d) {
                    d->scrollViewDidEndDecelerating(*self);
                }
            } else if (d) {
                d->scrollViewDidEndScrollingAnimation(*self);
            }
        });
}

void ScrollView::scrollRectToVisible(const Rect& rect, bool animated) {
    const Rect b = bounds();
    Point offset = b.origin;
    if (rect.minX() < b.minX()) {
        offset.x = rect.minX();
    } else if (rect.maxX() > b.maxX()) {
        offset.x = std::min(rect.minX(), rect.maxX() - b.width());
    }
    if (rect.minY() < b.minY()) {
        offset.y = rect.minY();
    } else if (rect.maxY() > b.maxY()) {
        offset.y = std::min(rect.minY(), rect.maxY() - b.height());
    }
    offset = clampedOffset(offset);
    if (offset == b.origin) {
        return;
    }
    applyOffset(offset, animated);
}

// --- Zoom ---------------------------------------------------------------------------------------

void ScrollView::setMinimumZoomScale(double scale) {
    if (scale > 0) {
        minimumZoomScale_ = scale;
    }
}

void ScrollView::setMaximumZoomScale(double scale) {
    if (scale > 0) {
        maximumZoomScale_ = scale;
    }
}

std::shared_ptr<View> ScrollView::zoomingView() {
    auto d = delegate();
    if (!d) {
        return nullptr;
    }
    if (maximumZoomScale_ <= minimumZoomScale_) {
        return nullptr;  // zooming is off while the limits are equal
    }
    auto view = d->viewForZooming(*this);
    // Only a view inside this scroll view can zoom in it.
    if (!view || view.get() == this || !view->isDescendantOf(*this)) {
        return nullptr;
    }
    return view;
}

void ScrollView::setZoomedFrame(View& view, double scale, Size size, Point offset, bool animated) {
    const int generation = ++animationGeneration_;
    zoomScale_ = scale;
    const auto apply = [&] {
        view.setFrame(Rect{{0, 0}, size});
        contentSize_ = size;
        Rect nb = bounds();
        nb.origin = clampedOffset(offset);
        setBounds(nb);
    };
    if (animated) {
        zooming_ = true;
        View::animate(animationDuration, apply);
    } else {
        apply();
    }
    const auto keep = shared_from_this();
    if (auto d = delegate()) {
        d->scrollViewDidZoom(*this);
        d->scrollViewDidScroll(*this);
    }
    if (animated) {
        finishAnimated(generation, true, false);
    }
}

void ScrollView::applyZoom(double scale, Point anchor, bool animated) {
    auto view = zoomingView();
    if (!view) {
        return;
    }
    scale = std::clamp(scale, minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
    const double old = zoomScale_ > 0 ? zoomScale_ : 1;
    const Size unzoomed{view->frame().width() / old, view->frame().height() / old};
    const Rect b = bounds();
    // The content point under the anchor stays under it.
    const Point onScreen{anchor.x - b.minX(), anchor.y - b.minY()};
    const Point content{anchor.x / old * scale, anchor.y / old * scale};
    const Size size{unzoomed.width * scale, unzoomed.height * scale};
    const Point offset{content.x - onScreen.x, content.y - onScreen.y};
    setZoomedFrame(*view, scale, size, offset, animated);
}

void ScrollView::setZoomScale(double scale, bool animated) {
    applyZoom(scale, bounds().center(), animated);
}

void ScrollView::zoom(const Rect& rect, bool animated) {
    auto view = zoomingView();
    if (!view || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    const Rect b = bounds();
    const double scale =
        std::clamp(std::min(b.width() / rect.width(), b.height() / rect.height()),
                   minimumZoomScale_, std::max(minimumZoomScale_, maximumZoomScale_));
    const double old = zoomScale_ > 0 ? zoomScale_ : 1;
    const Size unzoomed{view->frame().width() / old, view->frame().height() / old};
    const Size size{unzoomed.width * scale, unzoomed.height * scale};
    const Point offset{rect.midX() * scale - b.width() / 2, rect.midY() * scale - b.height() / 2};
    setZoomedFrame(*view, scale, size, offset, animated);
}

void ScrollView::pinch(Point point, double scale) {
    if (!(scale > 0) || !zoomingView()) {
        return;
    }
    applyZoom(zoomScale_ * scale, point, false);
    if (auto d = delegate()) {
        auto view = zoomingView();
        d->scrollViewDidEndZooming(*this, view.get(), zoomScale_);
    }
}

// --- Dragging -----------------------------------------------------------------------------------

void ScrollView::touchesBegan(const std::vector<Touch>& touches, const Event& event) {
    if (touches.empty() || !scrollEnabled_) {
        View::touchesBegan(touches, event);
        return;
    }
    dragState_ = DragState::undecided;
    dragStartInWindow_ = touches.front().locationInWindow;
    dragStartOffset_ = contentOffset();
    pendingBegan_ = touches;
}

void ScrollView::touchesMoved(const std::vector<Touch>& touches, const Event& event) {
    if (touches.empty()) {
        return;
    }
    if (dragState_ == DragState::idle) {
        View::touchesMoved(touches, event);
        return;
    }
    const Point p = touches.front().locationInWindow;
    const double dx = p.x - dragStartInWindow_.x;
    const double dy = p.y - dragStartInWindow_.y;
    if (dragState_ == DragState::undecided) {
        if (std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold) {
            return;
        }
        const Size b = bounds().size;
        const Point o = contentOffset();
        const bool horizontal = std::abs(dx) >= std::abs(dy);
        bool can;
        if (horizontal) {
            const double maxX = contentSize_.width - b.width;
            can = maxX > 0.5 && (dx < 0 ? o.x < maxX - 0.5 : o.x > 0.5);
        } else {
            const double maxY = contentSize_.height - b.height;
            can = maxY > 0.5 && (dy < 0 ? o.y < maxY - 0.5 : o.y > 0.5);
        }
        if (can) {
            dragState_ = DragState::scrolling;
            dragging_ = true;
            ++animationGeneration_;
            decelerating_ = false;
            pendingBegan_.clear();
        } else {
            dragState_ = DragState::forwarding;
            const auto began = std::move(pendingBegan_);
            pendingBegan_.clear();
            View::touchesBegan(began, event);
        }
    }
    if (dragState_ == DragState::forwarding) {
        View::touchesMoved(touches, event);
        return;
    }
    const Size b = bounds().size;
    Point offset = dragStartOffset_;
    if (contentSize_.width > b.width) {
        offset.x -= dx;
    }
    if (contentSize_.height > b.height) {
        offset.y -= dy;
    }
    Rect nb = bounds();
    nb.origin = clampedOffset(offset);
    setBounds(nb);
    const auto keep = shared_from_this();
    if (auto d = delegate()) {
        d->scrollViewDidScroll(*this);
    }
}

void ScrollView::touchesEnded(const std::vector<Touch>& touches, const Event& event) {
    const auto state = dragState_;
    dragState_ = DragState::idle;
    const auto keep = shared_from_this();
    switch (state) {
        case DragState::idle:
            View::touchesEnded(touches, event);
            return;
        case DragState::undecided: {
            const auto began = std::move(pendingBegan_);
            pendingBegan_.clear();
            View::touchesBegan(began, event);
            View::touchesEnded(touches, event);
            return;
        }
        case DragState::forwarding:
            View::touchesEnded(touches, event);
            return;
        case DragState::scrolling:
            break;
    }
    dragging_ = false;
    if (pagingEnabled_) {
        const Size page = bounds().size;
        const Point o = contentOffset();
        Point target = o;
        if (page.width > 0 && contentSize_.width > page.width) {
            const double pages = std::ceil(contentSize_.width / page.width);
            target.x = std::clamp(std::round(o.x / page.width), 0.0, pages - 1) * page.width;
        }
        if (page.height > 0 && contentSize_.height > page.height) {
            const double pages = std::ceil(contentSize_.height / page.height);
            target.y = std::clamp(std::round(o.y / page.height), 0.0, pages - 1) * page.height;
        }
        target = clampedOffset(target);
        if (!(target == o)) {
            decelerating_ = true;
            const int generation = ++animationGeneration_;
            Rect nb = bounds();
            nb.origin = target;
            View::animate(animationDuration, [&] { setBounds(nb); });
            if (auto d = delegate()) {
                d->scrollViewDidScroll(*this);
            }
            finishAnimated(generation, false, true);
            return;
        }
    }
    if (auto d = delegate()) {
        d->scrollViewDidEndDecelerating(*this);
    }
}

void ScrollView::touchesCancelled(const std::vector<Touch>& touches, const Event& event) {
    const auto state = dragState_;
    dragState_ = DragState::idle;
    pendingBegan_.clear();
    if (state == DragState::forwarding || state == DragState::idle) {
        View::touchesCancelled(touches, event);
        return;
    }
    dragging_ = false;
}

}  // namespace quorvel::platform
