#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "ImagingTestPictures.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Imaging/RenderContext.h"

namespace quorvel::platform {
namespace {

using namespace quorvel::platform::testing;

TEST(FilterImageCoordinates, TopLeftPixelSitsAtTheTopOfALowerLeftExtentAndRendersBackThere) {
    const auto bitmap = cornerBitmap(4, 3);
    const auto image = FilterImage::fromBitmap(bitmap);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->extent(), Rect::make(0, 0, 4, 3));
    EXPECT_EQ(wordAt(*image, 0, 2), word(red));  // y = height − 1
    EXPECT_EQ(wordAt(*image, 0, 0), word(blue));
    EXPECT_TRUE(sameBytes(*image->toBitmap(), *bitmap));

    // From one below the image's bottom row (y = −1) to one above its top (y = 4).
    const auto wide = RenderContext().createBitmap(*image, Rect::make(-1, -1, 6, 5));
    ASSERT_TRUE(wide);
    EXPECT_EQ(std::pair(wide->width(), wide->height()), std::pair(6, 5));
    EXPECT_EQ(wide->argb(1, 1), word(red));
    EXPECT_EQ(wide->argb(4, 3), word(white));
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {5, 2}, {2, 4}}) {
        EXPECT_EQ(wide->argb(x, y), 0u) << x << ", " << y;
    }
    const double infinity = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& rect : {Rect::make(0, 0, 0, 3), Rect::make(-infinity, -infinity, infinity, 1),
                             Rect::make(0, 0, nan, 3), Rect::make(0, 0, 40000, 1)}) {
        EXPECT_FALSE(RenderContext().createBitmap(*image, rect));
    }
}

TEST(FilterImageMakers, PageImageGivesItsStoredPixelsWithoutTurningThem) {
    const auto bitmap = cornerBitmap(3, 2);
    const auto page = Image::make(bitmap, 2, ImageOrientation::right);
    const auto image = FilterImage::fromImage(*page);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->extent(), Rect::make(0, 0, 3, 2));  // not 2 × 3, not halved by the scale
    EXPECT_EQ(image->properties().orientation, 1);
    EXPECT_TRUE(sameBytes(*image->toBitmap(), *bitmap));
}

TEST(FilterImageMakers, EncodedDataReportsButDoesNotApplyItsOrientation) {
    const auto bitmap = solidBitmap(16, 8, red);
    const auto jpeg = ImageEncoding::jpegData(*bitmap, 0.9, 6);
    ASSERT_TRUE(jpeg);
    const auto image = FilterImage::fromData(*jpeg);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->extent(), Rect::make(0, 0, 16, 8));
    EXPECT_EQ(image->properties().orientation, 6);
    // Filter results are new images without the data's properties.
    EXPECT_EQ(image->oriented(6)->properties().orientation, 1);

    const std::vector<std::uint8_t> garbage{1, 2, 3, 4, 5};
    EXPECT_FALSE(FilterImage::fromData(garbage));
    EXPECT_FALSE(FilterImage::fromData({}));
}

// Where each stored corner ends up once the image is upright: for each EXIF orientation the
// stored corner (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right) found at the upright
// top-left, top-right, bottom-left and bottom-right.
struct UprightCorners {
    int exif;
    bool swapsSides;
    std::array<int, 4> storedCorner;
};

constexpr UprightCorners uprightCorners[] = {
    {1, false, {0, 1, 2, 3}},  // up
    {2, false, {1, 0, 3, 2}},  // mirrored left to right
    {3, false, {3, 2, 1, 0}},  // turned 180°
    {4, false, {2, 3, 0, 1}},  // mirrored top to bottom
    {5, true, {0, 2, 1, 3}},   // transposed
    {6, true, {2, 0, 3, 1}},   // to be turned 90° clockwise
    {7, true, {3, 1, 2, 0}},   // transposed the other way
    {8, true, {1, 3, 0, 2}},   // to be turned 90° anticlockwise
};

TEST(FilterImageOrientation, EachExifOrientationTurnsTheCornersUpright) {
    const std::array<Color, 4> corners = {red, green, blue, white};
    const auto image = FilterImage::fromBitmap(cornerBitmap(3, 2));
    for (const auto& expected : uprightCorners) {
        SCOPED_TRACE(expected.exif);
        const auto upright = image->oriented(expected.exif);
        ASSERT_TRUE(upright);
        const Rect size = expected.swapsSides ? Rect::make(0, 0, 2, 3) : Rect::make(0, 0, 3, 2);
        EXPECT_EQ(upright->extent(), size);
        const auto bitmap = upright->toBitmap();
        const int right = bitmap->width() - 1;
        const int bottom = bitmap->height() - 1;
        EXPECT_EQ(bitmap->argb(0, 0), word(corners[expected.storedCorner[0]]));
        EXPECT_EQ(bitmap->argb(right, 0), word(corners[expected.storedCorner[1]]));
        EXPECT_EQ(bitmap->argb(0, bottom), word(corners[expected.storedCorner[2]]));
        EXPECT_EQ(bitmap->argb(right, bottom), word(corners[expected.storedCorner[3]]));
    }
}

TEST(FilterImageOrientation, OrientingAStoredPageMatchesHowThePageIsDisplayed) {
    const auto bitmap = cornerBitmap(5, 3);
    setPixel(*bitmap, 1, 0, Color::fromRGBA8(10, 20, 30));  // breaks the remaining symmetries
    for (int raw = 0; raw < 8; ++raw) {
        const auto orientation = static_cast<ImageOrientation>(raw);
        SCOPED_TRACE(raw);
        const auto page = Image::make(bitmap, 1, orientation);
        ImageRenderer renderer(page->size(), false, 1);
        renderer.drawImage(*page, Rect{{0, 0}, page->size()});
        const auto displayed = renderer.makeImage();

        const auto upright =
            FilterImage::fromImage(*page)->oriented(exifOrientation(page->orientation()));
        ASSERT_TRUE(upright);
        EXPECT_TRUE(sameBytes(*upright->toBitmap(), *displayed->bitmap()));
    }
}

TEST(FilterImageOrientation, OrientingALargerPageMatchesDrawingItTileForTile) {
    // Sides that are not a multiple of the turning tiles, colours that differ everywhere, and
    // partly transparent pixels.
    const int width = 77, height = 45;
    auto bitmap = Bitmap::make(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            setPixel(
                *bitmap, x, y,
                Color::fromRGBA8(static_cast<std::uint8_t>(3 * x), static_cast<std::uint8_t>(5 * y),
                                 static_cast<std::uint8_t>(x * y),
                                 static_cast<std::uint8_t>((x + y) % 3 == 0 ? 128 : 255)));
        }
    }
    for (int raw = 0; raw < 8; ++raw) {
        const auto orientation = static_cast<ImageOrientation>(raw);
        SCOPED_TRACE(raw);
        const auto page = Image::make(bitmap, 1, orientation);
        ImageRenderer renderer(page->size(), false, 1);
        renderer.drawImage(*page, Rect{{0, 0}, page->size()});
        const auto displayed = renderer.makeImage();
        const auto upright =
            FilterImage::fromImage(*page)->oriented(exifOrientation(page->orientation()));
        ASSERT_TRUE(upright);
        EXPECT_TRUE(sameBytes(*upright->toBitmap(), *displayed->bitmap()));
    }
}

TEST(FilterImageCrop, KeepsTheCoordinatesOfTheIntersectionUntilOriented) {
    const auto bitmap = cornerBitmap(10, 8);
    setPixel(*bitmap, 3, 4, green);  // image coordinates (3, 3)
    const auto image = FilterImage::fromBitmap(bitmap);

    const auto inside = image->cropped(Rect::make(2, 3, 4, 2));
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->extent(), Rect::make(2, 3, 4, 2));
    EXPECT_EQ(wordAt(*inside, 3, 3), word(green));
    EXPECT_EQ(wordAt(*inside, 1, 3), 0u);  // cut away
    EXPECT_EQ(inside->cropped(Rect::make(0, 0, 4, 4))->extent(), Rect::make(2, 3, 2, 1));
    EXPECT_EQ(image->cropped(Rect::make(8, 6, 10, 10))->extent(), Rect::make(8, 6, 2, 2));
    // Orienting starts the result at the origin.
    EXPECT_EQ(inside->oriented(6)->extent(), Rect::make(0, 0, 2, 4));
    EXPECT_EQ(inside->oriented(1)->extent(), Rect::make(0, 0, 4, 2));
    EXPECT_FALSE(image->oriented(0));
    EXPECT_FALSE(image->oriented(9));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& rect : {Rect::make(10, 0, 5, 5), Rect::make(-5, -5, 5, 20),
                             Rect::make(2, 2, 0, 3), Rect::make(nan, 0, 3, 3)}) {
        EXPECT_FALSE(image->cropped(rect));
    }
}

TEST(FilterImageTransform, MovesAndFlipsInLowerLeftCoordinates) {
    const auto image = FilterImage::fromBitmap(cornerBitmap(4, 3));
    const auto moved = image->transformed(AffineTransform::translation(5, -2));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->extent(), Rect::make(5, -2, 4, 3));
    EXPECT_EQ(wordAt(*moved, 5, 0), word(red));
    // y → −y: the extent moves below the axis and the top row becomes the bottom row.
    const auto flipped = image->transformed(AffineTransform::scale(1, -1));
    ASSERT_TRUE(flipped);
    EXPECT_EQ(flipped->extent(), Rect::make(0, -3, 4, 3));
    EXPECT_EQ(wordAt(*flipped, 0, -3), word(red));
    EXPECT_EQ(wordAt(*flipped, 3, -1), word(white));
    EXPECT_FALSE(image->transformed(AffineTransform::scale(0, 1)));
}

TEST(FilterImageFilters, ApplyingByNameNeedsKnownFilterAndKeys) {
    const auto image = FilterImage::fromBitmap(solidBitmap(4, 4, red));
    const auto grey = image->applyingFilter("CIColorControls", {{"inputSaturation", 0.0}});
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->extent(), image->extent());
    EXPECT_FALSE(image->applyingFilter("CINoSuchFilter", {}));
    EXPECT_FALSE(image->applyingFilter("CIColorControls", {{"inputHue", 0.0}}));
    EXPECT_FALSE(image->applyingFilter("CIColorControls", {{"inputSaturation", Point{0, 0}}}));
}

}  // namespace
}  // namespace quorvel::platform
