#include "Platform/UI/ActivityIndicatorView.h"

namespace quorvel::platform {

ActivityIndicatorView::ActivityIndicatorView(ActivityIndicatorStyle style, const Rect& frame)
    : View(frame), style_(style) {}
ActivityIndicatorView::~ActivityIndicatorView() = default;
std::shared_ptr<ActivityIndicatorView> ActivityIndicatorView::make(ActivityIndicatorStyle style,
                                                                   const Rect& frame) {
    return std::shared_ptr<ActivityIndicatorView>(new ActivityIndicatorView(style, frame));
}
void ActivityIndicatorView::startAnimating() {
    animating_ = true;
}
void ActivityIndicatorView::stopAnimating() {
    animating_ = false;
}
void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
}
void ActivityIndicatorView::setStyle(ActivityIndicatorStyle style) {
    style_ = style;
}
void ActivityIndicatorView::setColor(const Color& color) {
    color_ = color;
}
double ActivityIndicatorView::rotationAngle() const {
    return 0;
}
Size ActivityIndicatorView::intrinsicContentSize() const {
    return {20, 20};
}
void ActivityIndicatorView::draw(GraphicsContext&, const Rect&) {}

}  // namespace quorvel::platform
