#pragma once

#include <memory>

#include "Platform/UI/VideoPreviewLayer.h"
#include "Platform/UI/View.h"

namespace quorvel {

// The camera screen's view whose own layer is the camera's live preview layer. The picture
// fills the view (aspect fill) and is cropped at the edges. Main thread only.
class CameraPreviewView : public platform::View {
public:
    static std::shared_ptr<CameraPreviewView> make(const platform::Rect& frame = {});

    std::shared_ptr<platform::VideoPreviewLayer> videoPreviewLayer() const;

private:
    explicit CameraPreviewView(const platform::Rect& frame);
};

}  // namespace quorvel
