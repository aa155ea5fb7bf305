#pragma once

#include <memory>

#include "Platform/Graphics/Geometry.h"
#include "Platform/UI/ImageView.h"
#include "Platform/UI/LayoutConstraint.h"
#include "Platform/UI/View.h"
#include "Source/Configuration/CaptureTheme.h"
#include "Source/Crop/Components/MagnifyView.h"

namespace quorvel {

// A circular crop-corner handle: a bordered disc placed in the crop screen's image area by its
// leading and top constraints, sized by its width constraint. Its tag names its corner (1
// top-left, 2 top-right, 3 bottom-right, 4 bottom-left). It takes no touches: they go to the
// touch layer behind it. Main thread only.
class CornerPoint : public platform::View {
public:
    // A 30 × 30 handle without its inner disc (the nib adds it through awakeFromNib).
    static std::shared_ptr<CornerPoint> make();

    // Wired by the crop screen; absent until then.
    std::shared_ptr<platform::LayoutConstraint> leading;
    std::shared_ptr<platform::LayoutConstraint> top;
    std::shared_ptr<platform::LayoutConstraint> width;

    // The corner named by the tag; a tag outside 1 to 4 stops the program.
    MagnifyView::Position position() const;

    // Adds the inner disc, filling the handle.
    void awakeFromNib();
    // Border colour, disc colour and diameter from the theme. Needs the width constraint.
    void apply(const CaptureTheme& theme);
    // The handle's centre as a fraction of the image's aspect-fit rectangle in `imageView`, y
    // counted upward from the image's bottom edge. Needs an image with an area, in a view with
    // an area; outside the image the values leave 0 to 1.
    platform::Point normalizedCenterPoint(const platform::ImageView& imageView) const;

    void layoutSubviews() override;
    // Always false: touches pass to the views behind.
    bool pointInside(platform::Point point, const platform::Event* event) const override;

    const std::shared_ptr<platform::View>& fadedView() const { return fadedView_; }

private:
    CornerPoint();
    void commonInit();

    std::shared_ptr<platform::View> fadedView_;
};

}  // namespace quorvel
