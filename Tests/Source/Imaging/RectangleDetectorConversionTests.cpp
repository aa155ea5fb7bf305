#include <gtest/gtest.h>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/UI/VideoPreviewLayer.h"
#include "Source/Imaging/RectangleDetector.h"

namespace quorvel {
namespace {

using quorvel::platform::BezierPath;
using quorvel::platform::ImageOrientation;
using quorvel::platform::Point;
using quorvel::platform::Rect;
using quorvel::platform::RectangleObservation;

TEST(LiveConversion, MapsNormalizedCornersToLayerPoints) {
    // After the choice the corners are TL (0.1, 0.2), TR (0.9, 0.2), BL (0.1, 0.8), BR (0.9, 0.8);
    // orientation left (EXIF 8) swaps x and y, so the observation carries them transposed.
    const RectangleObservation observation{{0.2, 0.1}, {0.2, 0.9}, {0.8, 0.1}, {0.8, 0.9}, 1};
    const Rect extent{{0, 0}, {1000, 2000}};
    auto outline = RectangleDetector::liveOutline({observation}, ImageOrientation::left, extent,
                                                  {{0, 0}, {500, 1000}});
    ASSERT_TRUE(outline);
    const auto& f = *outline->feature;
    EXPECT_EQ(f.topLeft, (Point{50, 200}));
    EXPECT_EQ(f.topRight, (Point{450, 200}));
    EXPECT_EQ(f.bottomRight, (Point{450, 800}));
    EXPECT_EQ(f.bottomLeft, (Point{50, 800}));
    EXPECT_EQ(outline->center, (Point{250, 500}));

    auto path = RectangleDetector::outlinePath(f);
    using E = BezierPath::ElementType;
    const std::vector<BezierPath::Element> expected{{E::moveTo, {50, 200}},
                                                    {E::lineTo, {450, 200}},
                                                    {E::lineTo, {450, 800}},
                                                    {E::lineTo, {50, 800}},
                                                    {E::closePath, {}}};
    EXPECT_EQ(path->elements(), expected);
}

TEST(LiveConversion, OutlineFollowsAPictureThatFillsTheLayerAndIsCropped) {
    // A 1080 × 1920 frame filling a 390 × 600 layer: scaled by 390 / 1080, so 693.3 points high,
    // centred, with 46.7 points cut off at the top and at the bottom.
    const Rect extent{{0, 0}, {1080, 1920}};
    const Rect picture = quorvel::platform::VideoPreviewLayer::pictureRect(
        extent.size, {{0, 0}, {390, 600}}, quorvel::platform::VideoGravity::resizeAspectFill);
    const RectangleObservation observation{{0.2, 0.1}, {0.2, 0.9}, {0.8, 0.1}, {0.8, 0.9}, 1};
    auto outline =
        RectangleDetector::liveOutline({observation}, ImageOrientation::left, extent, picture);
    ASSERT_TRUE(outline);
    const auto& f = *outline->feature;
    const double scale = 390.0 / 1080, top = (600 - 1920 * scale) / 2;
    EXPECT_NEAR(f.topLeft.x, 108 * scale, 1e-9);
    EXPECT_NEAR(f.topLeft.y, top + 384 * scale, 1e-9);
    EXPECT_NEAR(f.bottomRight.x, 972 * scale, 1e-9);
    EXPECT_NEAR(f.bottomRight.y, top + 1536 * scale, 1e-9);
    EXPECT_NEAR(outline->center.x, 195, 1e-9);
    EXPECT_NEAR(outline->center.y, 300, 1e-9);
}

TEST(LiveConversion, EveryOrientationPutsTheOutlineOnTheSameFramePlace) {
    // A rectangle at x 0.1…0.6, y 0.2…0.7 of the frame (y down), described as each orientation's
    // request would report it.
    auto reported = [](ImageOrientation orientation, Point frame) {
        const double bx = frame.x, by = frame.y;
        switch (orientation) {
            case ImageOrientation::up:
                return Point{bx, 1 - by};
            case ImageOrientation::down:
                return Point{1 - bx, by};
            case ImageOrientation::right:
                return Point{1 - by, 1 - bx};
            default:
                return Point{by, bx};
        }
    };
    const Rect extent{{0, 0}, {1080, 1920}};
    const Rect layer{{0, 0}, {1080, 1920}};
    for (ImageOrientation orientation : {ImageOrientation::up, ImageOrientation::down,
                                         ImageOrientation::right, ImageOrientation::left}) {
        const int exif = quorvel::platform::exifOrientation(orientation);
        RectangleObservation o{reported(orientation, {0.1, 0.2}), reported(orientation, {0.6, 0.2}),
                               reported(orientation, {0.1, 0.7}), reported(orientation, {0.6, 0.7}),
                               1};
        auto outline = RectangleDetector::liveOutline({o}, orientation, extent, layer);
        ASSERT_TRUE(outline);
        const auto& f = *outline->feature;
        EXPECT_NEAR(f.topLeft.x, 0.1 * 1080, 1e-6) << exif;
        EXPECT_NEAR(f.topLeft.y, 0.2 * 1920, 1e-6) << exif;
        EXPECT_NEAR(f.bottomRight.x, 0.6 * 1080, 1e-6) << exif;
        EXPECT_NEAR(f.bottomRight.y, 0.7 * 1920, 1e-6) << exif;
    }
}

TEST(LiveConversion, NoObservationGivesNothing) {
    EXPECT_FALSE(RectangleDetector::liveOutline({}, ImageOrientation::left, {{0, 0}, {10, 10}},
                                                {{0, 0}, {10, 10}}));
}

TEST(CropConversion, ScalesToTheViewAndTurnsYDown) {
    const RectangleObservation observation{{0.1, 0.9}, {0.6, 0.9}, {0.1, 0.2}, {0.6, 0.2}, 1};
    auto f = RectangleDetector::cropFeature({observation}, {300, 400});
    ASSERT_TRUE(f);
    // The corner named bottomLeft is the one nearest the view's top left.
    EXPECT_NEAR(f->bottomLeft.x, 30, 1e-9);
    EXPECT_NEAR(f->bottomLeft.y, 40, 1e-9);
    EXPECT_NEAR(f->topLeft.x, 30, 1e-9);
    EXPECT_NEAR(f->topLeft.y, 320, 1e-9);
    EXPECT_NEAR(f->topRight.x, 180, 1e-9);
    EXPECT_EQ(RectangleDetector::cropFeature({}, {300, 400}), nullptr);
}

// A filterable image whose four quadrants have distinct colours, as stored (row 0 at the top).
std::shared_ptr<const quorvel::platform::FilterImage> quadrants(int width, int height) {
    auto bitmap = quorvel::platform::Bitmap::make(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const quorvel::platform::Color c{right ? 1.0 : 0.0, bottom ? 1.0 : 0.0,
                                             (!right && !bottom) ? 1.0 : 0.0, 1};
            reinterpret_cast<std::uint32_t*>(bitmap->mutableData())[y * width + x] =
                quorvel::platform::Bitmap::premultipliedARGB(c);
        }
    }
    return quorvel::platform::FilterImage::fromBitmap(bitmap);
}

quorvel::platform::Color at(const quorvel::platform::Image& image, double fx, double fy) {
    const auto& b = *image.bitmap();
    return b.pixel(static_cast<int>(fx * b.width()), static_cast<int>(fy * b.height()));
}

const quorvel::platform::Color blue{0, 0, 1, 1};    // stored top left
const quorvel::platform::Color red{1, 0, 0, 1};     // stored top right
const quorvel::platform::Color green{0, 1, 0, 1};   // stored bottom left
const quorvel::platform::Color yellow{1, 1, 0, 1};  // stored bottom right

TEST(UprightRendering, LandscapeIsTurnedIntoPortraitLeftMirrored) {
    RectangleFeature feature({0, 0}, {1, 0}, {1, 1}, {0, 1});
    auto image = RectangleDetector::fixImageOrientation(*quadrants(40, 30), feature, true);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->bitmap()->width(), 30);
    EXPECT_EQ(image->bitmap()->height(), 40);
    EXPECT_EQ(image->scale(), 1);
    // Left mirrored is a transpose: the stored top right lands at the bottom left.
    EXPECT_EQ(at(*image, 0.1, 0.1), blue);
    EXPECT_EQ(at(*image, 0.1, 0.9), red);
    EXPECT_EQ(at(*image, 0.9, 0.1), green);
    EXPECT_EQ(at(*image, 0.9, 0.9), yellow);
}

TEST(UprightRendering, PortraitIsFlippedByTheFeaturesTopEdge) {
    RectangleFeature rising({0, 0}, {1, 5}, {1, 1}, {0, 1});
    auto down = RectangleDetector::fixImageOrientation(*quadrants(30, 40), rising, true);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->bitmap()->width(), 30);
    EXPECT_EQ(down->bitmap()->height(), 40);
    // Down mirrored is a vertical flip.
    EXPECT_EQ(at(*down, 0.1, 0.1), green);
    EXPECT_EQ(at(*down, 0.9, 0.9), red);

    RectangleFeature level({0, 5}, {1, 5}, {1, 1}, {0, 1});
    auto up = RectangleDetector::fixImageOrientation(*quadrants(30, 40), level, true);
    // Up mirrored is a horizontal flip.
    EXPECT_EQ(at(*up, 0.1, 0.1), red);
    EXPECT_EQ(at(*up, 0.9, 0.9), green);

    auto square = RectangleDetector::fixImageOrientation(*quadrants(30, 30), level, true);
    EXPECT_EQ(square->bitmap()->width(), 30);
    EXPECT_EQ(at(*square, 0.1, 0.1), red) << "a square counts as not landscape";
}

}  // namespace
}  // namespace quorvel
