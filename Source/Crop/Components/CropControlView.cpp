#include "Source/Crop/Components/CropControlView.h"

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

}  // namespace quorvel
