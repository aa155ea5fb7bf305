#include "Platform/UI/ImageView.h"

namespace quorvel::platform {

std::shared_ptr<ImageView> ImageView::make(std::shared_ptr<Image> image, const Rect& frame) {
    return std::shared_ptr<ImageView>(new ImageView(std::move(image), frame));
}

}  // namespace quorvel::platform
