#include "Source/Crop/Components/CropControlView.h"

#include <algorithm>
#include <utility>

#include "Platform/UI/PanGestureRecognizer.h"

namespace quorvel {

std::shared_ptr<CropControlView> CropControlView::make(const platform::Rect& frame) {
    return std::shared_ptr<CropControlView>(new CropControlView(frame));
}

CropControlView::CropControlView(const platform::Rect& frame) : Control(frame) {
    setIsAccessibilityElement(false);
}

bool CropControlView::gestureRecognizerShouldBegin(platform::GestureRecognizer& recognizer) {
    if (dynamic_cast<platform::PanGestureRecognizer*>(&recognizer) != nullptr) {
        return true;
    }
    return Control::gestureRecognizerShouldBegin(recognizer);
}

void CropControlView::setHandles(std::vector<std::weak_ptr<platform::View>> handles) {
    handles_ = std::move(handles);
}

bool CropControlView::pointInside(platform::Point point, const platform::Event* event) const {
    if (Control::pointInside(point, event)) {
        return true;
    }
    for (const auto& weakHandle : handles_) {
        const auto handle = weakHandle.lock();
        if (!handle || handle->isHidden() || !handle->superview()) {
            continue;
        }
        const auto frame = handle->superview()->convert(handle->frame(), this);
        const double radius = std::min(frame.width(), frame.height()) / 2;
        const double dx = point.x - frame.midX();
        const double dy = point.y - frame.midY();
        if (dx * dx + dy * dy <= radius * radius) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvel
