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
    return placedContent(contentMode(), s, b);
}

Size ImageView::intrinsicContentSize() const {
    if (!image_) {
        return Size{NoIntrinsicMetric, NoIntrinsicMetric};
    }
    return image_->size();
}

}  // namespace quorvel::platform
