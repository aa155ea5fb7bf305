#include "Source/Capture/ViewControllers/CaptureViewControllerNib.h"

#include <algorithm>

#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CaptureViewController.h"

namespace quorvel {

using platform::Button;
using platform::ControlEvent;
using platform::EdgeInsets;
using platform::LayoutAttribute;
using platform::LayoutConstraint;
using platform::Point;
using platform::Rect;
using platform::Size;
using platform::View;

namespace {

// A frame of `size` centred on `center`.
Rect centred(Point center, Size size) {
    return {{center.x - size.width / 2, center.y - size.height / 2}, size};
}

// The status bar and home indicator areas: the window's once the view is in one, else the ones a
// window will have.
EdgeInsets unsafeAreas(const View& root) {
    if (root.window()) return root.safeAreaInsets();
    return EdgeInsets{47, 0, 34, 0};
}

std::shared_ptr<Button> makeButton(const char* identifier) {
    auto button = Button::make();
    button->setAccessibilityIdentifier(identifier);
    return button;
}

// Connects a control's touch-up to one of the screen's actions, holding the screen weakly.
template <class Action>
void connect(const std::shared_ptr<Button>& button, std::weak_ptr<CaptureViewController> owner,
             Action action) {
    button->addAction(ControlEvent::touchUpInside,
                      [owner, action](platform::Control& sender, const platform::Event*) {
                          if (auto screen = owner.lock()) action(*screen, sender);
                      });
}

// The mode strip: the two mode buttons side by side, placed so that the button named by the
// active centring constraint sits at the container's centre (plus the constraint's constant).
void layoutModeStrip(View& container, CaptureViewController& screen) {
    const auto& normal = screen.outlets.normalCaptureButton;
    const auto& longButton = screen.outlets.longCaptureButton;
    if (!normal || !longButton) return;
    const double width = CaptureViewControllerNib::modeButtonWidth;
    const double height = CaptureViewControllerNib::modeButtonHeight;
    const double spacing = CaptureViewControllerNib::modeButtonSpacing;
    const double middle = container.bounds().size.width / 2;
    const double y = (container.bounds().size.height - height) / 2;
    const auto& centring = screen.outlets.horizontalCenterConstraint;
    const bool longCentred =
        centring && centring->isActive() && centring->firstItem() == longButton;
    const double constant = centring && centring->isActive() ? centring->constant() : 0;
    if (longCentred) {
        const double longX = middle + constant - width / 2;
        longButton->setFrame({{longX, y}, {width, height}});
        normal->setFrame({{longX - spacing - width, y}, {width, height}});
    } else {
        const double normalX = middle + constant - width / 2;
        normal->setFrame({{normalX, y}, {width, height}});
        longButton->setFrame({{normalX + width + spacing, y}, {width, height}});
    }
}

// The access panel: the message in the middle, the button below it at the size its two
// constraints give.
void layoutAccessPanel(View& panel, CaptureViewController& screen) {
    const auto& label = screen.outlets.cameraAccessLabel;
    const auto& button = screen.outlets.cameraAccessButton;
    if (!label || !button) return;
    const auto bounds = panel.bounds();
    const double textWidth = std::max(0.0, bounds.size.width - 64);
    const auto textSize = label->sizeThatFits({textWidth, bounds.size.height});
    const double buttonWidth = screen.outlets.cameraAccessButtonWidthConstraint
                                   ? screen.outlets.cameraAccessButtonWidthConstraint->constant()
                                   : 138;
    const double buttonHeight = screen.outlets.cameraAccessButtonHeightConstraint
                                    ? screen.outlets.cameraAccessButtonHeightConstraint->constant()
                                    : 48;
    const double total = textSize.height + 24 + buttonHeight;
    const double top = (bounds.size.height - total) / 2;
    label->setFrame({{32, top}, {textWidth, textSize.height}});
    button->setFrame({{(bounds.size.width - buttonWidth) / 2, top + textSize.height + 24},
                      {buttonWidth, buttonHeight}});
}

// The camera picture fills the whole area: the preview layer scales it to fill and crops it at
// the edges, and the outline is converted into the layer's points the same way.
void layoutPictureArea(View& area, CaptureViewController& screen) {
    const auto& preview = screen.outlets.previewView;
    if (!preview) return;
    preview->setFrame(area.bounds());
}

void layoutRoot(View& root, CaptureViewController& screen) {
    auto& o = screen.outlets;
    const auto bounds = root.bounds();
    const double width = bounds.size.width;
    const auto insets = unsafeAreas(root);

    const double topHeight = insets.top + CaptureViewControllerNib::topBarHeight;
    o.topBarView->setFrame({{0, 0}, {width, topHeight}});
    const double barMiddle = insets.top + CaptureViewControllerNib::topBarHeight / 2;
    o.backButton->setFrame(centred({30, barMiddle}, {44, 44}));
    o.flashButton->setFrame(centred({width - 30, barMiddle}, {44, 44}));
    const double autoWidth =
        std::clamp(o.autoCaptureButton->intrinsicContentSize().width + 16, 110.0, width - 128);
    o.autoCaptureButton->setFrame(centred({width / 2, barMiddle}, {autoWidth, 34}));

    const double bottomHeight = CaptureViewControllerNib::modeStripHeight +
                                CaptureViewControllerNib::controlsRowHeight + insets.bottom;
    o.bottomBarView->setFrame({{0, bounds.size.height - bottomHeight}, {width, bottomHeight}});
    o.captureDocumentTypeView->setFrame(
        {{0, 4}, {width, CaptureViewControllerNib::modeStripHeight - 4}});
    const double rowMiddle =
        CaptureViewControllerNib::modeStripHeight + CaptureViewControllerNib::controlsRowHeight / 2;
    const double capture = CaptureViewControllerNib::captureButtonSize;
    const double side = CaptureViewControllerNib::sideButtonSize;
    o.captureButton->setFrame(centred({width / 2, rowMiddle}, {capture, capture}));
    o.galleryButton->setFrame(centred({width / 2 - 120, rowMiddle}, {side, side}));
    o.previousPagesButton->setFrame(centred({width / 2 + 120, rowMiddle}, {side, side}));
    const auto thumbnail = o.previousPagesButton->frame();
    o.previousPagesCountLabel->setFrame(
        centred({thumbnail.origin.x + thumbnail.size.width - 2, thumbnail.origin.y + 2}, {24, 24}));

    const Rect pictureArea{{0, topHeight},
                           {width, std::max(0.0, o.bottomBarView->frame().origin.y - topHeight)}};
    o.mainStackView->setFrame(pictureArea);
    o.toastView->setFrame(pictureArea);
    o.cameraAccessView->setFrame(pictureArea);
}

}  // namespace

void CaptureViewControllerNib::registerNib() {
    if (platform::NibRegistry::hasBuilder(CaptureViewController::nibName)) return;
    platform::NibRegistry::registerBuilder(
        CaptureViewController::nibName,
        [](platform::ViewController& owner) -> std::shared_ptr<View> {
            auto* screen = dynamic_cast<CaptureViewController*>(&owner);
            return screen ? build(*screen) : nullptr;
        });
}

std::shared_ptr<View> CaptureViewControllerNib::build(CaptureViewController& owner) {
    auto& o = owner.outlets;
    const std::weak_ptr<CaptureViewController> weakOwner =
        std::static_pointer_cast<CaptureViewController>(owner.shared_from_this());

    auto root = View::make({{0, 0}, platform::Window::defaultSize});
    root->setBackgroundColor(platform::Color::black());

    // Top bar.
    o.topBarView = View::make();
    o.backButton = makeButton("backButton");
    o.autoCaptureButton = makeButton("autoCaptureButton");
    o.autoCaptureButton->setImageEdgeInsets({0, 0, 0, 6});
    o.flashButton = makeButton("flashButton");
    for (const auto& button : {o.backButton, o.autoCaptureButton, o.flashButton}) {
        o.topBarView->addSubview(button);
    }

    // Picture area.
    o.firstSectionTailImageView = platform::ImageView::make();
    o.firstSectionTailImageView->setContentMode(platform::ContentMode::scaleAspectFit);
    o.firstSectionTailImageView->setClipsToBounds(true);
    o.firstSectionTailImageView->setHidden(true);
    o.firstSectionTailImageView->setAccessibilityIdentifier("firstSectionTailImageView");
    o.previewView = CameraPreviewView::make();
    o.previewView->setClipsToBounds(true);
    o.previewView->setAccessibilityIdentifier("previewView");
    auto pictureArea = View::make();
    pictureArea->addSubview(o.previewView);
    o.mainStackView = platform::StackView::make({o.firstSectionTailImageView, pictureArea});
    o.mainStackView->setAxis(platform::LayoutAxis::vertical);
    LayoutConstraint::make(o.firstSectionTailImageView, LayoutAttribute::height,
                           CaptureViewController::Constants::firstSectionImageHeight)
        ->activate();

    o.toastView = View::make();
    o.toastView->setAccessibilityIdentifier("toastView");

    o.cameraAccessView = View::make();
    o.cameraAccessView->setBackgroundColor(platform::Color{0, 0, 0, 0.88});
    o.cameraAccessView->setHidden(true);
    o.cameraAccessView->setAccessibilityIdentifier("cameraAccessView");
    o.cameraAccessLabel = platform::Label::make();
    o.cameraAccessLabel->setNumberOfLines(0);
    o.cameraAccessLabel->setTextAlignment(platform::TextAlignment::center);
    o.cameraAccessButton = makeButton("cameraAccessButton");
    o.cameraAccessView->addSubview(o.cameraAccessLabel);
    o.cameraAccessView->addSubview(o.cameraAccessButton);
    o.cameraAccessButtonWidthConstraint =
        LayoutConstraint::make(o.cameraAccessButton, LayoutAttribute::width, 138);
    o.cameraAccessButtonHeightConstraint =
        LayoutConstraint::make(o.cameraAccessButton, LayoutAttribute::height, 48);
    LayoutConstraint::activate(
        {o.cameraAccessButtonWidthConstraint, o.cameraAccessButtonHeightConstraint});

    // Bottom bar.
    o.bottomBarView = View::make();
    o.captureDocumentTypeView = View::make();
    o.normalCaptureButton = makeButton("normalCaptureButton");
    o.longCaptureButton = makeButton("longCaptureButton");
    o.captureDocumentTypeView->addSubview(o.normalCaptureButton);
    o.captureDocumentTypeView->addSubview(o.longCaptureButton);
    o.captureDocumentTypeView->setClipsToBounds(true);
    o.horizontalCenterConstraint = LayoutConstraint::make(
        o.normalCaptureButton, LayoutAttribute::centerX, platform::LayoutRelation::equal,
        o.captureDocumentTypeView, LayoutAttribute::centerX);
    o.horizontalCenterConstraint->activate();
    o.galleryButton = makeButton("galleryButton");
    o.captureButton = makeButton("captureButton");
    o.previousPagesButton = makeButton("previousPagesButton");
    o.previousPagesButton->setClipsToBounds(true);
    o.previousPagesButton->layer()->setCornerRadius(6);
    o.previousPagesButton->layer()->setBorderWidth(2);
    o.previousPagesButton->layer()->setBorderColor(platform::Color::white());
    o.previousPagesButton->setHidden(true);
    o.previousPagesCountLabel = platform::Label::make();
    o.previousPagesCountLabel->setTextAlignment(platform::TextAlignment::center);
    o.previousPagesCountLabel->setClipsToBounds(true);
    o.previousPagesCountLabel->layer()->setCornerRadius(12);
    o.previousPagesCountLabel->setHidden(true);
    for (const auto& view : std::vector<std::shared_ptr<View>>{
             o.captureDocumentTypeView, o.galleryButton, o.captureButton, o.previousPagesButton,
             o.previousPagesCountLabel}) {
        o.bottomBarView->addSubview(view);
    }

    for (const auto& view : {o.topBarView, std::static_pointer_cast<View>(o.mainStackView),
                             o.toastView, o.cameraAccessView, o.bottomBarView}) {
        root->addSubview(view);
    }

    // Actions.
    connect(o.backButton, weakOwner, [](CaptureViewController& s, auto&) { s.goBack(); });
    connect(o.captureButton, weakOwner, [](CaptureViewController& s, auto&) { s.capture(); });
    connect(o.flashButton, weakOwner, [](CaptureViewController& s, auto&) { s.flashToggled(); });
    connect(o.autoCaptureButton, weakOwner,
            [](CaptureViewController& s, auto&) { s.autocaptureToggled(); });
    connect(o.galleryButton, weakOwner,
            [](CaptureViewController& s, auto&) { s.imageGalleryButtonPressed(); });
    connect(o.previousPagesButton, weakOwner,
            [](CaptureViewController& s, auto&) { s.previousPageIndicatorPressed(); });
    connect(o.normalCaptureButton, weakOwner, [](CaptureViewController& s, auto& sender) {
        s.normalReceiptCapturePressed(static_cast<Button&>(sender));
    });
    connect(o.longCaptureButton, weakOwner, [](CaptureViewController& s, auto& sender) {
        s.longReceiptCapturePressed(static_cast<Button&>(sender));
    });
    connect(o.cameraAccessButton, weakOwner,
            [](CaptureViewController& s, auto&) { s.cameraAccessButtonPressed(); });

    // Layout from the constraint records.
    root->setLayoutHandler([weakOwner](View& view) {
        if (auto screen = weakOwner.lock()) layoutRoot(view, *screen);
    });
    o.captureDocumentTypeView->setLayoutHandler([weakOwner](View& view) {
        if (auto screen = weakOwner.lock()) layoutModeStrip(view, *screen);
    });
    pictureArea->setLayoutHandler([weakOwner](View& view) {
        if (auto screen = weakOwner.lock()) layoutPictureArea(view, *screen);
    });
    o.cameraAccessView->setLayoutHandler([weakOwner](View& view) {
        if (auto screen = weakOwner.lock()) layoutAccessPanel(view, *screen);
    });
    return root;
}

}  // namespace quorvel
