#include <gtest/gtest.h>

#include "Platform/Log/ScopedLogCapture.h"
#include "Platform/UI/AlertController.h"
#include "Platform/UI/Button.h"
#include "Platform/UI/UIDriver.h"
#include "PreviewTestSupport.h"
#include "Source/Crop/ViewControllers/CropViewController.h"

using namespace quorvel;
using namespace previewtest;
namespace ui = quorvel::platform;

namespace {

std::vector<std::string> announcements() {
    std::vector<std::string> texts;
    for (const auto& post : ui::Accessibility::postedNotifications()) {
        if (post.notification == ui::AccessibilityNotification::announcement) {
            texts.push_back(post.text());
        }
    }
    return texts;
}

std::shared_ptr<ui::AlertController> presentedAlert(ui::ViewController& screen) {
    return std::dynamic_pointer_cast<ui::AlertController>(screen.presentedViewController());
}

}  // namespace

// --- Building and paging --------------------------------------------------------------------

TEST_F(PreviewScreenTest, OpensOnTheNewestPageWithItsHeadlineAndPageButtons) {
    addPages(3);
    open();
    EXPECT_EQ(preview->currentPage(), 2u);
    EXPECT_EQ(headline(), "Page 3 of 3");
    EXPECT_EQ(preview->scrollViews().size(), 3u);
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentOffset().x, 2 * pageWidth());
    EXPECT_EQ(outlets().capturedImageScrollView->contentSize().width, 3 * pageWidth());
    EXPECT_EQ(outlets().pageIndicator->numberOfPages(), 3);
    EXPECT_EQ(outlets().pageIndicator->currentPage(), 2);
    EXPECT_TRUE(outlets().previousPageButton->isEnabled());
    EXPECT_FALSE(outlets().nextPageButton->isEnabled());
    EXPECT_EQ(outlets().nextPageButton->accessibilityLabel(), "Next page, none left");
    EXPECT_EQ(outlets().previousPageButton->accessibilityLabel(), "Previous page");
    EXPECT_FALSE(outlets().paginationBar->isHidden());
    // Each page shows its picture greyed, aspect-fit.
    for (const auto& imageView : preview->imageViews()) {
        ASSERT_TRUE(imageView->image());
        EXPECT_EQ(imageView->contentMode(), ui::ContentMode::scaleAspectFit);
        const auto pixel = imageView->image()->bitmap()->pixel(150, 10);
        EXPECT_NEAR(pixel.red, pixel.green, 0.02);
    }
}

TEST_F(PreviewScreenTest, OpensOnTheStartingPage) {
    addPages(3);
    open(CaptureDocumentType::normal, 0);
    EXPECT_EQ(preview->currentPage(), 0u);
    EXPECT_EQ(headline(), "Page 1 of 3");
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentOffset().x, 0);
    EXPECT_FALSE(outlets().previousPageButton->isEnabled());
    EXPECT_EQ(outlets().previousPageButton->accessibilityLabel(),
              "Previous page, this is the first");
    EXPECT_TRUE(outlets().nextPageButton->isEnabled());
}

TEST_F(PreviewScreenTest, OnePageHidesPagingAndDisablesBothButtons) {
    addPages(1);
    open();
    EXPECT_TRUE(outlets().paginationBar->isHidden());
    EXPECT_FALSE(outlets().previousPageButton->isEnabled());
    EXPECT_FALSE(outlets().nextPageButton->isEnabled());
    EXPECT_EQ(outlets().previousPageButton->accessibilityLabel(),
              "Previous page, this is the first");
    EXPECT_EQ(headline(), "Page 1 of 1");
}

TEST_F(PreviewScreenTest, PageButtonsStepAndAnnounceButNotPastTheEnd) {
    addPages(3);
    open(CaptureDocumentType::normal, 0);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().nextPageButton));
    settle();
    EXPECT_EQ(preview->currentPage(), 1u);
    EXPECT_EQ(headline(), "Page 2 of 3");
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentOffset().x, pageWidth());
    EXPECT_EQ(announcements(), std::vector<std::string>{"Showing page 2 of 3"});

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().nextPageButton));
    settle();
    EXPECT_EQ(preview->currentPage(), 2u);
    ui::Accessibility::clearPosted();
    // Disabled at the end: a press does nothing and says nothing.
    preview->changePageButtonPressed(*outlets().nextPageButton);
    settle();
    EXPECT_EQ(preview->currentPage(), 2u);
    EXPECT_TRUE(announcements().empty());

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().previousPageButton));
    settle();
    EXPECT_EQ(preview->currentPage(), 1u);
}

TEST_F(PreviewScreenTest, ThePageControlChangesThePageWithoutAnnouncing) {
    addPages(3);
    open(CaptureDocumentType::normal, 0);
    outlets().pageIndicator->setCurrentPage(2);
    outlets().pageIndicator->sendActions(ui::ControlEvent::valueChanged);
    settle();
    EXPECT_EQ(preview->currentPage(), 2u);
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentOffset().x, 2 * pageWidth());
    EXPECT_TRUE(announcements().empty());
}

TEST(PreviewSwipe, LandsOnTheNearestPageNeverBelowTheFirst) {
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(1.4 * 390, 390), 1u);
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(1.6 * 390, 390), 2u);
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(-50, 390), 0u);
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(0, 390), 0u);
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(100, 0), std::nullopt);
    EXPECT_EQ(CapturePreviewViewController::pageForOffset(100, -1), std::nullopt);
}

TEST_F(PreviewScreenTest, SwipingThroughTheWindowChangesThePage) {
    addPages(3);
    open(CaptureDocumentType::normal, 0);
    // A drag past half a page.
    const auto& pages = *outlets().capturedImageScrollView;
    const double y = pages.bounds().height() / 2;
    ASSERT_TRUE(ui::UIDriver::pan(pages, {pages.bounds().minX() + 330, y},
                                  {pages.bounds().minX() + 90, y}));
    settle();
    EXPECT_EQ(preview->currentPage(), 1u);
    EXPECT_EQ(headline(), "Page 2 of 3");
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentOffset().x, pageWidth());
}

// --- Zoom -----------------------------------------------------------------------------------

TEST_F(PreviewScreenTest, DoubleTapZoomsAroundTheTapAndBackAndAPageChangeResetsIt) {
    addPages(2);
    open(CaptureDocumentType::normal, 0);
    auto page = preview->scrollViews()[0];
    const ui::Point tap{100, 150};
    ASSERT_TRUE(ui::UIDriver::doubleTap(*page, tap));
    settle();
    EXPECT_DOUBLE_EQ(page->zoomScale(), 2.0);
    // The tap point stays under the finger: the visible rectangle is centred on it.
    const auto visible = page->bounds();
    EXPECT_NEAR(visible.midX(), tap.x * 2, 1.0);
    EXPECT_NEAR(visible.midY(), tap.y * 2, 1.0);
    EXPECT_EQ(page->contentSize(), preview->imageViews()[0]->frame().size);

    ASSERT_TRUE(ui::UIDriver::doubleTap(*page, tap));
    settle();
    EXPECT_DOUBLE_EQ(page->zoomScale(), 1.0);

    ASSERT_TRUE(ui::UIDriver::doubleTap(*page, tap));
    settle();
    ASSERT_DOUBLE_EQ(page->zoomScale(), 2.0);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().nextPageButton));
    settle();
    EXPECT_DOUBLE_EQ(page->zoomScale(), 1.0);
}

TEST_F(PreviewScreenTest, EachPageZoomsItsOwnImageAndThePagerNone) {
    addPages(2);
    open(CaptureDocumentType::normal, 0);
    EXPECT_EQ(preview->viewForZooming(*outlets().capturedImageScrollView), nullptr);
    EXPECT_EQ(preview->viewForZooming(*preview->scrollViews()[1]), preview->imageViews()[1]);
    // A pinch on the second page while the first is current zooms the second page's image.
    preview->scrollViews()[1]->pinch({100, 100}, 1.5);
    EXPECT_DOUBLE_EQ(preview->scrollViews()[1]->zoomScale(), 1.5);
    EXPECT_DOUBLE_EQ(preview->imageViews()[1]->frame().width(), pageWidth() * 1.5);
    EXPECT_DOUBLE_EQ(preview->imageViews()[0]->frame().width(), pageWidth());
}

// --- Buttons, labels and features --------------------------------------------------------------

TEST_F(PreviewScreenTest, VisibleToolButtonsShareOneCaptionSize) {
    addPages(3);
    open();
    EXPECT_TRUE(outlets().addPageButton->isHidden());
    EXPECT_FALSE(outlets().retakeButton->isHidden());
    EXPECT_FALSE(outlets().cropButton->isHidden());
    EXPECT_EQ(outlets().retakeButton->textLabel()->effectiveFont().pointSize(),
              outlets().cropButton->textLabel()->effectiveFont().pointSize());
}

TEST_F(PreviewScreenTest, OnlyRetakeWithBothSwitchesOff) {
    features->setEnableAddPage(false);
    features->setEnableCrop(false);
    addPages(1);
    open();
    EXPECT_TRUE(outlets().addPageButton->isHidden());
    EXPECT_TRUE(outlets().cropButton->isHidden());
    EXPECT_FALSE(outlets().retakeButton->isHidden());
    EXPECT_FALSE(outlets().doneButton->isHidden());
}

TEST_F(PreviewScreenTest, OnePageReadsWithoutPagingOrHiddenTools) {
    features->setEnableAddPage(false);
    addPages(1);
    open();
    std::vector<std::string> labels;
    for (const auto& element : ui::Accessibility::orderedElements(preview->view())) {
        labels.push_back(element->accessibilityLabel());
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Page 1 of 1", "Back", "Retake", "Crop", "Done"}));
}

TEST_F(PreviewScreenTest, ALongCapturesFirstSectionOffersNext) {
    addPages(1);
    open(CaptureDocumentType::longFirst);
    EXPECT_TRUE(outlets().addPageButton->isHidden());
    EXPECT_TRUE(outlets().cropButton->isHidden());
    EXPECT_EQ(outlets().doneButton->title(ui::ControlState::normal), "Next");
    EXPECT_EQ(outlets().doneButton->accessibilityHint(),
              "Keeps this section and goes on to photograph the second one.");
}

TEST_F(PreviewScreenTest, ALibraryPictureOffersEveryTool) {
    addPages(1);
    open(CaptureDocumentType::album);
    EXPECT_FALSE(outlets().addPageButton->isHidden());
    EXPECT_FALSE(outlets().retakeButton->isHidden());
    EXPECT_FALSE(outlets().cropButton->isHidden());
    EXPECT_EQ(outlets().doneButton->title(ui::ControlState::normal), "Done");
    EXPECT_EQ(
        outlets().doneButton->frame().size,
        (ui::Size{theme->capturePreviewDoneButtonWidth, theme->capturePreviewDoneButtonHeight}));
}

TEST_F(PreviewScreenTest, ToolButtonsReachTheDelegate) {
    addPages(2);
    open(CaptureDocumentType::album, 0);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().retakeButton));
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().addPageButton));
    settle();
    EXPECT_EQ(recorder->retakes, std::vector<std::size_t>{0});
    EXPECT_EQ(recorder->updated, 1);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    ASSERT_EQ(recorder->ready.size(), 1u);
    EXPECT_EQ(recorder->ready[0], group->allImages());
}

TEST_F(PreviewScreenTest, ReadsAsHeadlineBackPagesPagingToolsAndDone) {
    addPages(2);
    open(CaptureDocumentType::album);
    const auto elements = ui::Accessibility::orderedElements(preview->view());
    std::vector<std::string> labels;
    for (const auto& element : elements) {
        labels.push_back(element->accessibilityLabel());
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Page 2 of 2", "Back", "Previous page",
                                                "Page 2 of 2", "Next page, none left", "Add page",
                                                "Retake", "Crop", "Done"}));
    EXPECT_TRUE(
        ui::contains(outlets().titleLabel->accessibilityTraits(), ui::AccessibilityTraits::header));
    EXPECT_EQ(outlets().backButton->accessibilityHint(),
              "Returns to the camera after asking whether to discard the pages.");
    // The screen was announced by its headline.
    bool screenChanged = false;
    for (const auto& post : ui::Accessibility::postedNotifications()) {
        screenChanged |= post.notification == ui::AccessibilityNotification::screenChanged &&
                         !post.text().empty();
    }
    EXPECT_TRUE(screenChanged);
}

// --- Alerts ---------------------------------------------------------------------------------

TEST_F(PreviewScreenTest, TheBlurAlertsRetakeReachesTheDelegateForTheShownPage) {
    addPages(2);
    open();
    preview->showBlurAlert();
    settle();
    auto alert = presentedAlert(*preview);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->alertTitle(), "Blurry photo");
    EXPECT_EQ(alert->message(), "The photo looks blurry. Take it again for a sharper page?");
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*alert, "Retake"));
    settle();
    EXPECT_EQ(recorder->retakes, std::vector<std::size_t>{1});
    EXPECT_EQ(preview->presentedViewController(), nullptr);

    preview->showBlurAlert();
    settle();
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*presentedAlert(*preview), "Keep"));
    settle();
    EXPECT_EQ(recorder->retakes.size(), 1u);
}

TEST_F(PreviewScreenTest, BackAsksBeforeDiscarding) {
    addPages(1);
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    settle();
    auto alert = presentedAlert(*preview);
    ASSERT_TRUE(alert);
    EXPECT_FALSE(alert->alertTitle());
    EXPECT_EQ(alert->message(), "Discard the pages taken so far?");
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*alert, "Cancel"));
    settle();
    EXPECT_EQ(recorder->discarded, 0);

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    settle();
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*presentedAlert(*preview), "Discard"));
    settle();
    EXPECT_EQ(recorder->discarded, 1);
}

TEST_F(PreviewScreenTest, AlertActionsDoNothingOnceTheDelegateIsGone) {
    addPages(1);
    open();
    preview->showBlurAlert();
    settle();
    recorder.reset();
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(*presentedAlert(*preview), "Retake"));
    settle();
    SUCCEED();
}

// --- Crop hand-off ----------------------------------------------------------------------------

TEST_F(PreviewScreenTest, CropShowsTheFilteredCropAndDoneReturnsItUnfiltered) {
    addPages(2, CaptureType::automatic);
    open(CaptureDocumentType::normal, 1);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().cropButton));
    settle();
    auto crop = std::dynamic_pointer_cast<CropViewController>(navigation->topViewController());
    ASSERT_TRUE(crop);
    EXPECT_EQ(crop->viewModel()->image(), (*group)[1]->originalImage());
    EXPECT_TRUE(crop->viewModel()->autoCaptured());
    // The automatic page's placement was reported and stored on the page.
    ASSERT_TRUE((*group)[1]->cropCorners);
    EXPECT_EQ((*group)[1]->cropCorners->size(), 4u);

    ASSERT_TRUE(ui::UIDriver::tap(*crop->outlets().doneButton));
    settle();
    EXPECT_EQ(navigation->topViewController(), preview);
    ASSERT_TRUE((*group)[1]->croppedImage);
    EXPECT_FALSE((*group)[0]->croppedImage);
    // Shown filtered: grey.
    const auto shown = preview->imageViews()[1]->image();
    ASSERT_TRUE(shown);
    EXPECT_NE(shown, (*group)[1]->croppedImage);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().doneButton));
    settle();
    ASSERT_EQ(recorder->ready.size(), 1u);
    EXPECT_EQ(recorder->ready[0][1], (*group)[1]->croppedImage);
    EXPECT_EQ(recorder->ready[0][0], (*group)[0]->originalImage());
}

TEST_F(PreviewScreenTest, ReopeningCropStartsFromTheStoredCorners) {
    addPages(1, CaptureType::automatic);
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().cropButton));
    settle();
    auto first = std::dynamic_pointer_cast<CropViewController>(navigation->topViewController());
    ASSERT_TRUE(first);
    ASSERT_TRUE(ui::UIDriver::tap(*first->outlets().cancelButton));
    settle();
    EXPECT_FALSE((*group)[0]->croppedImage);
    const auto stored = (*group)[0]->cropCorners;
    ASSERT_TRUE(stored);
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().cropButton));
    settle();
    auto second = std::dynamic_pointer_cast<CropViewController>(navigation->topViewController());
    ASSERT_TRUE(second);
    EXPECT_EQ(second->viewModel()->startingCorners(), stored);
    EXPECT_FALSE(second->outlets().loader->isAnimating());
}

// --- Pages that are not there -------------------------------------------------------------------

TEST_F(PreviewScreenTest, AnEmptyGroupShowsNoPageAndDoesNothing) {
    open();
    EXPECT_TRUE(preview->scrollViews().empty());
    EXPECT_EQ(outlets().capturedImageScrollView->contentSize().width, 0);
    EXPECT_FALSE(outlets().nextPageButton->isEnabled());
    EXPECT_FALSE(outlets().previousPageButton->isEnabled());
    preview->iconButtonPressed(*outlets().retakeButton);
    preview->iconButtonPressed(*outlets().cropButton);
    preview->scrollViewDidEndDecelerating(*outlets().capturedImageScrollView);
    preview->updatePreviewImage(0);
    settle();
    EXPECT_TRUE(recorder->retakes.empty());
    EXPECT_EQ(navigation->topViewController(), preview);
}

TEST_F(PreviewScreenTest, AStartingPageOutsideTheGroupOpensOnTheLastWithOneLog) {
    addPages(2);
    ui::ScopedLogCapture log;
    open(CaptureDocumentType::normal, 7);
    EXPECT_EQ(preview->currentPage(), 1u);
    EXPECT_EQ(headline(), "Page 2 of 2");
    std::size_t errors = 0;
    for (const auto& record : log.records()) {
        errors += record.level == ui::LogLevel::error;
    }
    EXPECT_EQ(errors, 1u);
}

TEST_F(PreviewScreenTest, BuildingStopsAtAPageWithoutAPictureAndPagingFollowsThePagesBuilt) {
    addPages(3);
    ui::ScopedLogCapture log;
    // The second page's picture cannot be made.
    const ui::Image* second = (*group)[1]->originalImage().get();
    open(CaptureDocumentType::normal, std::nullopt, [second](CapturePreviewViewController& screen) {
        screen.viewModel().setRenderer([second](const ui::Image& image, ui::Size size) {
            return &image == second ? nullptr
                                    : CapturePreviewViewModel::renderFiltered(image, size);
        });
    });
    ASSERT_EQ(preview->scrollViews().size(), 1u);
    EXPECT_EQ(preview->currentPage(), 0u);
    EXPECT_EQ(headline(), "Page 1 of 1");
    EXPECT_DOUBLE_EQ(outlets().capturedImageScrollView->contentSize().width, pageWidth());
    EXPECT_EQ(outlets().pageIndicator->numberOfPages(), 1);
    EXPECT_FALSE(outlets().nextPageButton->isEnabled());

    // Later layouts neither build again nor log again.
    preview->view()->setNeedsLayout();
    window->layoutIfNeeded();
    preview->view()->setNeedsLayout();
    window->layoutIfNeeded();
    std::vector<std::string> failures;
    for (const auto& message : log.messages()) {
        if (message.find("Failed to display a filtered image") != std::string::npos) {
            failures.push_back(message);
        }
    }
    EXPECT_EQ(failures, std::vector<std::string>{
                            "Failed to display a filtered image 1 on the capture preview screen"});

    // Every page target stays within the page built.
    outlets().pageIndicator->setCurrentPage(2);
    preview->pageChanged(*outlets().pageIndicator);
    outlets().capturedImageScrollView->setContentOffset({2 * pageWidth(), 0});
    preview->scrollViewDidEndDecelerating(*outlets().capturedImageScrollView);
    EXPECT_EQ(preview->currentPage(), 0u);
    preview->updatePreviewImage(2);
    settle();
}

TEST_F(PreviewScreenTest, AMissingFilteredPictureAfterACropShowsTheCropItself) {
    addPages(1);
    open();
    preview->viewModel().setRenderer([](const ui::Image&, ui::Size) { return nullptr; });
    auto crop = pagePicture(5, 120, 160);
    preview->cropViewControllerCroppedImage(crop, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    EXPECT_EQ(preview->imageViews()[0]->image(), crop);
}

// --- Text size --------------------------------------------------------------------------------

TEST_F(PreviewScreenTest, ATextSizeChangeRethemesAndTheObserverGoesWithTheScreen) {
    addPages(1);
    open();
    auto center = ui::NotificationCenter::defaultCenter();
    const auto before = center->observerCount();
    const auto* oldThemes = preview->viewModel().buttonThemes.get();
    ui::TextSizeSetting::set(ui::ContentSizeCategory::accessibilityExtraLarge);
    EXPECT_NE(preview->viewModel().buttonThemes.get(), oldThemes);
    ui::TextSizeSetting::set(ui::ContentSizeCategory::large);

    window.reset();
    navigation.reset();
    preview.reset();
    ui::MainRunLoop::runUntilIdle();
    EXPECT_LT(center->observerCount(), before);
}

// --- Picture sharpness ------------------------------------------------------------------------

TEST_F(PreviewScreenTest, APageShowsAScreenSizedPictureThenOneSharpEnoughForZooming) {
    group->append(std::make_shared<CapturedImage>(pagePicture(0, 3000, 4000), CaptureType::manual));
    open();
    const auto& view = *preview->imageViews()[0];
    // Shown again (as after a crop): at once at the screen's pixels, later sharper.
    preview->updatePreviewImage(0);
    ASSERT_TRUE(view.image());
    EXPECT_LE(view.image()->bitmap()->width(), pageWidth() * 3);
    ASSERT_TRUE(ui::MainRunLoop::runUntil(
        [&] { return view.image() && view.image()->bitmap()->width() > pageWidth() * 3 + 1; },
        60s));
    EXPECT_LE(view.image()->bitmap()->width(), pageWidth() * 6);
}
