#include "Source/Crop/Components/CornerPoint.h"

#include "Source/Configuration/FatalError.h"
#include "Source/Crop/Components/AspectFit.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

namespace {

constexpr double defaultDiameter = 30;
constexpr double handleBorderWidth = 3;
constexpr double discAlpha = 0.45;

}  // namespace

std::shared_ptr<CornerPoint> CornerPoint::make() {
    std::shared_ptr<CornerPoint> point(new CornerPoint());
    point->commonInit();
    return point;
}

CornerPoint::CornerPoint()
    : View(platform::Rect::make(0, 0, defaultDiameter, defaultDiameter)),
      fadedView_(platform::View::make()) {
    fadedView_->setTranslatesAutoresizingMaskIntoConstraints(false);
    fadedView_->setClipsToBounds(true);
    fadedView_->setUserInteractionEnabled(false);
}

void CornerPoint::commonInit() {
    layer()->setBorderWidth(handleBorderWidth);
    layer()->setMasksToBounds(true);
}

MagnifyView::Position CornerPoint::position() const {
    auto position = MagnifyView::positionFromRawValue(tag());
    if (!position) {
        fatalError("A crop corner handle's tag must be 1 to 4");
    }
    return *position;
}

void CornerPoint::awakeFromNib() {
    addSubview(fadedView_);
    // The disc's edges are the handle's own.
    using platform::LayoutAttribute;
    platform::LayoutConstraint::activate({
        platform::LayoutConstraint::make(fadedView_, LayoutAttribute::top,
                                         platform::LayoutRelation::equal, shared_from_this(),
                                         LayoutAttribute::top),
        platform::LayoutConstraint::make(fadedView_, LayoutAttribute::leading,
                                         platform::LayoutRelation::equal, shared_from_this(),
                                         LayoutAttribute::leading),
        platform::LayoutConstraint::make(fadedView_, LayoutAttribute::bottom,
                                         platform::LayoutRelation::equal, shared_from_this(),
                                         LayoutAttribute::bottom),
        platform::LayoutConstraint::make(fadedView_, LayoutAttribute::trailing,
                                         platform::LayoutRelation::equal, shared_from_this(),
                                         LayoutAttribute::trailing),
    });
    setNeedsLayout();
}

void CornerPoint::apply(const CaptureTheme& theme) {
    if (!width) {
        fatalError("A crop corner handle is themed before its width constraint is wired");
    }
    layer()->setBorderColor(theme.resolvedColor(&DefaultTheme::primaryBrandBackground2));
    fadedView_->setBackgroundColor(
        theme.resolvedColor(&DefaultTheme::uiSecondaryForeground).withAlpha(discAlpha));
    width->setConstant(cgFloat(theme.cropCornerPointDiameter));
}

platform::Point CornerPoint::normalizedCenterPoint(const platform::ImageView& imageView) const {
    const auto& image = imageView.image();
    if (!image) {
        fatalError("A crop corner is measured against an image view without an image");
    }
    const auto bounds = imageView.bounds();
    const auto fitted = makeRectWithAspectRatioInsideRect(image->size(), bounds).size;
    const double offX = (bounds.width() - fitted.width) * 0.5;
    const double offY = (bounds.height() - fitted.height) * 0.5;
    const auto c = center();
    return {(c.x - offX) / fitted.width, 1 - (c.y - offY) / fitted.height};
}

void CornerPoint::layoutSubviews() {
    View::layoutSubviews();
    if (fadedView_->superview().get() == this) {
        fadedView_->setFrame(bounds());
    }
    layer()->setCornerRadius(frame().width() * 0.5);
    fadedView_->layer()->setCornerRadius(fadedView_->frame().width() * 0.5);
}

bool CornerPoint::pointInside(platform::Point, const platform::Event*) const {
    return false;
}

}  // namespace quorvel
