#pragma once

#include <memory>

#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/View.h"

namespace quorvel {

// The camera screen's view whose own layer is the camera's live preview layer: the capture session
// is attached to that layer as its frame source, and the layer paints the newest camera frame so
// that it fills the view, keeping its proportions and cropped at the edges (aspect fill). The
// detection outline and the capture ring are sublayers of that layer, in the same points. Main
// thread only.
class CameraPreviewView : public platform::View {
public:
    static std::shared_ptr<CameraPreviewView> make(const platform::Rect& frame = {});

    std::shared_ptr<platform::VideoPreviewLayer> videoPreviewLayer() const;

private:
    explicit CameraPreviewView(const platform::Rect& frame);
};

}  // namespace quorvel
