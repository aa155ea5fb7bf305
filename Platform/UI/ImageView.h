#pragma once

#include <memory>
#include <utility>

#include "Platform/Graphics/Image.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

// A view that shows an image, laid out by its content mode. Main thread only.
class ImageView : public View {
public:
    static std::shared_ptr<ImageView> make(std::shared_ptr<Image> image = nullptr,
                                           const Rect& frame = {});

    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }

protected:
    ImageView(std::shared_ptr<Image> image, const Rect& frame)
        : View(frame), image_(std::move(image)) {}

private:
    std::shared_ptr<Image> image_;
};

}  // namespace quorvel::platform
