#pragma once

#include <memory>

#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/ShapeLayer.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/Presentable.h"

namespace quorvel {

// The ring drawn around the document's centre while an automatic photo is taken: a circle of
// radius 30 that draws itself clockwise from the top over 0.8 s and then stays drawn until it is
// removed. Main thread only.
class CaptureCircle : public platform::ShapeLayer, public Presentable<CaptureTheme> {
public:
    static constexpr double radius = 30;
    static constexpr double drawDuration = 0.8;
    static constexpr const char* animationKey = "drawCircleAnimation";

    static std::shared_ptr<CaptureCircle> make();

    // The theme whose capture-circle colours and line width are used at the next display; none
    // at first (the layer's own colours are kept then).
    const std::shared_ptr<const CaptureTheme>& theme() const { return theme_; }
    void setTheme(std::shared_ptr<const CaptureTheme> theme) { theme_ = std::move(theme); }
    // Keeps a copy of `theme` for the next display; draws nothing now.
    void apply(const CaptureTheme& theme) override;

    // Shows the ring at `point` (in `layer`'s coordinates) as a sublayer of `layer`, starting its
    // drawing animation now. Displaying again moves the ring (from its previous superlayer, if
    // any) and starts the animation over.
    void display(platform::Point point, platform::Layer& layer);

protected:
    CaptureCircle() = default;

private:
    std::shared_ptr<const CaptureTheme> theme_;
};

}  // namespace quorvel
