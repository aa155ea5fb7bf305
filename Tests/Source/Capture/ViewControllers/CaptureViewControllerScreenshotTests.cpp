#include <gtest/gtest.h>

#include "CaptureFlowTestSupport.h"
#include "Support/UITestEnvironment.h"

namespace quorvel {
namespace {

using testsupport::CaptureFlowTest;
namespace ui = quorvel::platform;

// Pictures of the camera screen for a person to look at, in <build>/screenshots.
class CameraScreenshots : public CaptureFlowTest {
protected:
    // The window as drawn once every animation has ended.
    void save(const std::string& name) {
        window->layoutIfNeeded();
        auto image = window->snapshot();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->size(), (ui::Size{390, 844}));
        EXPECT_FALSE(testsupport::saveScreenshot(*image, name).empty());
    }
};

TEST_F(CameraScreenshots, LiveOutline) {
    open();
    waitForSteadyOutline();
    advance(1.0);  // The outline's animation from the centre has ended.
    save("camera-outline");
}

TEST_F(CameraScreenshots, LongReceiptToast) {
    open();
    tapElement("Long receipt");
    ASSERT_NE(Toast::currentToast(), nullptr);
    ASSERT_EQ(camera->emitFrames(1), 1);
    advance(0.6);  // Faded in.
    save("camera-long-toast");
}

TEST_F(CameraScreenshots, AccessRefused) {
    ui::CameraAuthorization::reset();
    ui::CameraAuthorization::setAnswer(false);
    open(CaptureFeatures::getInstance(), false);
    ASSERT_TRUE(drive([&] { return !outlets().cameraAccessView->isHidden(); }));
    save("camera-access-refused");
}

TEST_F(CameraScreenshots, SecondSectionWithTheTailStrip) {
    open();
    tapElement("Long receipt");
    tapCapture();
    deliverPhotoToPreview();
    tapElement("Next");
    ASSERT_TRUE(drive([&] { return top() == navigation->viewController(); }));
    waitForRunningCamera();
    ASSERT_EQ(camera->emitFrames(1), 1);
    advance(0.6);
    save("camera-second-section");
}

TEST_F(CameraScreenshots, PagesTakenAndLargestText) {
    ui::TextSizeSetting::set(ui::ContentSizeCategory::accessibilityExtraExtraExtraLarge);
    open();
    takeAutomaticShot();
    addPage();
    ASSERT_EQ(camera->emitFrames(1), 1);
    turn();
    save("camera-one-page-largest-text");
}

}  // namespace
}  // namespace quorvel
