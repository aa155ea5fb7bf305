#pragma once

#include <memory>

namespace quorvel::platform {

class ScrollView;
class View;

// What a scroll view tells its delegate (held weakly). Every method has an empty default.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;
    // After every change of the content offset.
    virtual void scrollViewDidScroll(ScrollView& scrollView);
    // After a drag ends and the content has settled (paging: once the snap animation is over).
    virtual void scrollViewDidEndDecelerating(ScrollView& scrollView);
    // After an animated setContentOffset / scrollRectToVisible has finished.
    virtual void scrollViewDidEndScrollingAnimation(ScrollView& scrollView);
    // The view that zooms; nullptr (the default) means the scroll view does not zoom.
    virtual std::shared_ptr<View> viewForZooming(ScrollView& scrollView);
    // After every change of the zoom scale.
    virtual void scrollViewDidZoom(ScrollView& scrollView);
    // After a pinch, or an animated zoom, has ended.
    virtual void scrollViewDidEndZooming(ScrollView& scrollView, View* view, double scale);
};

}  // namespace quorvel::platform
