#include "Source/Capture/Views/CameraPreviewView.h"

namespace quorvel {

CameraPreviewView::CameraPreviewView(const platform::Rect& frame)
    : View(frame, platform::VideoPreviewLayer::make()) {
    videoPreviewLayer()->setVideoGravity(platform::VideoGravity::resizeAspectFill);
}

std::shared_ptr<CameraPreviewView> CameraPreviewView::make(const platform::Rect& frame) {
    return std::shared_ptr<CameraPreviewView>(new CameraPreviewView(frame));
}

std::shared_ptr<platform::VideoPreviewLayer> CameraPreviewView::videoPreviewLayer() const {
    return std::static_pointer_cast<platform::VideoPreviewLayer>(layer());
}

}  // namespace quorvel
