#pragma once

#include <memory>
#include <string>

#include "Platform/UI/ShapeLayer.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/Presentable.h"

namespace quorvel {

// The outline of the detected document over the camera picture. Every change of its path
// animates from the outline on screen at that moment (even halfway through an earlier change) to
// the new one, over the duration and with the pacing of the transaction in force. Main thread
// only.
class DetectionLayer : public platform::ShapeLayer, public Presentable<CaptureTheme> {
public:
    static std::shared_ptr<DetectionLayer> make();

    // Stroke and fill colours and line width from the theme's detection settings.
    void apply(const CaptureTheme& theme) override;

    // For "path": an animation from the path on screen now; other keys as a shape layer.
    std::shared_ptr<platform::BasicAnimation> action(const std::string& key) override;

protected:
    DetectionLayer() = default;
};

}  // namespace quorvel
