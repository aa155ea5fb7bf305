#include "Source/Capture/ViewControllers/CapturePreviewViewControllerNib.h"

#include <vector>

#include "Platform/UI/NibRegistry.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"
#include "Source/Configuration/FatalError.h"

namespace quorvel {

namespace {

using platform::LayoutAttribute;
using platform::LayoutConstraint;
using platform::Rect;

constexpr double sideButton = 44;
constexpr double sideMargin = 8;
constexpr double bottomPadding = 16;
constexpr double pageIndicatorWidth = 160;

}  // namespace

void CapturePreviewViewControllerNib::registerNib() {
    if (!platform::NibRegistry::hasBuilder(name)) {
        platform::NibRegistry::registerBuilder(name, &CapturePreviewViewControllerNib::build);
    }
}

std::shared_ptr<platform::View> CapturePreviewViewControllerNib::build(
    platform::ViewController& owner) {
    auto* screen = dynamic_cast<CapturePreviewViewController*>(&owner);
    if (screen == nullptr) {
        fatalError("The preview screen's nib is loaded by another kind of controller");
    }
    auto& o = screen->outlets_;
    auto root = platform::View::make(Rect{{0, 0}, platform::Window::defaultSize});

    o.capturedImageScrollView = platform::ScrollView::make();
    o.capturedImageScrollView->setPagingEnabled(true);
    o.capturedImageScrollView->setShowsHorizontalScrollIndicator(false);
    o.capturedImageScrollView->setShowsVerticalScrollIndicator(false);
    o.capturedImageScrollView->setClipsToBounds(true);
    o.capturedImageScrollView->setAccessibilityIdentifier("preview-pages");
    root->addSubview(o.capturedImageScrollView);

    o.topBar = platform::View::make();
    root->addSubview(o.topBar);
    o.backButton = platform::Button::make();
    o.backButton->setAccessibilityIdentifier("preview-back");
    o.topBar->addSubview(o.backButton);
    o.titleLabel = platform::Label::make();
    o.titleLabel->setTextAlignment(platform::TextAlignment::center);
    o.titleLabel->setAdjustsFontSizeToFitWidth(true);
    o.titleLabel->setMinimumScaleFactor(0.5);
    o.topBar->addSubview(o.titleLabel);

    o.paginationBar = platform::View::make();
    root->addSubview(o.paginationBar);
    o.previousPageButton = platform::Button::make();
    o.previousPageButton->setAccessibilityIdentifier("preview-previous-page");
    o.paginationBar->addSubview(o.previousPageButton);
    o.pageIndicator = platform::PageControl::make();
    o.paginationBar->addSubview(o.pageIndicator);
    o.nextPageButton = platform::Button::make();
    o.nextPageButton->setAccessibilityIdentifier("preview-next-page");
    o.paginationBar->addSubview(o.nextPageButton);

    o.bottomBar = platform::View::make();
    root->addSubview(o.bottomBar);
    o.addPageButton = IconButton::make();
    o.addPageButton->setAccessibilityIdentifier("preview-add-page");
    o.retakeButton = IconButton::make();
    o.retakeButton->setAccessibilityIdentifier("preview-retake");
    o.cropButton = IconButton::make();
    o.cropButton->setAccessibilityIdentifier("preview-crop");
    o.bottomBar->addSubview(o.addPageButton);
    o.bottomBar->addSubview(o.retakeButton);
    o.bottomBar->addSubview(o.cropButton);
    o.doneButton = platform::Button::make();
    o.doneButton->setAccessibilityIdentifier("preview-done");
    o.bottomBar->addSubview(o.doneButton);
    o.doneButtonHeight = LayoutConstraint::make(o.doneButton, LayoutAttribute::height, 48);
    o.doneButtonWidth = LayoutConstraint::make(o.doneButton, LayoutAttribute::width, 138);
    LayoutConstraint::activate({o.doneButtonHeight, o.doneButtonWidth});

    root->setLayoutHandler([o](platform::View& view) {
        const auto bounds = view.bounds();
        const double width = bounds.width();
        const auto safe = view.safeAreaInsets();

        const double topBarHeight = safe.top + titleBarHeight;
        o.topBar->setFrame(Rect::make(0, 0, width, topBarHeight));
        o.backButton->setFrame(Rect::make(sideMargin, safe.top + (titleBarHeight - sideButton) / 2,
                                          sideButton, sideButton));
        const double titleInset = sideMargin + sideButton + sideMargin;
        o.titleLabel->setFrame(
            Rect::make(titleInset, safe.top, width - 2 * titleInset, titleBarHeight));

        const double doneHeight = o.doneButtonHeight->constant();
        const double doneWidth = o.doneButtonWidth->constant();
        std::vector<std::shared_ptr<IconButton>> icons;
        for (const auto& icon : {o.addPageButton, o.retakeButton, o.cropButton}) {
            if (!icon->isHidden()) {
                icons.push_back(icon);
            }
        }
        const double iconRow = icons.empty() ? 0 : iconButtonHeight + barPadding;
        const double bottomBarHeight =
            barPadding + iconRow + doneHeight + bottomPadding + safe.bottom;
        const double bottomBarTop = bounds.height() - bottomBarHeight;
        o.bottomBar->setFrame(Rect::make(0, bottomBarTop, width, bottomBarHeight));
        const double rowWidth = icons.size() * iconButtonWidth +
                                (icons.empty() ? 0 : (icons.size() - 1) * iconButtonSpacing);
        double x = (width - rowWidth) / 2;
        for (const auto& icon : icons) {
            icon->setFrame(Rect::make(x, barPadding, iconButtonWidth, iconButtonHeight));
            x += iconButtonWidth + iconButtonSpacing;
        }
        o.doneButton->setFrame(
            Rect::make((width - doneWidth) / 2, barPadding + iconRow, doneWidth, doneHeight));

        double pagesBottom = bottomBarTop;
        if (!o.paginationBar->isHidden()) {
            pagesBottom -= paginationBarHeight;
            o.paginationBar->setFrame(Rect::make(0, pagesBottom, width, paginationBarHeight));
            const double buttonY = (paginationBarHeight - sideButton) / 2;
            o.previousPageButton->setFrame(
                Rect::make(sideMargin * 2, buttonY, sideButton, sideButton));
            o.nextPageButton->setFrame(
                Rect::make(width - sideMargin * 2 - sideButton, buttonY, sideButton, sideButton));
            o.pageIndicator->setFrame(Rect::make((width - pageIndicatorWidth) / 2, 0,
                                                 pageIndicatorWidth, paginationBarHeight));
        }
        o.capturedImageScrollView->setFrame(
            Rect::make(0, topBarHeight, width, std::max(0.0, pagesBottom - topBarHeight)));
    });

    // Reading order: headline and back, the pages, then the bars (a hidden bar is skipped with
    // everything in it): previous, dots, next; the tools and Done.
    root->setAccessibilityElements(std::vector<std::shared_ptr<platform::View>>{
        o.titleLabel, o.backButton, o.capturedImageScrollView, o.paginationBar, o.bottomBar});

    // Actions.
    auto shared =
        std::static_pointer_cast<CapturePreviewViewController>(screen->shared_from_this());
    std::weak_ptr<CapturePreviewViewController> weakScreen = shared;
    o.capturedImageScrollView->setDelegate(
        std::static_pointer_cast<platform::ScrollViewDelegate>(shared));
    const auto pageStep = [weakScreen](platform::Control& sender, const platform::Event*) {
        auto self = weakScreen.lock();
        auto* button = dynamic_cast<platform::Button*>(&sender);
        if (self && button != nullptr) {
            self->changePageButtonPressed(*button);
        }
    };
    o.previousPageButton->addAction(platform::ControlEvent::touchUpInside, pageStep);
    o.nextPageButton->addAction(platform::ControlEvent::touchUpInside, pageStep);
    o.pageIndicator->addAction(platform::ControlEvent::valueChanged,
                               [weakScreen](platform::Control& sender, const platform::Event*) {
                                   auto self = weakScreen.lock();
                                   auto* control = dynamic_cast<platform::PageControl*>(&sender);
                                   if (self && control != nullptr) {
                                       self->pageChanged(*control);
                                   }
                               });
    o.backButton->addAction(platform::ControlEvent::touchUpInside,
                            [weakScreen](platform::Control&, const platform::Event*) {
                                if (auto self = weakScreen.lock()) {
                                    self->goBack();
                                }
                            });
    o.doneButton->addAction(platform::ControlEvent::touchUpInside,
                            [weakScreen](platform::Control&, const platform::Event*) {
                                if (auto self = weakScreen.lock()) {
                                    self->donePressed();
                                }
                            });
    return root;
}

}  // namespace quorvel
