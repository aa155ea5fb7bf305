#include "Platform/UI/ScrollView.h"

namespace quorvel::platform {

ScrollView::ScrollView(const Rect& frame) : View(frame) {}

std::shared_ptr<ScrollView> ScrollView::make(const Rect& frame) {
    return std::shared_ptr<ScrollView>(new ScrollView(frame));
}

void ScrollView::setContentSize(Size size) {
    contentSize_ = size;
}
void ScrollView::setContentOffset(Point offset, bool) {
    Rect b = bounds();
    b.origin = offset;
    setBounds(b);
}
void ScrollView::scrollRectToVisible(const Rect&, bool) {}
void ScrollView::setMinimumZoomScale(double scale) {
    minimumZoomScale_ = scale;
}
void ScrollView::setMaximumZoomScale(double scale) {
    maximumZoomScale_ = scale;
}
void ScrollView::setZoomScale(double scale, bool) {
    zoomScale_ = scale;
}
void ScrollView::zoom(const Rect&, bool) {}
void ScrollView::pinch(Point, double) {}
std::shared_ptr<View> ScrollView::zoomingView() {
    return nullptr;
}
void ScrollView::touchesBegan(const std::vector<Touch>& t, const Event& e) {
    View::touchesBegan(t, e);
}
void ScrollView::touchesMoved(const std::vector<Touch>& t, const Event& e) {
    View::touchesMoved(t, e);
}
void ScrollView::touchesEnded(const std::vector<Touch>& t, const Event& e) {
    View::touchesEnded(t, e);
}
void ScrollView::touchesCancelled(const std::vector<Touch>& t, const Event& e) {
    View::touchesCancelled(t, e);
}

}  // namespace quorvel::platform
