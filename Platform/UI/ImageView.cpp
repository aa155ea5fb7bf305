#include "Platform/UI/ImageView.h"

#include <algorithm>

namespace quorvel::platform {

ImageView::ImageView(std::shared_ptr<Image> image, const Rect& frame)
    : View(frame), image_(std::move(image)) {
    setUserInteractionEnabled(false);
}

std::shared_ptr<ImageView> ImageView::make(std::shared_ptr<Image> image, const Rect& frame) {
    return std::shared_ptr<ImageView>(new ImageView(std::move(image), frame));
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    if (image_ == image) {
        return;
    }
    image_ = std::move(image);
    invalidateIntrinsicContentSize();
    setNeedsDisplay();
}

Rect ImageView::imageRect() const {
    if (!image_) {
        return Rect{};
    }
    const Rect b = bounds();
    const Size s = image_->size();
    if (s.width <= 0 || s.height <= 0) {
        return Rect{};
    }
    const auto placed = [&](double w, double h, double fx, double fy) {
        return Rect{{b.minX() + (b.width() - w) * fx, b.minY() + (b.height() - h) * fy}, {w, h}};
    };
    switch (contentMode()) {
        case ContentMode::scaleToFill:
        case ContentMode::redraw:
            return b;
        case ContentMode::scaleAspectFit: {
            const double scale = std::min(b.width() / s.width, b.height() / s.height);
            return placed(s.width * scale, s.height * scale, 0.5, 0.5);
        }
        case ContentMode::scaleAspectFill: {
            const double scale = std::max(b.width() / s.width, b.height() / s.height);
            return placed(s.width * scale, s.height * scale, 0.5, 0.5);
        }
        case ContentMode::center:
            return placed(s.width, s.height, 0.5, 0.5);
        case ContentMode::top:
            return placed(s.width, s.height, 0.5, 0);
        case ContentMode::bottom:
            return placed(s.width, s.height, 0.5, 1);
        case ContentMode::left:
            return placed(s.width, s.height, 0, 0.5);
        case ContentMode::right:
            return placed(s.width, s.height, 1, 0.5);
        case ContentMode::topLeft:
            return placed(s.width, s.height, 0, 0);
        case ContentMode::topRight:
            return placed(s.width, s.height, 1, 0);
        case ContentMode::bottomLeft:
            return placed(s.width, s.height, 0, 1);
        case ContentMode::bottomRight:
            return placed(s.width, s.height, 1, 1);
    }
    return b;
}

Size ImageView::intrinsicContentSize() const {
    if (!image_) {
        return Size{NoIntrinsicMetric, NoIntrinsicMetric};
    }
    return image_->size();
}

}  // namespace quorvel::platform
