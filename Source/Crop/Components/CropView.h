#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Platform/Graphics/BezierPath.h"
#include "Platform/Graphics/Color.h"
#include "Platform/UI/ShapeLayer.h"
#include "Platform/UI/View.h"
#include "Source/Crop/Components/CornerPoint.h"

namespace quorvel {

// The crop overlay: dims everything outside the quadrilateral of the corner handles, strokes its
// outline and puts a grip on the middle of each side. Each drawing replaces the shape layers of
// the last one; the drawing itself paints nothing. Main thread only.
class CropView : public platform::View {
public:
    static constexpr double rectWidth = 15;
    static constexpr double rectHeight = 40;
    static constexpr double rectCornerRadius = 8;
    static constexpr platform::Color fillColor{0, 0, 0, 0.3};
    static constexpr double outlineWidth = 3;

    static std::shared_ptr<CropView> make(const platform::Rect& frame = {});

    // The handles, top-left, top-right, bottom-right, bottom-left; absent until the crop screen
    // sets them.
    std::optional<std::vector<std::shared_ptr<CornerPoint>>> cornerPoints;

    // The layers of the last drawing.
    const std::shared_ptr<platform::ShapeLayer>& fillLayer() const { return fillLayer_; }
    const std::shared_ptr<platform::ShapeLayer>& cropLayer() const { return cropLayer_; }
    const std::vector<std::shared_ptr<platform::ShapeLayer>>& edgeLayers() const {
        return edgeLayers_;
    }

    // Rebuilds the dimming, outline and grip layers from the handles' centres (nothing with
    // fewer than two handles).
    void draw(platform::GraphicsContext& context, const platform::Rect& rect) override;

private:
    explicit CropView(const platform::Rect& frame);

    void rebuildLayers();
    void maskAndFill(const platform::BezierPath& path);
    void drawQuadrilateral(const platform::BezierPath& path);
    void drawEdgeHandles();

    std::shared_ptr<platform::ShapeLayer> fillLayer_;
    std::shared_ptr<platform::ShapeLayer> cropLayer_;
    std::vector<std::shared_ptr<platform::ShapeLayer>> edgeLayers_;
};

}  // namespace quorvel
