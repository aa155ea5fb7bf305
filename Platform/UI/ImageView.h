#pragma once

#include <memory>
#include <utility>

#include "Platform/Graphics/Image.h"
#include "Platform/UI/View.h"

namespace quorvel::platform {

// A view that shows an image, laid out by its content mode (scaleToFill until set). Takes no
// touches (user interaction off), as on the phone platform. Main thread only.
class ImageView : public View {
public:
    static std::shared_ptr<ImageView> make(std::shared_ptr<Image> image = nullptr,
                                           const Rect& frame = {});

    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image);

    // Where the image is drawn within the bounds for the content mode (the whole bounds for
    // scaleToFill and redraw); a zero rectangle without an image.
    Rect imageRect() const;

    // The image's size in points; NoIntrinsicMetric in both without an image.
    Size intrinsicContentSize() const override;

protected:
    ImageView(std::shared_ptr<Image> image, const Rect& frame);

private:
    std::shared_ptr<Image> image_;
};

}  // namespace quorvel::platform
