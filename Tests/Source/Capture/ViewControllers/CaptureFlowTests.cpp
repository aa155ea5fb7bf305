#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "CaptureFlowTestSupport.h"
#include "Platform/Camera/CameraError.h"
#include "Platform/UI/AlertController.h"
#include "Source/Capture/Views/CaptureCircle.h"
#include "Source/Configuration/ImageLookup.h"
#include "Source/Configuration/ResourceBundle.h"
#include "Support/TemporaryBundle.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testsupport::CaptureFlowTest;
namespace ui = quorvel::platform;

class CaptureFlow : public CaptureFlowTest {};

TEST_F(CaptureFlow, ThreePagesThenARetakeOfPageTwoReopensThePreviewOnPageTwo) {
    open();
    takeAutomaticShot();
    EXPECT_EQ(preview()->currentPage(), 0u);
    addPage();
    EXPECT_TRUE(outlets().normalCaptureButton->isHidden()) << "no mode change once pages exist";
    EXPECT_FALSE(outlets().previousPagesButton->isHidden());
    EXPECT_EQ(outlets().previousPagesCountLabel->text(), "1");
    takeAutomaticShot();
    addPage();
    takeAutomaticShot();
    ASSERT_EQ(model().capturedImages()->count(), 3u);
    EXPECT_EQ(preview()->currentPage(), 2u) << "the newest page first";
    const auto secondBefore = (*model().capturedImages())[1]->originalImage();

    tapElement("Previous page");
    ASSERT_EQ(preview()->currentPage(), 1u);
    tapElement("Retake");
    ASSERT_EQ(top(), navigation->viewController());
    EXPECT_EQ(model().retakeIndex, 1u);
    waitForRunningCamera();
    takeAutomaticShot();

    EXPECT_EQ(preview()->currentPage(), 1u) << "the retaken page is shown";
    ASSERT_EQ(model().capturedImages()->count(), 3u);
    EXPECT_NE((*model().capturedImages())[1]->originalImage(), secondBefore);
    EXPECT_FALSE(model().retakeIndex);

    tapElement("Done");
    EXPECT_EQ(host->calls, 0) << "the host hears after the dismissal";
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] { return host->calls == 1; }));
    EXPECT_TRUE(host->onMainThread);
    EXPECT_EQ(host->pages.size(), 3u);
    EXPECT_EQ(host->pages[1], (*model().capturedImages())[1]->originalImage());
    EXPECT_TRUE(messageLogged("Dismiss and return 3 image(s)"));
    EXPECT_EQ(hostScreen->presentedViewController(), nullptr);
    EXPECT_FALSE(model().captureSession()->isRunning());
}

TEST_F(CaptureFlow, TheOutlineLiesOnThePageAsThePreviewShowsIt) {
    open();
    const auto& preview = outlets().previewView;
    const auto area = preview->superview()->bounds();
    EXPECT_EQ(preview->frame(), area) << "the picture fills the whole area, without side bars";
    waitForSteadyOutline();

    // Where the page of the last frame is drawn: the frame fills the preview's bounds, cropped.
    const ui::Size frameSize{1080, 1920};
    const auto layer = preview->videoPreviewLayer();
    const auto picture =
        ui::VideoPreviewLayer::pictureRect(frameSize, layer->bounds(), layer->videoGravity());
    EXPECT_LE(picture.minX(), 0);
    EXPECT_GE(picture.maxX(), layer->bounds().maxX());
    const auto path = screen().detectionLayer()->path();
    ASSERT_TRUE(path);
    const auto corners = camera->scene()->pageCorners(frameSize, ui::VideoOrientation::portrait);
    for (std::size_t i = 0; i < corners.size(); ++i) {
        // Pixel centres sit half a pixel inside the pixel's edges.
        const ui::Point shown{picture.minX() + (corners[i].x + 0.5) * picture.width() / 1080,
                              picture.minY() + (corners[i].y + 0.5) * picture.height() / 1920};
        const auto drawn = path->elements().at(i).point;
        EXPECT_NEAR(drawn.x, shown.x, 2.0) << "corner " << i;
        EXPECT_NEAR(drawn.y, shown.y, 2.0) << "corner " << i;
    }
}

TEST_F(CaptureFlow, EveryCameraFrameAsksForARepaintInManualModeToo) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().autoCaptureButton));
    ASSERT_EQ(model().captureType, CaptureType::manual);
    turn();
    for (int i = 0; i < 2; ++i) {
        window->markDisplayed();
        const auto delivered = ui::VideoPreviewLayer::framesDelivered();
        ASSERT_EQ(camera->emitFrames(1), 1);
        EXPECT_EQ(ui::VideoPreviewLayer::framesDelivered(), delivered + 1);
        EXPECT_TRUE(window->needsDisplay()) << "frame " << i;
    }
}

// Up to the preview of a long receipt's first section.
class LongReceipt : public CaptureFlowTest {
protected:
    void firstSection() {
        open();
        tapElement("Long receipt");
        ASSERT_EQ(model().captureDocumentType, CaptureDocumentType::longFirst);
        auto toast = Toast::currentToast();
        ASSERT_NE(toast, nullptr);
        EXPECT_EQ(toast->titleLabel()->text(), "Long receipt: section 1 of 2");
        tapCapture();
        deliverPhotoToPreview();
        firstHeight = (*model().capturedImages())[0]->originalImage()->size().height;
    }
    void secondSection() {
        firstSection();
        tapElement("Next");
        ASSERT_TRUE(drive([&] { return top() == navigation->viewController(); }));
        waitForRunningCamera();
    }
    double firstHeight = 0;
};

TEST_F(LongReceipt, SecondSectionIsStackedUnderTheFirstIntoOnePage) {
    secondSection();
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::longSecond);
    EXPECT_NE(screen().firstSectionImage(), nullptr);
    EXPECT_FALSE(outlets().firstSectionTailImageView->isHidden());
    ASSERT_NE(outlets().firstSectionTailImageView->image(), nullptr);
    EXPECT_NEAR(outlets().firstSectionTailImageView->image()->size().height,
                CaptureViewController::Constants::firstSectionImageHeight, 1.0);
    EXPECT_NEAR(outlets().firstSectionTailImageView->frame().size.height,
                CaptureViewController::Constants::firstSectionImageHeight, 0.01);
    EXPECT_TRUE(outlets().normalCaptureButton->isHidden());
    EXPECT_EQ(
        outlets().backButton->currentImage(),
        ImageLookup::fromTheme("capture-back", model().theme().get(), ResourceBundle::resources()));
    auto toast = Toast::currentToast();
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->titleLabel()->text(), "Long receipt: section 2 of 2");

    tapCapture();
    deliverPhotoToPreview();
    ASSERT_EQ(model().capturedImages()->count(), 1u) << "one page for the whole receipt";
    const auto merged = (*model().capturedImages())[0]->originalImage();
    EXPECT_GT(merged->size().height, firstHeight * 1.5);

    tapElement("Done");
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] { return host->calls == 1; }));
    ASSERT_EQ(host->pages.size(), 1u);
    EXPECT_EQ(host->pages[0], merged);
}

TEST_F(LongReceipt, BackInTheSecondSectionReturnsToTheFirstSectionsPreview) {
    secondSection();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    turn();
    ASSERT_NE(preview(), nullptr);
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::longFirst);
    EXPECT_EQ(screen().firstSectionImage(), nullptr);
    EXPECT_NE(element("Next"), nullptr) << "the first section's preview again";
    EXPECT_EQ(model().capturedImages()->count(), 1u);
    EXPECT_EQ(outlets().previewView->videoPreviewLayer()->videoGravity(),
              ui::VideoGravity::resizeAspectFill)
        << "the picture fills the preview again";
    EXPECT_EQ(host->calls, 0);
}

TEST_F(CaptureFlow, LibraryPictureOpensTheAlbumPreviewAndRestoresTheMode) {
    open();
    tapElement("Photo library");
    auto picker =
        std::dynamic_pointer_cast<ui::ImagePickerController>(navigation->presentedViewController());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::album);
    EXPECT_FALSE(model().captureSession()->isRunning()) << "the camera rests while choosing";
    advance(ui::ViewController::transitionDuration);

    ASSERT_TRUE(ui::UIDriver::pickImage(*picker, testsupport::flowScene()->pageImage()));
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] { return preview() != nullptr; }));
    window->layoutIfNeeded();
    EXPECT_EQ(model().captureDocumentType, CaptureDocumentType::normal);
    ASSERT_EQ(model().capturedImages()->count(), 1u);
    EXPECT_EQ((*model().capturedImages())[0]->captureType(), CaptureType::manual);
    EXPECT_NE(element("Add page"), nullptr) << "a library page may get company";
    EXPECT_NE(element("Done"), nullptr);
}

TEST_F(CaptureFlow, CloseHandsBackAnEmptyListAfterTheDismissal) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton)) << "a second press";
    turn();
    EXPECT_EQ(host->calls, 0);
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] { return host->calls == 1; }));
    turn();
    EXPECT_EQ(host->calls, 1) << "the host hears once";
    EXPECT_TRUE(host->pages.empty());
    EXPECT_TRUE(messageLogged("Dismiss and return 0 image(s)"));
    EXPECT_FALSE(model().captureSession()->isRunning());
}

TEST_F(CaptureFlow, WithoutADelegateTheImagesAreDroppedAndLogged) {
    open();
    host.reset();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    turn();
    advance(ui::ViewController::transitionDuration);
    ASSERT_TRUE(drive([&] {
        return messageLogged(
            "The delegate is nil after module dismissal. The image(s) will be discarded");
    }));
}

TEST_F(CaptureFlow, TouchesAreBlockedFromTheRequestUntilThePage) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().autoCaptureButton));
    ASSERT_EQ(model().captureType, CaptureType::manual);
    tapCapture();
    EXPECT_FALSE(screen().view()->isUserInteractionEnabled()) << "blocked at the request";
    screen().capture();  // A second press (say from the keyboard) before the photo came.
    waitForPhotoRequest();
    ui::UIDriver::tap(*outlets().galleryButton);
    turn();
    EXPECT_EQ(navigation->presentedViewController(), nullptr) << "the screen takes no touches";
    --photosRequested;
    deliverPhotoToPreview();
    EXPECT_EQ(camera->photoRequestCount(), 1);
    EXPECT_TRUE(screen().view()->isUserInteractionEnabled());
    EXPECT_FALSE(messageLogged("Cannot capture image: a capture is already in progress"));
}

TEST_F(CaptureFlow, SpaceOrEnterTakesThePhotoWheneverTheCameraShows) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().autoCaptureButton));
    EXPECT_EQ(window->focusedView(), outlets().captureButton);
    ASSERT_TRUE(ui::UIDriver::key(*window, ui::Key::space));
    deliverPhotoToPreview();
    addPage();
    EXPECT_EQ(window->focusedView(), outlets().captureButton) << "after the preview too";
    ASSERT_TRUE(ui::UIDriver::key(*window, ui::Key::enter));
    deliverPhotoToPreview();
    EXPECT_EQ(model().capturedImages()->count(), 2u);
}

TEST_F(CaptureFlow, FailedShotGivesTouchesBack) {
    open();
    ASSERT_TRUE(ui::UIDriver::tap(*outlets().autoCaptureButton));
    camera->failNextPhoto(ui::CameraError{"The sensor overheated"});
    tapCapture();
    waitForPhotoRequest();
    ASSERT_TRUE(driveClock([&] { return screen().view()->isUserInteractionEnabled(); }));
    EXPECT_EQ(top(), navigation->viewController());
    EXPECT_TRUE(messageLogged("Received an error capturing image: The sensor overheated"));
    tapCapture();
    deliverPhotoToPreview();
    EXPECT_EQ(camera->photoRequestCount(), 2) << "the next press works";
}

TEST_F(CaptureFlow, FailedAutomaticShotGivesTouchesBackAndDropsTheCircle) {
    open();
    waitForSteadyOutline();
    advance(3.5);
    camera->failNextPhoto(ui::CameraError{"No light"});
    frame();
    EXPECT_FALSE(screen().view()->isUserInteractionEnabled()) << "blocked at the trigger";
    turn();
    EXPECT_NE(screen().captureLoadingCircle()->superlayer(), nullptr);
    waitForPhotoRequest();
    ASSERT_TRUE(driveClock([&] { return screen().view()->isUserInteractionEnabled(); }));
    EXPECT_EQ(screen().captureLoadingCircle()->superlayer(), nullptr);
    EXPECT_EQ(top(), navigation->viewController());
}

// A camera of one blurred photograph that offers RAW photos, so that shots are blur-tested.
class BlurryShot : public CaptureFlowTest {
protected:
    void SetUp() override {
        // In a folder of its own: the camera reads the file at every shot, and test programs run
        // side by side.
        const auto path = scratch.path() / "blurry-page.png";
        const auto& page = *testsupport::flowScene()->pageImage()->bitmap();
        cv::Mat bgra(page.height(), page.width(), CV_8UC4, const_cast<std::uint8_t*>(page.data()),
                     page.bytesPerRow());
        cv::Mat blurred;
        cv::GaussianBlur(bgra, blurred, cv::Size(0, 0), 25);
        ASSERT_TRUE(cv::imwrite(path.string(), blurred));
        camera = ui::SimulatedCameraDevice::fromPhoto(path);
        ASSERT_NE(camera, nullptr);
        camera->setFrameRate(0);
        camera->setPhotoSize(1600, 1200);
        camera->setSupportsRaw(true);
        ui::CaptureDevice::installSimulatedDevice(camera);
    }

    std::shared_ptr<ui::AlertController> alert() const {
        auto shown = preview();
        return shown ? std::dynamic_pointer_cast<ui::AlertController>(
                           shown->presentedViewController())
                     : nullptr;
    }

    void manualShot() {
        ASSERT_TRUE(ui::UIDriver::tap(*outlets().autoCaptureButton));
        tapCapture();
        waitForPhotoRequest();
    }

    testsupport::TemporaryBundle scratch{"BlurryShot"};
};

TEST_F(BlurryShot, AlertComesOnTheNextTurnWithoutAScreenReader) {
    open();
    manualShot();
    ASSERT_TRUE(driveClock([&] { return preview() != nullptr; }));
    const auto pushed = clock.now();
    ASSERT_TRUE(drive([&] { return alert() != nullptr; }));
    EXPECT_EQ(clock.now(), pushed) << "no waiting without a screen reader";
    EXPECT_EQ(alert()->alertTitle(), std::optional<std::string>("Blurry photo"));
}

TEST_F(BlurryShot, AlertWaitsOneSecondForTheScreenReader) {
    ui::Accessibility::setVoiceOverRunningOverride(true);
    open(CaptureFeatures::getInstance(), false);
    advance(0.2);
    waitForRunningCamera();
    manualShot();
    // The page itself comes 0.2 s after the photo with a screen reader.
    ASSERT_TRUE(driveClock([&] { return preview() != nullptr; }));
    const auto pushed = clock.now();
    ASSERT_TRUE(driveClock([&] { return alert() != nullptr; }, 50ms));
    const double waited = std::chrono::duration<double>(clock.now() - pushed).count();
    EXPECT_GE(waited, 1.0 - 1e-6);
    EXPECT_LT(waited, 1.1);
}

TEST_F(CaptureFlow, TextSizeChangeKeepsThePagesAndTheRunningCamera) {
    open();
    takeAutomaticShot();
    addPage();
    const auto engine = screen().viewModel();
    const double countSize = outlets().previousPagesCountLabel->font()->pointSize();
    ui::TextSizeSetting::set(ui::ContentSizeCategory::accessibilityExtraExtraLarge);
    turn();
    EXPECT_EQ(screen().viewModel(), engine);
    EXPECT_EQ(model().capturedImages()->count(), 1u);
    EXPECT_TRUE(model().captureSession()->isRunning());
    EXPECT_EQ(outlets().previousPagesCountLabel->text(), "1");
    EXPECT_GT(outlets().previousPagesCountLabel->font()->pointSize(), countSize)
        << "the count grows with the text size";
}

TEST_F(CaptureFlow, NewConfigurationMidFlowKeepsThePagesAndRunsTheNewCamera) {
    open();
    takeAutomaticShot();
    addPage();
    const auto old = screen().viewModel();
    auto features = CaptureFeatures::getInstance();
    features->setEnableFlash(false);
    auto replacement =
        std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{}, features);
    navigation->setConfig(replacement);
    EXPECT_EQ(navigation->config(), replacement);
    EXPECT_FALSE(old->captureSession()->isRunning()) << "no unseen camera left running";
    ASSERT_TRUE(drive([&] { return model().captureSession()->isRunning(); }));
    EXPECT_EQ(model().capturedImages()->count(), 1u);
    turn();
    EXPECT_TRUE(outlets().flashButton->isHidden());
    takeAutomaticShot();
    EXPECT_EQ(model().capturedImages()->count(), 2u);
}

}  // namespace
}  // namespace quorvel
