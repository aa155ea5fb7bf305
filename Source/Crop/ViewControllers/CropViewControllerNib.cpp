#include "Source/Crop/ViewControllers/CropViewControllerNib.h"

#include <algorithm>
#include <cmath>

#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/Window.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Crop/Components/AspectFit.h"
#include "Source/Crop/ViewControllers/CropViewController.h"

namespace quorvel {

namespace {

using platform::LayoutAttribute;
using platform::LayoutConstraint;
using platform::LayoutRelation;

constexpr double topBarExtra = 12;
constexpr double minimumCancelWidth = 88;

struct HandleWiring {
    std::shared_ptr<CornerPoint> point;
    std::shared_ptr<LayoutConstraint> x;
    std::shared_ptr<LayoutConstraint> y;
    std::shared_ptr<LayoutConstraint> diameter;
};

HandleWiring makeHandle(int tag, const std::shared_ptr<platform::View>& area) {
    HandleWiring wiring;
    wiring.point = CornerPoint::make();
    wiring.point->setTag(tag);
    wiring.point->setTranslatesAutoresizingMaskIntoConstraints(false);
    area->addSubview(wiring.point);
    wiring.point->awakeFromNib();
    wiring.x = LayoutConstraint::make(wiring.point, LayoutAttribute::leading, LayoutRelation::equal,
                                      area, LayoutAttribute::leading);
    wiring.y = LayoutConstraint::make(wiring.point, LayoutAttribute::top, LayoutRelation::equal,
                                      area, LayoutAttribute::top);
    wiring.diameter =
        LayoutConstraint::make(wiring.point, LayoutAttribute::width, wiring.point->frame().width());
    LayoutConstraint::activate({wiring.x, wiring.y, wiring.diameter});
    return wiring;
}

}  // namespace

void CropViewControllerNib::registerNib() {
    if (!platform::NibRegistry::hasBuilder(name)) {
        platform::NibRegistry::registerBuilder(name, &CropViewControllerNib::build);
    }
}

std::shared_ptr<platform::View> CropViewControllerNib::build(platform::ViewController& owner) {
    auto* screen = dynamic_cast<CropViewController*>(&owner);
    if (screen == nullptr) {
        fatalError("The crop screen's nib is loaded by another kind of controller");
    }
    auto& o = screen->outlets_;

    auto root = platform::View::make(platform::Rect{{0, 0}, platform::Window::defaultSize});

    o.imageBackgroundView = platform::View::make();
    root->addSubview(o.imageBackgroundView);

    o.imageSuperview = platform::View::make();
    root->addSubview(o.imageSuperview);
    o.imageView = platform::ImageView::make();
    o.imageView->setContentMode(platform::ContentMode::scaleAspectFit);
    o.imageSuperview->addSubview(o.imageView);
    o.cropView = CropView::make();
    o.cropView->setUserInteractionEnabled(false);
    o.imageSuperview->addSubview(o.cropView);

    auto topLeft = makeHandle(1, o.imageSuperview);
    auto topRight = makeHandle(2, o.imageSuperview);
    auto bottomRight = makeHandle(3, o.imageSuperview);
    auto bottomLeft = makeHandle(4, o.imageSuperview);
    o.topLeftCornerPoint = topLeft.point;
    o.topLeftXConstraint = topLeft.x;
    o.topLeftYConstraint = topLeft.y;
    o.topLeftDiameterConstraint = topLeft.diameter;
    o.topRightCornerPoint = topRight.point;
    o.topRightXConstraint = topRight.x;
    o.topRightYConstraint = topRight.y;
    o.topRightDiameterConstraint = topRight.diameter;
    o.bottomRightCornerPoint = bottomRight.point;
    o.bottomRightXConstraint = bottomRight.x;
    o.bottomRightYConstraint = bottomRight.y;
    o.bottomRightDiameterConstraint = bottomRight.diameter;
    o.bottomLeftCornerPoint = bottomLeft.point;
    o.bottomLeftXConstraint = bottomLeft.x;
    o.bottomLeftYConstraint = bottomLeft.y;
    o.bottomLeftDiameterConstraint = bottomLeft.diameter;

    // Image, overlay and handles share the image area's coordinates.
    const std::vector<HandleWiring> handles{topLeft, topRight, bottomRight, bottomLeft};
    o.imageSuperview->setLayoutHandler(
        [handles, imageView = o.imageView, cropView = o.cropView](platform::View& area) {
            imageView->setFrame(area.bounds());
            cropView->setFrame(area.bounds());
            for (const auto& handle : handles) {
                const double d = handle.diameter->constant();
                handle.point->setFrame(
                    platform::Rect::make(handle.x->constant(), handle.y->constant(), d, d));
            }
        });

    o.magnifySuperview = CropControlView::make();
    o.magnifySuperview->setAccessibilityIdentifier("crop-touch-layer");
    o.magnifySuperview->setHandles(
        {topLeft.point, topRight.point, bottomRight.point, bottomLeft.point});
    root->addSubview(o.magnifySuperview);

    o.loader = platform::ActivityIndicatorView::make(platform::ActivityIndicatorStyle::large);
    root->addSubview(o.loader);

    o.topBar = platform::View::make();
    root->addSubview(o.topBar);

    o.bottomBar = platform::View::make();
    root->addSubview(o.bottomBar);
    o.cancelButton = platform::Button::make();
    o.cancelButton->setAccessibilityIdentifier("crop-cancel");
    o.bottomBar->addSubview(o.cancelButton);
    o.doneButton = platform::Button::make();
    o.doneButton->setAccessibilityIdentifier("crop-done");
    o.bottomBar->addSubview(o.doneButton);
    o.doneButtonHeight = LayoutConstraint::make(o.doneButton, LayoutAttribute::height, 48);
    o.doneButtonWidth = LayoutConstraint::make(o.doneButton, LayoutAttribute::width, 138);
    LayoutConstraint::activate({o.doneButtonHeight, o.doneButtonWidth});

    // The image area is the picture itself, fitted into the space between the bars: the handles
    // and the dimming stay on the picture.
    const auto imageSize = screen->viewModel()->image()->size();
    root->setLayoutHandler([o, imageSize](platform::View& view) {
        const auto bounds = view.bounds();
        const auto safe = view.safeAreaInsets();
        const double doneHeight = o.doneButtonHeight->constant();
        const double doneWidth = o.doneButtonWidth->constant();

        const double topBarHeight = safe.top + topBarExtra;
        const double bottomBarHeight = barPadding * 2 + doneHeight + safe.bottom;
        o.topBar->setFrame(platform::Rect::make(0, 0, bounds.width(), topBarHeight));
        o.bottomBar->setFrame(platform::Rect::make(0, bounds.height() - bottomBarHeight,
                                                   bounds.width(), bottomBarHeight));
        const double middleTop = topBarHeight;
        const double middleHeight = std::max(0.0, bounds.height() - bottomBarHeight - middleTop);
        o.imageBackgroundView->setFrame(
            platform::Rect::make(0, middleTop, bounds.width(), middleHeight));
        const auto space = o.imageBackgroundView->frame().insetBy(imageAreaInset, imageAreaInset);
        auto area = makeRectWithAspectRatioInsideRect(imageSize, space);
        area = platform::Rect::make(std::round(area.minX()), std::round(area.minY()),
                                    std::round(area.width()), std::round(area.height()));
        o.imageSuperview->setFrame(area);
        o.magnifySuperview->setFrame(area);
        const auto loaderSize = o.loader->intrinsicContentSize();
        o.loader->setFrame(platform::Rect{
            {area.midX() - loaderSize.width * 0.5, area.midY() - loaderSize.height * 0.5},
            loaderSize});

        const double buttonY = barPadding;
        o.doneButton->setFrame(platform::Rect::make(bounds.width() - barPadding - doneWidth,
                                                    buttonY, doneWidth, doneHeight));
        const double cancelWidth =
            std::max(minimumCancelWidth, o.cancelButton->intrinsicContentSize().width);
        o.cancelButton->setFrame(
            platform::Rect::make(barPadding, buttonY, cancelWidth, doneHeight));
    });

    // Actions.
    std::weak_ptr<CropViewController> weakScreen =
        std::static_pointer_cast<CropViewController>(screen->shared_from_this());
    o.cancelButton->addAction(platform::ControlEvent::touchUpInside,
                              [weakScreen](platform::Control&, const platform::Event*) {
                                  if (auto self = weakScreen.lock()) {
                                      self->cancelPressed();
                                  }
                              });
    o.doneButton->addAction(platform::ControlEvent::touchUpInside,
                            [weakScreen](platform::Control&, const platform::Event*) {
                                if (auto self = weakScreen.lock()) {
                                    self->donePressed();
                                }
                            });
    o.magnifySuperview->addAction(
        platform::ControlEvent::touchDown,
        [weakScreen](platform::Control& sender, const platform::Event* event) {
            if (auto self = weakScreen.lock()) {
                self->touchesBegan(sender, event);
            }
        });
    o.magnifySuperview->addAction(
        platform::ControlEvent::touchUpInside | platform::ControlEvent::touchUpOutside |
            platform::ControlEvent::touchCancel,
        [weakScreen](platform::Control& sender, const platform::Event* event) {
            if (auto self = weakScreen.lock()) {
                self->touchesEnded(sender, event);
            }
        });
    return root;
}

}  // namespace quorvel
