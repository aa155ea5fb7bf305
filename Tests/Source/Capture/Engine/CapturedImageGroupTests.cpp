#include <gtest/gtest.h>

#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Capture/Engine/CapturedImageGroup.h"

namespace quorvel {
namespace {

std::shared_ptr<quorvel::platform::Image> image(int width) {
    return quorvel::platform::Image::make(quorvel::platform::Bitmap::make(width, 10));
}

std::shared_ptr<CapturedImage> page(int width, CaptureType type = CaptureType::manual) {
    return std::make_shared<CapturedImage>(image(width), type);
}

TEST(CapturedImageGroup, EmptyGroup) {
    CapturedImageGroup group;
    EXPECT_EQ(group.count(), 0u);
    EXPECT_TRUE(group.isEmpty());
    EXPECT_EQ(group.last(), nullptr);
    EXPECT_TRUE(group.allImages().empty());
    EXPECT_FALSE(group.maxPagesAdded());
}

TEST(CapturedImageGroup, ThreePagesAreTheAdvisoryLimit) {
    CapturedImageGroup group;
    for (int i = 1; i <= 3; ++i) group.append(page(i));
    EXPECT_TRUE(group.maxPagesAdded());
    group.append(page(4));
    EXPECT_EQ(group.count(), 4u);
    EXPECT_TRUE(group.maxPagesAdded());
    EXPECT_EQ(group.last()->bitmap()->width(), 4);
    group.removeAll();
    EXPECT_TRUE(group.isEmpty());
}

TEST(CapturedImageGroup, CropWinsUntilTheOriginalIsReplaced) {
    CapturedImageGroup group;
    group.append(page(1, CaptureType::automatic));
    auto crop = image(2);
    group.setCroppedImage(crop, 0, {{1, 1}, {2, 1}, {2, 2}, {1, 2}});
    EXPECT_EQ(group.image(0, false), crop);
    EXPECT_EQ(group.allImages(), std::vector<std::shared_ptr<quorvel::platform::Image>>{crop});

    group.setCropCorners({{0, 0}, {3, 0}, {3, 3}, {0, 3}}, 0);
    EXPECT_EQ(group[0]->croppedImage, crop) << "new corners keep the crop";
    EXPECT_EQ(group[0]->cropCorners->at(1), (quorvel::platform::Point{3, 0}));

    auto retaken = image(5);
    group.replaceOriginalImage(retaken, 0);
    EXPECT_EQ(group.image(0, false), retaken);
    EXPECT_FALSE(group[0]->croppedImage);
    EXPECT_FALSE(group[0]->cropCorners);
    EXPECT_EQ(group[0]->captureType(), CaptureType::automatic);
}

TEST(CapturedImageGroup, FilteredViewIsComputedFreshAndNeverStored) {
    CapturedImageGroup group;
    auto original = image(8);
    group.append(std::make_shared<CapturedImage>(original, CaptureType::manual));
    auto filtered = group.image(0, true);
    ASSERT_TRUE(filtered);
    EXPECT_NE(filtered, original);
    EXPECT_EQ(group.allImages().front(), original);
}

TEST(CapturedImage, FailableFormNeedsACaptureType) {
    quorvel::platform::ScopedLogCapture log;
    EXPECT_EQ(CapturedImage::make(image(1), std::nullopt), nullptr);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Failed to initialize captured image: no capture type"});
    EXPECT_TRUE(CapturedImage::make(image(1), CaptureType::manual));
}

TEST(CapturedImageGroupDeathTest, IndexOutsideTheGroupStopsTheProgram) {
    CapturedImageGroup group;
    group.append(page(1));
    EXPECT_DEATH(group.image(1, false), "outside");
}

}  // namespace
}  // namespace quorvel
