#include "Source/Crop/Components/CropView.h"

#include <cmath>
#include <numbers>

#include "Source/Crop/Components/MagnifyView.h"

namespace quorvel {

std::shared_ptr<CropView> CropView::make(const platform::Rect& frame) {
    return std::shared_ptr<CropView>(new CropView(frame));
}

CropView::CropView(const platform::Rect& frame) : View(frame) {
    setBackgroundColor(platform::Color::clear());
}

void CropView::draw(platform::GraphicsContext&, const platform::Rect&) {
    rebuildLayers();
}

void CropView::rebuildLayers() {
    if (!cornerPoints || cornerPoints->size() < 2) {
        return;
    }
    // The first two corners once more close the outline with a proper join at the first one.
    platform::BezierPath path;
    const auto& corners = *cornerPoints;
    path.moveTo(corners[0]->center());
    for (std::size_t i = 1; i < corners.size(); ++i) {
        path.addLineTo(corners[i]->center());
    }
    path.addLineTo(corners[0]->center());
    path.addLineTo(corners[1]->center());

    maskAndFill(path);
    drawQuadrilateral(path);
    drawEdgeHandles();
}

void CropView::maskAndFill(const platform::BezierPath& path) {
    auto mask = platform::BezierPath::rect(frame());
    mask.append(path);
    mask.setUsesEvenOddFillRule(true);

    if (fillLayer_) {
        fillLayer_->removeFromSuperlayer();
    }
    fillLayer_ = platform::ShapeLayer::make();
    fillLayer_->setPath(mask);
    fillLayer_->setFillRule(platform::FillRule::evenOdd);
    fillLayer_->setFillColor(fillColor);
    layer()->addSublayer(fillLayer_);
}

void CropView::drawQuadrilateral(const platform::BezierPath& path) {
    if (cropLayer_) {
        cropLayer_->removeFromSuperlayer();
    }
    cropLayer_ = platform::ShapeLayer::make();
    cropLayer_->setFillColor(std::nullopt);
    cropLayer_->setStrokeColor(MagnifyView::borderColor());
    cropLayer_->setLineWidth(outlineWidth);
    cropLayer_->setPath(path);
    layer()->addSublayer(cropLayer_);
}

void CropView::drawEdgeHandles() {
    for (const auto& edge : edgeLayers_) {
        edge->removeFromSuperlayer();
    }
    edgeLayers_.clear();

    const auto& corners = *cornerPoints;
    const std::size_t n = corners.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = i + 1 < n ? i + 1 : 0;
        const auto a = corners[i]->center();
        const auto b = corners[j]->center();
        const platform::Point m{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};

        auto grip = platform::BezierPath::roundedRect(
            platform::Rect::make(0, 0, rectWidth, rectHeight), rectCornerRadius);
        auto edge = platform::ShapeLayer::make();
        const auto size = grip.bounds().size;
        edge->setFrame(platform::Rect{{m.x - rectWidth * 0.5, m.y - rectHeight * 0.5}, size});
        edge->setPath(grip);
        edge->setFillColor(MagnifyView::borderColor());

        double angle = std::atan2(b.y - a.y, b.x - a.x);
        if (angle < 0) {
            angle += 2 * std::numbers::pi;
        }
        angle += std::numbers::pi / 2;
        edge->setAffineTransform(platform::AffineTransform::rotation(angle));

        layer()->addSublayer(edge);
        edgeLayers_.push_back(std::move(edge));
    }
}

}  // namespace quorvel
