// Pictures of the preview and crop screens as a user sees them, for people to look at:
// written to the build's screenshots folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/UI/AlertController.h"
#include "Platform/UI/UIDriver.h"
#include "PreviewTestSupport.h"
#include "Source/Crop/ViewControllers/CropViewController.h"
#include "Source/Imaging/ImageOperations.h"
#include "Support/UITestEnvironment.h"

using namespace quorvel;
using namespace previewtest;
namespace ui = quorvel::platform;

namespace {

std::filesystem::path photoFolder() {
    if (const char* env = std::getenv("QUORVEL_SHARED_DATA")) {
        return std::filesystem::path(env) / "photos";
    }
    return std::filesystem::path(__FILE__).parent_path() / "../../../../../shared/data/photos";
}

// An upright document photo, or none when the shared photos are absent.
std::shared_ptr<ui::Image> photo(const std::string& name) {
    auto image = ui::Image::contentsOfFile(photoFolder() / name);
    return image ? ImageOperations::orientPhotoPortrait(image) : nullptr;
}

class PreviewScreenshots : public PreviewScreenTest {
protected:
    void shoot(const std::string& name) {
        settle();
        auto shot = window->snapshot();
        ASSERT_TRUE(shot);
        EXPECT_FALSE(testsupport::saveScreenshot(*shot, name).empty());
    }
};

}  // namespace

TEST_F(PreviewScreenshots, PreviewPagesZoomAndAlerts) {
    std::vector<std::shared_ptr<ui::Image>> pages{photo("desk.JPG"), photo("test2.png"),
                                                  photo("notepad.JPG")};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        group->append(std::make_shared<CapturedImage>(pages[i] ? pages[i] : pagePicture(i),
                                                      CaptureType::manual));
    }
    open(CaptureDocumentType::normal, 1);
    shoot("preview-three-pages-page-2");

    const auto page = preview->scrollViews()[1];
    ASSERT_TRUE(ui::UIDriver::doubleTap(*page, {200, 180}));
    shoot("preview-zoomed");
    ASSERT_TRUE(ui::UIDriver::doubleTap(*page, page->bounds().center()));
    settle();

    preview->showBlurAlert();
    shoot("preview-blur-alert");
    ASSERT_TRUE(ui::UIDriver::tapAlertAction(
        *std::dynamic_pointer_cast<ui::AlertController>(preview->presentedViewController()),
        "Keep"));
    settle();

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().backButton));
    shoot("preview-discard-confirmation");
}

TEST_F(PreviewScreenshots, CropOnARealPhotoDragAndResult) {
    auto picture = photo("desk.JPG");
    if (!picture) {
        GTEST_SKIP() << "no document photos in " << photoFolder();
    }
    group->append(std::make_shared<CapturedImage>(picture, CaptureType::manual));
    group->append(std::make_shared<CapturedImage>(photo("test2.png"), CaptureType::manual));
    open(CaptureDocumentType::normal, 0);

    ASSERT_TRUE(ui::UIDriver::tap(*outlets().cropButton));
    settle();
    auto crop = std::dynamic_pointer_cast<CropViewController>(navigation->topViewController());
    ASSERT_TRUE(crop);
    ASSERT_TRUE(ui::MainRunLoop::runUntil([&] { return !crop->isPlacingCorners(); }, 120s));
    shoot("crop-handles-placed");

    // Drag the top-left handle a little inwards and hold it there.
    auto& layer = *crop->outlets().magnifySuperview;
    const auto start = crop->outlets().topLeftCornerPoint->center();
    ASSERT_TRUE(ui::UIDriver::press(layer, start));
    for (int step = 1; step <= 6; ++step) {
        ASSERT_TRUE(ui::UIDriver::moveTo(layer, {start.x + 3 * step, start.y + 4 * step}));
    }
    shoot("crop-dragging-with-loupe");
    ASSERT_TRUE(ui::UIDriver::moveTo(layer, start));
    ASSERT_TRUE(ui::UIDriver::release(layer, start));

    ASSERT_TRUE(ui::UIDriver::tap(*crop->outlets().doneButton));
    settle();
    ASSERT_EQ(navigation->topViewController(), preview);
    ASSERT_TRUE((*group)[0]->croppedImage);
    shoot("preview-straightened-result");
}
