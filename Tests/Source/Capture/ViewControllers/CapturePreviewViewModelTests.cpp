#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "PreviewTestSupport.h"

using namespace quorvel;
using previewtest::pagePicture;
namespace ui = quorvel::platform;

namespace {

struct Flags {
    bool addPage;
    bool crop;
    bool pagination;
};

Flags hidden(CaptureDocumentType type, int pages, bool enableAddPage, bool enableCrop) {
    auto group = std::make_shared<CapturedImageGroup>();
    for (int i = 0; i < pages; ++i) {
        group->append(std::make_shared<CapturedImage>(pagePicture(i, 30, 40), CaptureType::manual));
    }
    auto features = CaptureFeatures::getInstance();
    features->setEnableAddPage(enableAddPage);
    features->setEnableCrop(enableCrop);
    auto configuration =
        std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{}, features);
    CapturePreviewViewModel model(group, configuration,
                                  std::make_shared<CaptureTheme>(std::shared_ptr<ui::Bundle>{}),
                                  type, std::nullopt);
    return {model.hideAddPageButton(), model.hideCropButton(), model.hidePaginationBar()};
}

}  // namespace

TEST(PreviewFlags, AddPageHidesForLongSectionsAFullGroupOrTheSwitch) {
    for (auto type : {CaptureDocumentType::normal, CaptureDocumentType::album,
                      CaptureDocumentType::longFirst, CaptureDocumentType::longSecond}) {
        const bool longSection =
            type == CaptureDocumentType::longFirst || type == CaptureDocumentType::longSecond;
        for (int pages = 1; pages <= 3; ++pages) {
            for (bool enabled : {true, false}) {
                EXPECT_EQ(hidden(type, pages, enabled, true).addPage,
                          longSection || pages >= 3 || !enabled)
                    << static_cast<int>(type) << " " << pages << " " << enabled;
            }
        }
    }
}

TEST(PreviewFlags, CropHidesOnlyForALongCapturesFirstSectionOrTheSwitch) {
    for (auto type : {CaptureDocumentType::normal, CaptureDocumentType::album,
                      CaptureDocumentType::longFirst, CaptureDocumentType::longSecond}) {
        for (bool enabled : {true, false}) {
            EXPECT_EQ(hidden(type, 1, true, enabled).crop,
                      type == CaptureDocumentType::longFirst || !enabled)
                << static_cast<int>(type) << " " << enabled;
        }
    }
}

TEST(PreviewFlags, PaginationShowsForMoreThanOnePage) {
    EXPECT_TRUE(hidden(CaptureDocumentType::normal, 1, true, true).pagination);
    EXPECT_FALSE(hidden(CaptureDocumentType::normal, 2, true, true).pagination);
    EXPECT_FALSE(hidden(CaptureDocumentType::normal, 3, true, true).pagination);
    EXPECT_TRUE(hidden(CaptureDocumentType::normal, 0, true, true).pagination);
}

TEST(PreviewFlags, SwitchesAreReadWhenAsked) {
    auto group = std::make_shared<CapturedImageGroup>();
    group->append(std::make_shared<CapturedImage>(pagePicture(0, 30, 40), CaptureType::manual));
    auto features = CaptureFeatures::getInstance();
    auto configuration =
        std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{}, features);
    CapturePreviewViewModel model(group, configuration,
                                  std::make_shared<CaptureTheme>(std::shared_ptr<ui::Bundle>{}),
                                  CaptureDocumentType::normal, std::nullopt);
    EXPECT_FALSE(model.hideCropButton());
    features->setEnableCrop(false);
    EXPECT_TRUE(model.hideCropButton());
    group->append(std::make_shared<CapturedImage>(pagePicture(1, 30, 40), CaptureType::manual));
    group->append(std::make_shared<CapturedImage>(pagePicture(2, 30, 40), CaptureType::manual));
    EXPECT_TRUE(model.hideAddPageButton());
}

TEST(PreviewRendering, ShowsTheFilteredPageScaledDownToFitNeverUp) {
    // A coloured page with a sharp edge.
    auto bitmap = ui::Bitmap::make(400, 200);
    auto* pixels = reinterpret_cast<std::uint32_t*>(bitmap->mutableData());
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 400; ++x) {
            pixels[y * 400 + x] = ui::Bitmap::premultipliedARGB(
                x < 200 ? ui::Color{0.9, 0.2, 0.1, 1} : ui::Color{0.1, 0.3, 0.9, 1});
        }
    }
    auto image = ui::Image::make(bitmap);
    auto small = CapturePreviewViewModel::renderFiltered(*image, {100, 100});
    ASSERT_TRUE(small);
    EXPECT_EQ(small->bitmap()->width(), 100);
    EXPECT_EQ(small->bitmap()->height(), 50);
    const auto left = small->bitmap()->pixel(10, 25);
    EXPECT_NEAR(left.red, left.green, 0.02);
    EXPECT_NEAR(left.green, left.blue, 0.02);

    auto same = CapturePreviewViewModel::renderFiltered(*image, {4000, 4000});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->bitmap()->width(), 400);
    EXPECT_EQ(same->bitmap()->height(), 200);
}

TEST(PreviewRendering, TurnsAPictureUprightByItsOrientation) {
    auto bitmap = ui::Bitmap::make(400, 200);
    auto image = ui::Image::make(bitmap, 1, ui::ImageOrientation::right);
    auto shown = CapturePreviewViewModel::renderFiltered(*image, {100, 1000});
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->bitmap()->width(), 100);
    EXPECT_EQ(shown->bitmap()->height(), 200);
    EXPECT_EQ(shown->orientation(), ui::ImageOrientation::up);
}

// A screen that goes away while sharper pictures are being made for it: the renders under way end
// before its view model is gone (at the end of a program, a render still running would use the
// imaging libraries while they are torn down).
TEST(PreviewRendering, RendersUnderWayEndBeforeTheViewModelIsGone) {
    ui::MainRunLoop::discardPendingWork();
    auto group = std::make_shared<CapturedImageGroup>();
    for (int i = 0; i < 3; ++i) {
        group->append(std::make_shared<CapturedImage>(pagePicture(i, 60, 80), CaptureType::manual));
    }
    auto model = std::make_shared<CapturePreviewViewModel>(
        group,
        std::make_shared<CaptureConfiguration>(std::shared_ptr<ui::Bundle>{},
                                               CaptureFeatures::getInstance()),
        std::make_shared<CaptureTheme>(std::shared_ptr<ui::Bundle>{}), CaptureDocumentType::normal,
        std::nullopt);

    struct Counts {
        std::mutex mutex;
        std::condition_variable started;
        int begun = 0;
        int ended = 0;
    };
    auto counts = std::make_shared<Counts>();
    std::weak_ptr<CapturePreviewViewModel> weakModel = model;
    model->setRenderer([counts, weakModel](const ui::Image& image, ui::Size size) {
        {
            std::lock_guard lock(counts->mutex);
            ++counts->begun;
        }
        counts->started.notify_all();
        // Under way until the view model's last owner lets it go.
        while (!weakModel.expired()) {
            std::this_thread::yield();
        }
        auto result = CapturePreviewViewModel::renderFiltered(image, size);
        std::lock_guard lock(counts->mutex);
        ++counts->ended;
        return result;
    });
    auto completions = std::make_shared<int>(0);
    for (std::size_t i = 0; i < group->count(); ++i) {
        model->previewImageLater(i, {40, 40}, [completions](auto) { ++*completions; });
    }
    {
        std::unique_lock lock(counts->mutex);
        // The limit only guards against a hang.
        ASSERT_TRUE(counts->started.wait_for(lock, std::chrono::seconds(90),
                                             [&] { return counts->begun > 0; }));
    }

    model.reset();
    int begun = 0;
    int ended = 0;
    {
        std::lock_guard lock(counts->mutex);
        begun = counts->begun;
        ended = counts->ended;
    }
    EXPECT_GT(begun, 0);
    EXPECT_EQ(ended, begun) << "a render was still under way when the view model had gone";
    ui::MainRunLoop::runUntilIdle();
    EXPECT_EQ(*completions, begun) << "every render made was handed over";
    ui::MainRunLoop::discardPendingWork();
}
