#pragma once

#include <memory>
#include <vector>

#include "Platform/UI/Control.h"
#include "Platform/UI/GestureRecognizer.h"

namespace quorvel {

// The crop screen's transparent touch layer over the image area: its touch-down and touch-up
// actions and its pan recognizer drive the handles, and it holds the loupe. Main thread only.
class CropControlView : public platform::Control {
public:
    static std::shared_ptr<CropControlView> make(const platform::Rect& frame = {});

    // A pan always may begin; other recognizers as the platform decides.
    bool gestureRecognizerShouldBegin(platform::GestureRecognizer& recognizer) override;
    // Only a pointer or a finger can drag the handles: the layer is neither focused by the
    // keyboard nor read by a screen reader.
    bool canBecomeFocused() const override { return false; }

    // The handles stand on the image's corners and so reach past the layer's edge; a touch
    // anywhere on a handle's disc, inside the layer or not, belongs to the layer.
    void setHandles(std::vector<std::weak_ptr<platform::View>> handles);
    bool pointInside(platform::Point point, const platform::Event* event) const override;

private:
    explicit CropControlView(const platform::Rect& frame);

    std::vector<std::weak_ptr<platform::View>> handles_;
};

}  // namespace quorvel
