#include "Source/Capture/ViewControllers/CapturePreviewViewController.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "Platform/Foundation/ContentSizeCategory.h"
#include "Platform/UI/Accessibility.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/NavigationController.h"
#include "Platform/UI/TapGestureRecognizer.h"
#include "Platform/UI/Window.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewControllerNib.h"
#include "Source/Capture/ViewControllers/CapturePreviewViewModel.h"
#include "Source/Capture/Views/ViewAccessibility.h"
#include "Source/Configuration/ButtonStyling.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/LocalizedText.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Source/Crop/ViewControllers/CropViewController.h"
#include "Source/Imaging/ImageOperations.h"

namespace quorvel {

namespace {

constexpr double minimumZoom = 1.0;
constexpr double maximumZoom = 2.0;
constexpr double announcementDelay = 0.2;

int asInt(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, std::numeric_limits<int>::max()));
}

}  // namespace

std::shared_ptr<CapturePreviewViewController> CapturePreviewViewController::make(
    std::shared_ptr<CapturedImageGroup> imageGroup, std::shared_ptr<CaptureConfiguration> config,
    std::shared_ptr<CaptureTheme> theme, CaptureDocumentType captureDocumentType,
    std::optional<std::size_t> startingIndex, bool isBlurry) {
    return std::shared_ptr<CapturePreviewViewController>(
        new CapturePreviewViewController(std::move(imageGroup), std::move(config), std::move(theme),
                                         captureDocumentType, startingIndex, isBlurry));
}

CapturePreviewViewController::CapturePreviewViewController(
    std::shared_ptr<CapturedImageGroup> imageGroup, std::shared_ptr<CaptureConfiguration> config,
    std::shared_ptr<CaptureTheme> theme, CaptureDocumentType captureDocumentType,
    std::optional<std::size_t> startingIndex, bool /*isBlurry*/)
    : QVViewController(CapturePreviewViewControllerNib::name),
      viewModel_(std::make_shared<CapturePreviewViewModel>(
          std::move(imageGroup), config, std::move(theme), captureDocumentType, startingIndex)),
      config_(std::move(config)) {
    const auto count = viewModel_->imageGroup->count();
    currentPage_ = count > 0 ? count - 1 : 0;
    CapturePreviewViewControllerNib::registerNib();
}

CapturePreviewViewController::~CapturePreviewViewController() {
    if (notificationCenter_ && textSizeObserver_) {
        notificationCenter_->removeObserver(textSizeObserver_);
    }
}

void CapturePreviewViewController::setDelegate(
    std::weak_ptr<CapturePreviewViewControllerDelegate> delegate) {
    delegate_ = std::move(delegate);
}

std::shared_ptr<CapturePreviewViewControllerDelegate> CapturePreviewViewController::delegate()
    const {
    return delegate_.lock();
}

std::size_t CapturePreviewViewController::currentPage() const {
    return currentPage_;
}

std::shared_ptr<CapturePreviewViewController> CapturePreviewViewController::strongSelf() {
    return std::static_pointer_cast<CapturePreviewViewController>(shared_from_this());
}

std::shared_ptr<platform::Bundle> CapturePreviewViewController::textBundle() const {
    return viewModel_->theme->bundle();
}

std::string CapturePreviewViewController::text(std::string_view key) const {
    return LocalizedText::lookup(key, textBundle());
}

// --- Lifecycle ------------------------------------------------------------------------------

void CapturePreviewViewController::viewDidLoad() {
    QVViewController::viewDidLoad();
    applyFeatures();
    applyTheme();
    applyLocalization();
    applyAccessibility();

    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    notificationCenter_ = platform::NotificationCenter::defaultCenter();
    textSizeObserver_ =
        notificationCenter_->addObserver(platform::TextSizeSetting::didChangeNotification, weakSelf,
                                         [weakSelf](const platform::Notification&) {
                                             if (auto self = weakSelf.lock()) {
                                                 self->textSizeChanged();
                                             }
                                         });
}

void CapturePreviewViewController::viewWillAppear(bool animated) {
    QVViewController::viewWillAppear(animated);
    applyDoneButtonTheme();
}

void CapturePreviewViewController::viewDidAppear(bool animated) {
    QVViewController::viewDidAppear(animated);
    const auto& title = outlets_.titleLabel->text();
    if (!title.empty()) {
        platform::Accessibility::post(platform::AccessibilityNotification::screenChanged, title);
    }
}

void CapturePreviewViewController::viewDidLayoutSubviews() {
    QVViewController::viewDidLayoutSubviews();
    normalizeButtonTextSize();
    if (!pagesBuilt_) {
        buildPages();
    }
}

// --- Theme, texts, features -----------------------------------------------------------------

void CapturePreviewViewController::applyFeatures() {
    outlets_.addPageButton->setHidden(viewModel_->hideAddPageButton());
    outlets_.cropButton->setHidden(viewModel_->hideCropButton());
    outlets_.paginationBar->setHidden(viewModel_->hidePaginationBar());
    outlets_.retakeButton->setHidden(false);
    outlets_.doneButton->setHidden(false);
    view()->setNeedsLayout();
}

void CapturePreviewViewController::applyTheme() {
    const auto& theme = *viewModel_->theme;
    const auto background = theme.resolvedColor(&CaptureTheme::captureBackgroundColor);
    view()->setBackgroundColor(background);
    outlets_.topBar->setBackgroundColor(background);
    outlets_.paginationBar->setBackgroundColor(background);
    outlets_.bottomBar->setBackgroundColor(background);

    outlets_.pageIndicator->setPageIndicatorTintColor(
        theme.resolvedColor(&CaptureTheme::capturePreviewPageControlTintColor));
    outlets_.pageIndicator->setCurrentPageIndicatorTintColor(
        theme.resolvedColor(&CaptureTheme::capturePreviewCurrentPageControlColor));

    outlets_.titleLabel->setTextColor(theme.resolvedColor(&CaptureTheme::capturePreviewTitleColor));
    outlets_.titleLabel->setFont(theme.fonts()->headline());

    const auto resources = ResourceBundle::resources();
    const auto image = [&](std::string_view name) {
        return ImageLookup::fromTheme(name, &theme, resources);
    };
    outlets_.backButton->setImage(image("capture-back"), platform::ControlState::normal);
    outlets_.previousPageButton->setImage(image("capture-previous"),
                                          platform::ControlState::normal);
    outlets_.nextPageButton->setImage(image("capture-next"), platform::ControlState::normal);
    outlets_.previousPageButton->imageView()->setContentMode(platform::ContentMode::scaleAspectFit);
    outlets_.nextPageButton->imageView()->setContentMode(platform::ContentMode::scaleAspectFit);

    std::weak_ptr<IconButtonDelegate> self =
        std::static_pointer_cast<IconButtonDelegate>(strongSelf());
    outlets_.addPageButton->update(image("capture-add-page"), text("button-add-page"), self,
                                   viewModel_->theme.get());
    outlets_.retakeButton->update(image("capture-retake"), text("retake"), self,
                                  viewModel_->theme.get());
    outlets_.cropButton->update(image("capture-crop"), text("crop"), self, viewModel_->theme.get());
    view()->setNeedsLayout();
}

void CapturePreviewViewController::applyLocalization() {
    outlets_.titleLabel->setText(
        LocalizedText::format("preview-header", textBundle(), {std::string("1"), "1"}));
}

void CapturePreviewViewController::updateHeadline() {
    outlets_.titleLabel->setText(
        LocalizedText::format("image-preview-headline", textBundle(),
                              {asInt(currentPage_ + 1), asInt(scrollViews_.size())}));
    // The dots are named by the page they show.
    outlets_.pageIndicator->setAccessibilityLabel(outlets_.titleLabel->text());
}

void CapturePreviewViewController::applyDoneButtonTheme() {
    const auto& theme = *viewModel_->theme;
    auto& done = *outlets_.doneButton;
    ButtonStyling::apply(done, viewModel_->buttonThemes->capturePreviewDone());
    outlets_.doneButtonHeight->setConstant(cgFloat(theme.capturePreviewDoneButtonHeight));
    outlets_.doneButtonWidth->setConstant(cgFloat(theme.capturePreviewDoneButtonWidth));
    // The root view's layout code places the button.
    view()->setNeedsLayout();

    const bool next = viewModel_->captureDocumentType == CaptureDocumentType::longFirst;
    const std::string_view titleKey =
        next ? "image-preview-next-button-title" : "image-preview-done-button-title";
    const std::string_view hintKey =
        next ? "image-preview-next-button-hint" : "image-preview-done-button-hint";
    done.setTitle(text(titleKey), platform::ControlState::normal);
    done.setAccessibilityTraits(platform::AccessibilityTraits::button);
    ViewAccessibility::makeAccessible(done, titleKey, hintKey,
                                      textBundle() ? textBundle() : ResourceBundle::resources());
}

void CapturePreviewViewController::normalizeButtonTextSize() {
    if (viewModel_->captureDocumentType != CaptureDocumentType::normal) {
        return;
    }
    std::vector<IconButton*> visible;
    for (const auto& button :
         {outlets_.addPageButton, outlets_.retakeButton, outlets_.cropButton}) {
        if (!button->isHidden()) {
            visible.push_back(button.get());
        }
    }
    if (visible.size() < 2) {
        return;
    }
    double smallest = std::numeric_limits<double>::infinity();
    for (auto* button : visible) {
        smallest = std::min(smallest, button->getScaledFontSize());
    }
    for (auto* button : visible) {
        button->applyForLabel(button->textLabel()->effectiveFont().withSize(smallest));
    }
}

void CapturePreviewViewController::textSizeChanged() {
    viewModel_->reloadButtonThemes();
    applyTheme();
}

// --- Accessibility --------------------------------------------------------------------------

void CapturePreviewViewController::applyAccessibility() {
    const auto bundle = textBundle() ? textBundle() : ResourceBundle::resources();
    outlets_.backButton->setAccessibilityTraits(platform::AccessibilityTraits::button);
    ViewAccessibility::makeAccessible(*outlets_.backButton, "back", "goes-back", bundle);
    outlets_.titleLabel->setIsAccessibilityElement(true);
    outlets_.titleLabel->setAccessibilityTraits(platform::AccessibilityTraits::header);
    applyPageButtonAccessibility();
}

void CapturePreviewViewController::applyPageButtonAccessibility() {
    const auto bundle = textBundle() ? textBundle() : ResourceBundle::resources();
    auto& next = *outlets_.nextPageButton;
    auto& previous = *outlets_.previousPageButton;
    next.setAccessibilityTraits(platform::AccessibilityTraits::button);
    previous.setAccessibilityTraits(platform::AccessibilityTraits::button);
    ViewAccessibility::makeAccessible(next,
                                      next.isEnabled()
                                          ? "capture-preview-next-page-button-label"
                                          : "capture-preview-next-page-button-disabled-label",
                                      "capture-preview-next-page-button-hint", bundle);
    ViewAccessibility::makeAccessible(previous,
                                      previous.isEnabled()
                                          ? "capture-preview-previous-page-button-label"
                                          : "capture-preview-previous-page-button-disabled-label",
                                      "capture-preview-next-previous-button-hint", bundle);
}

void CapturePreviewViewController::announcePage() {
    platform::Accessibility::post(
        platform::AccessibilityNotification::announcement,
        LocalizedText::format("capture-preview-current-selected-page", textBundle(),
                              {asInt(currentPage_ + 1), asInt(scrollViews_.size())}));
}

// --- Pages ------------------------------------------------------------------------------------

// The pixels a page covers on screen at a zoom.
platform::Size CapturePreviewViewController::previewPixelSize(double zoom) const {
    const auto frame = outlets_.capturedImageScrollView->frame();
    auto window = outlets_.capturedImageScrollView->window();
    const double screenScale =
        window ? window->screenScale() : platform::Window::defaultScreenScale;
    return {frame.width() * screenScale * zoom, frame.height() * screenScale * zoom};
}

// A page first shows a picture as sharp as the unzoomed page needs; this one, sharp enough for
// the largest zoom, replaces it when it is ready, unless the page shows another picture by then.
void CapturePreviewViewController::refinePage(std::size_t at) {
    if (at >= imageViews_.size()) {
        return;
    }
    const auto shown = imageViews_[at]->image();
    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    viewModel_->previewImageLater(at, previewPixelSize(maximumZoom),
                                  [weakSelf, at, shown](std::shared_ptr<platform::Image> sharper) {
                                      auto self = weakSelf.lock();
                                      if (!self || !sharper || at >= self->imageViews_.size() ||
                                          self->imageViews_[at]->image() != shown) {
                                          return;
                                      }
                                      self->imageViews_[at]->setImage(std::move(sharper));
                                  });
}

void CapturePreviewViewController::buildPages() {
    pagesBuilt_ = true;
    auto& outer = *outlets_.capturedImageScrollView;
    const double w = outer.frame().width();
    const double h = outer.frame().height();
    const auto& group = *viewModel_->imageGroup;
    const std::size_t n = group.count();

    std::weak_ptr<platform::ScrollViewDelegate> self =
        std::static_pointer_cast<platform::ScrollViewDelegate>(strongSelf());
    const auto previews = viewModel_->previewImages(previewPixelSize(minimumZoom));
    for (std::size_t i = 0; i < n; ++i) {
        auto page = platform::ScrollView::make(platform::Rect::make(i * w, 0, w, h));
        page->setMinimumZoomScale(minimumZoom);
        page->setMaximumZoomScale(maximumZoom);
        page->setZoomScale(1.0);
        page->setContentSize({w, h});
        page->setDelegate(self);
        page->setShowsHorizontalScrollIndicator(false);
        page->setShowsVerticalScrollIndicator(false);
        addGestureHandlerToScrollView(page);

        const auto& image = previews[i];
        if (!image) {
            Logger::capture().error(
                "Failed to display a filtered image %d on the capture preview screen", asInt(i));
            break;
        }
        auto imageView = platform::ImageView::make(image, platform::Rect::make(0, 0, w, h));
        imageView->setContentMode(platform::ContentMode::scaleAspectFit);
        page->addSubview(imageView);
        imageViews_.push_back(imageView);
        scrollViews_.push_back(page);
        outer.addSubview(page);
    }

    // Everything below follows the pages actually built.
    const std::size_t built = scrollViews_.size();
    outer.setContentSize({static_cast<double>(built) * w, h});
    outlets_.pageIndicator->setNumberOfPages(asInt(built));
    if (built == 0) {
        currentPage_ = 0;
        updatePageButtons();
        return;
    }
    std::size_t start = viewModel_->startingIndex.value_or(built - 1);
    if (start >= built) {
        Logger::capture().error(
            "The preview cannot open on page %d: %d page(s) are shown; it opens on page %d",
            asInt(start), asInt(built), asInt(built - 1));
        start = built - 1;
    }
    currentPage_ = std::min(currentPage_, built - 1);
    updatePage(start, false);
    outer.scrollRectToVisible(scrollViews_[start]->frame(), false);
    for (std::size_t i = 0; i < built; ++i) {
        refinePage(i);
    }
}

void CapturePreviewViewController::addGestureHandlerToScrollView(
    const std::shared_ptr<platform::ScrollView>& scrollView) {
    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    auto doubleTap = platform::TapGestureRecognizer::make([weakSelf](auto& recognizer) {
        if (auto self = weakSelf.lock()) {
            self->handleDoubleTapScrollView(recognizer);
        }
    });
    doubleTap->setNumberOfTapsRequired(2);
    scrollView->addGestureRecognizer(doubleTap);
}

void CapturePreviewViewController::updatePage(std::size_t to, bool scroll) {
    if (scrollViews_.empty()) {
        return;
    }
    to = std::min(to, scrollViews_.size() - 1);
    if (currentPage_ < scrollViews_.size()) {
        scrollViews_[currentPage_]->setZoomScale(1.0, false);
    }
    currentPage_ = to;
    outlets_.pageIndicator->setCurrentPage(asInt(to));
    updatePageButtons();
    updateHeadline();
    if (scroll) {
        outlets_.capturedImageScrollView->scrollRectToVisible(scrollViews_[to]->frame(), true);
    }
}

void CapturePreviewViewController::updatePageButtons() {
    outlets_.previousPageButton->setEnabled(currentPage_ >= 1 && !scrollViews_.empty());
    outlets_.nextPageButton->setEnabled(currentPage_ + 1 < scrollViews_.size());
    applyPageButtonAccessibility();
}

void CapturePreviewViewController::changePageButtonPressed(platform::Button& sender) {
    const bool previous = &sender == outlets_.previousPageButton.get();
    const long long target = static_cast<long long>(currentPage_) + (previous ? -1 : 1);
    if (target < 0 || target >= static_cast<long long>(scrollViews_.size())) {
        return;
    }
    updatePage(static_cast<std::size_t>(target), true);
    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    performDelayedIfVoiceover(announcementDelay, [weakSelf] {
        if (auto self = weakSelf.lock()) {
            self->announcePage();
        }
    });
}

void CapturePreviewViewController::pageChanged(platform::PageControl& sender) {
    if (sender.currentPage() < 0) {
        return;
    }
    updatePage(static_cast<std::size_t>(sender.currentPage()), true);
}

std::optional<std::size_t> CapturePreviewViewController::pageForOffset(double contentOffsetX,
                                                                       double pageWidth) {
    if (!(pageWidth > 0) || !std::isfinite(pageWidth) || !std::isfinite(contentOffsetX)) {
        return std::nullopt;
    }
    const double page = std::floor((contentOffsetX - pageWidth * 0.5) / pageWidth) + 1;
    return page < 0 ? 0 : static_cast<std::size_t>(page);
}

void CapturePreviewViewController::scrollViewDidEndDecelerating(platform::ScrollView& scrollView) {
    auto& outer = *outlets_.capturedImageScrollView;
    if (&scrollView != &outer) {
        return;
    }
    if (auto page = pageForOffset(outer.contentOffset().x, outer.frame().width())) {
        updatePage(*page, false);
    }
}

// Each page zooms its own image: the outer pager does not zoom, and a page answers with its own
// image view even while another page is the current one (mid-swipe).
std::shared_ptr<platform::View> CapturePreviewViewController::viewForZooming(
    platform::ScrollView& scrollView) {
    for (std::size_t i = 0; i < scrollViews_.size(); ++i) {
        if (scrollViews_[i].get() == &scrollView) {
            return imageViews_[i];
        }
    }
    return nullptr;
}

void CapturePreviewViewController::scrollViewDidEndZooming(platform::ScrollView& scrollView,
                                                           platform::View*, double) {
    for (std::size_t i = 0; i < scrollViews_.size(); ++i) {
        if (scrollViews_[i].get() == &scrollView) {
            scrollView.setContentSize(imageViews_[i]->frame().size);
            return;
        }
    }
}

void CapturePreviewViewController::handleDoubleTapScrollView(
    platform::GestureRecognizer& recognizer) {
    auto page = std::dynamic_pointer_cast<platform::ScrollView>(recognizer.view());
    if (!page) {
        return;
    }
    if (page->zoomScale() == 1.0) {
        const auto frame = page->frame();
        const platform::Size size{frame.width() / page->maximumZoomScale(),
                                  frame.height() / page->maximumZoomScale()};
        const auto zoomingView = viewForZooming(*page);
        const auto tap = recognizer.location(zoomingView ? zoomingView.get() : page.get());
        page->zoom(platform::Rect{{tap.x - size.width * 0.5, tap.y - size.height * 0.5}, size},
                   true);
    } else {
        page->setZoomScale(1.0, true);
    }
}

void CapturePreviewViewController::updatePreviewImage(std::size_t at) {
    if (at >= imageViews_.size()) {
        Logger::capture().error(
            "Cannot show page %d again on the capture preview screen: it shows %d page(s)",
            asInt(at), asInt(imageViews_.size()));
        return;
    }
    auto image = viewModel_->previewImage(at, previewPixelSize(minimumZoom));
    if (!image) {
        // The page shows what Done hands back rather than a blank or an outdated picture.
        Logger::capture().error(
            "Failed to display a filtered image %d on the capture preview screen", asInt(at));
        image = viewModel_->imageGroup->image(at, false);
    }
    imageViews_[at]->setImage(image);
    refinePage(at);
}

// --- Buttons and alerts -----------------------------------------------------------------------

void CapturePreviewViewController::iconButtonPressed(IconButton& button) {
    const auto& group = viewModel_->imageGroup;
    if (&button == outlets_.retakeButton.get()) {
        if (currentPage_ >= group->count()) {
            return;
        }
        if (auto delegate = delegate_.lock()) {
            delegate->capturePreviewRetakeImage(currentPage_, group);
        }
    } else if (&button == outlets_.cropButton.get()) {
        crop();
    } else if (&button == outlets_.addPageButton.get()) {
        if (auto delegate = delegate_.lock()) {
            delegate->capturePreviewUpdated(group);
        }
    }
}

void CapturePreviewViewController::showBlurAlert() {
    auto alert =
        platform::AlertController::make(text("blur-error-title"), text("blur-error-message"));
    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    alert->addAction({text("blur-error-retake"), platform::AlertActionStyle::destructive,
                      [weakSelf](const platform::AlertAction&) {
                          auto self = weakSelf.lock();
                          if (!self ||
                              self->currentPage_ >= self->viewModel_->imageGroup->count()) {
                              return;
                          }
                          if (auto delegate = self->delegate_.lock()) {
                              delegate->capturePreviewRetakeImage(self->currentPage_,
                                                                  self->viewModel_->imageGroup);
                          }
                      }});
    alert->addAction({text("blur-error-keep"), platform::AlertActionStyle::defaultStyle, {}});
    present(alert, true);
}

void CapturePreviewViewController::goBack() {
    showDestructiveAlert();
}

void CapturePreviewViewController::showDestructiveAlert() {
    auto alert = platform::AlertController::make(std::nullopt, text("discard-image-alert-message"));
    std::weak_ptr<CapturePreviewViewController> weakSelf = strongSelf();
    alert->addAction({text("discard-image-alert-confirm"), platform::AlertActionStyle::destructive,
                      [weakSelf](const platform::AlertAction&) {
                          auto self = weakSelf.lock();
                          if (!self) {
                              return;
                          }
                          if (auto delegate = self->delegate_.lock()) {
                              delegate->capturePreviewDiscardImages();
                          }
                      }});
    alert->addAction(
        {text("discard-image-alert-cancel"), platform::AlertActionStyle::defaultStyle, {}});
    present(alert, true);
}

void CapturePreviewViewController::donePressed() {
    if (auto delegate = delegate_.lock()) {
        delegate->capturePreviewPhotosReady(viewModel_->imageGroup->allImages());
    }
}

// --- Crop ------------------------------------------------------------------------------------

void CapturePreviewViewController::crop() {
    const auto& group = *viewModel_->imageGroup;
    if (currentPage_ >= group.count() || currentPage_ >= scrollViews_.size()) {
        return;
    }
    const auto& page = group[currentPage_];
    auto screen =
        CropViewController::make(page->originalImage(), viewModel_->theme, page->cropCorners,
                                 page->captureType() == CaptureType::automatic);
    screen->setDelegate(std::static_pointer_cast<CropViewControllerDelegate>(strongSelf()));
    if (auto navigation = navigationController()) {
        navigation->pushViewController(screen, false);
    }
}

void CapturePreviewViewController::cropViewControllerCroppedImage(
    std::shared_ptr<platform::Image> image, const std::vector<platform::Point>& corners) {
    if (currentPage_ >= viewModel_->imageGroup->count()) {
        return;
    }
    viewModel_->imageGroup->setCroppedImage(std::move(image), currentPage_, corners);
    updatePreviewImage(currentPage_);
}

void CapturePreviewViewController::cropViewControllerDetectedCornerPoints(
    const std::vector<platform::Point>& points) {
    if (currentPage_ >= viewModel_->imageGroup->count()) {
        return;
    }
    viewModel_->imageGroup->setCropCorners(points, currentPage_);
}

}  // namespace quorvel
