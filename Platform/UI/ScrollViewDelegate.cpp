#include "Platform/UI/ScrollViewDelegate.h"

namespace quorvel::platform {

void ScrollViewDelegate::scrollViewDidScroll(ScrollView&) {}
void ScrollViewDelegate::scrollViewDidEndDecelerating(ScrollView&) {}
void ScrollViewDelegate::scrollViewDidEndScrollingAnimation(ScrollView&) {}
std::shared_ptr<View> ScrollViewDelegate::viewForZooming(ScrollView&) {
    return nullptr;
}
void ScrollViewDelegate::scrollViewDidZoom(ScrollView&) {}
void ScrollViewDelegate::scrollViewDidEndZooming(ScrollView&, View*, double) {}

}  // namespace quorvel::platform
