#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/Graphics/Screen.h"

namespace {

using quorvel::platform::Bitmap;
using quorvel::platform::Color;
using quorvel::platform::Image;
using quorvel::platform::ImageOrientation;
using quorvel::platform::ImageRenderer;
using quorvel::platform::Rect;
using quorvel::platform::Screen;
using quorvel::platform::Size;

const Color red{1, 0, 0, 1};
const Color blue{0, 0, 1, 1};

void expectColorNear(const Color& actual, const Color& expected, double tolerance = 1.5 / 255) {
    EXPECT_NEAR(actual.red, expected.red, tolerance);
    EXPECT_NEAR(actual.green, expected.green, tolerance);
    EXPECT_NEAR(actual.blue, expected.blue, tolerance);
    EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

// A 2×1 image stored as [red | blue].
std::shared_ptr<Image> redThenBlue(ImageOrientation orientation) {
    auto bitmap = Bitmap::make(2, 1);
    const std::uint32_t words[] = {Bitmap::premultipliedARGB(red), Bitmap::premultipliedARGB(blue)};
    std::memcpy(bitmap->mutableData(), words, sizeof words);
    return Image::make(bitmap, 1, orientation);
}

// Keeps the screen scale of the process as it was.
class ImageRendererTest : public ::testing::Test {
protected:
    void TearDown() override { Screen::setMainScale(Screen::defaultScale); }
};

TEST_F(ImageRendererTest, FillColourLandsInThePixels) {
    ImageRenderer renderer({3, 2}, false, 1);
    ASSERT_TRUE(renderer.isValid());
    renderer.setFillColor(Color{0.2, 0.4, 0.6, 1});
    renderer.fillRect(Rect::make(0, 0, 3, 2));
    const auto image = renderer.makeImage();
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            expectColorNear(image->bitmap()->pixel(x, y), Color{0.2, 0.4, 0.6, 1});
        }
    }
}

TEST_F(ImageRendererTest, TranslucentFillKeepsItsAlphaOnATransparentContext) {
    ImageRenderer renderer({1, 1}, false, 1);
    renderer.setFillColor(Color{0, 1, 0, 0.5});
    renderer.fillRect(Rect::make(0, 0, 1, 1));
    expectColorNear(renderer.makeImage()->bitmap()->pixel(0, 0), Color{0, 1, 0, 0.5}, 2.0 / 255);
}

TEST_F(ImageRendererTest, ClearFillLeavesTheImageClear) {
    ImageRenderer renderer({1, 1}, false, 0);
    renderer.setFillColor(Color::clear());
    renderer.fillRect(Rect::make(0, 0, 1, 1));
    const auto image = renderer.makeImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitmap()->pixel(0, 0), Color::clear());
    EXPECT_EQ(image->bitmap()->pixel(1, 1), Color::clear());
}

TEST_F(ImageRendererTest, UserSpaceIsInPointsFromTheTopLeft) {
    ImageRenderer renderer({4, 2}, false, 2);  // 8×4 pixels
    renderer.setFillColor(red);
    renderer.fillRect(Rect::make(0, 0, 1, 1));  // top-left point = 2×2 pixels
    const auto bitmap = renderer.makeImage()->bitmap();
    ASSERT_EQ(bitmap->width(), 8);
    ASSERT_EQ(bitmap->height(), 4);
    expectColorNear(bitmap->pixel(0, 0), red);
    expectColorNear(bitmap->pixel(1, 1), red);
    EXPECT_EQ(bitmap->pixel(2, 0), Color::clear());
    EXPECT_EQ(bitmap->pixel(0, 2), Color::clear());
}

TEST_F(ImageRendererTest, ImageKeepsTheScaleSoItsPointSizeIsTheOneAskedFor) {
    ImageRenderer renderer({1, 1}, false, 2);
    const auto image = renderer.makeImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitmap()->width(), 2);
    EXPECT_EQ(image->bitmap()->height(), 2);
    EXPECT_EQ(image->scale(), 2);
    EXPECT_EQ(image->size(), (Size{1, 1}));
    EXPECT_EQ(image->orientation(), ImageOrientation::up);
}

TEST_F(ImageRendererTest, ScaleZeroMeansTheMainScreensScale) {
    Screen::setMainScale(3);
    ImageRenderer renderer({1, 1}, false, 0);
    EXPECT_EQ(renderer.scale(), 3);
    EXPECT_EQ(renderer.makeImage()->bitmap()->width(), 3);
    Screen::setMainScale(-1);  // ignored
    EXPECT_EQ(Screen::mainScale(), 3);
}

TEST_F(ImageRendererTest, PixelCountsRoundUpButNotForRoundingNoise) {
    ImageRenderer fractional({1.5, 0.2}, false, 1);
    EXPECT_EQ(fractional.pixelWidth(), 2);
    EXPECT_EQ(fractional.pixelHeight(), 1);
    ImageRenderer noisy({1.1, 0.3}, false, 10);  // 11.000000000000002 and 3.0000000000000004
    EXPECT_EQ(noisy.pixelWidth(), 11);
    EXPECT_EQ(noisy.pixelHeight(), 3);
}

TEST_F(ImageRendererTest, UnusableSizesAndScalesGiveNoContext) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const Size size :
         {Size{0, 1}, Size{1, 0}, Size{-1, 1}, Size{1, -2}, Size{nan, 1}, Size{1, infinity}}) {
        ImageRenderer renderer(size, false, 1);
        EXPECT_FALSE(renderer.isValid()) << size.width << "×" << size.height;
        EXPECT_EQ(renderer.cairo(), nullptr);
        renderer.fillRect(Rect::make(0, 0, 1, 1));  // harmless
        EXPECT_EQ(renderer.makeImage(), nullptr);
    }
    for (const double scale : {-1.0, nan, infinity}) {
        EXPECT_FALSE(ImageRenderer({1, 1}, false, scale).isValid()) << scale;
    }
    EXPECT_FALSE(ImageRenderer({100000, 1}, false, 1).isValid());
}

TEST_F(ImageRendererTest, OpaqueContextStartsBlackAndStaysOpaque) {
    ImageRenderer renderer({2, 1}, true, 1);
    renderer.setFillColor(Color{1, 1, 1, 0.5});
    renderer.fillRect(Rect::make(0, 0, 1, 1));
    const auto bitmap = renderer.makeImage()->bitmap();
    expectColorNear(bitmap->pixel(0, 0), Color{0.5, 0.5, 0.5, 1}, 2.0 / 255);
    EXPECT_EQ(bitmap->pixel(1, 0), Color::black());
}

TEST_F(ImageRendererTest, MakeImageIsASnapshot) {
    ImageRenderer renderer({1, 1}, false, 1);
    renderer.setFillColor(red);
    renderer.fillRect(Rect::make(0, 0, 1, 1));
    const auto first = renderer.makeImage();
    renderer.setFillColor(blue);
    renderer.fillRect(Rect::make(0, 0, 1, 1));
    expectColorNear(first->bitmap()->pixel(0, 0), red);
    expectColorNear(renderer.makeImage()->bitmap()->pixel(0, 0), blue);
}

TEST_F(ImageRendererTest, DrawImageShowsItAsOriented) {
    struct Case {
        ImageOrientation orientation;
        Size shown;
        Color first;   // top (or left) pixel
        Color second;  // bottom (or right) pixel
    };
    const Case cases[] = {
        {ImageOrientation::up, {2, 1}, red, blue},
        {ImageOrientation::down, {2, 1}, blue, red},
        {ImageOrientation::upMirrored, {2, 1}, blue, red},
        {ImageOrientation::downMirrored, {2, 1}, red, blue},
        {ImageOrientation::right, {1, 2}, red, blue},  // turned clockwise: left end goes up
        {ImageOrientation::left, {1, 2}, blue, red},
        {ImageOrientation::leftMirrored, {1, 2}, red, blue},
        {ImageOrientation::rightMirrored, {1, 2}, blue, red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.orientation));
        const auto image = redThenBlue(c.orientation);
        ASSERT_EQ(image->size(), c.shown);
        ImageRenderer renderer(c.shown, false, 1);
        renderer.drawImage(*image, Rect::make(0, 0, c.shown.width, c.shown.height));
        const auto bitmap = renderer.makeImage()->bitmap();
        const bool vertical = c.shown.height > c.shown.width;
        expectColorNear(bitmap->pixel(0, 0), c.first);
        expectColorNear(bitmap->pixel(vertical ? 0 : 1, vertical ? 1 : 0), c.second);
    }
}

TEST_F(ImageRendererTest, DrawImageStretchesIntoTheRectWithSolidEdges) {
    auto bitmap = Bitmap::make(1, 1);
    const std::uint32_t word = Bitmap::premultipliedARGB(red);
    std::memcpy(bitmap->mutableData(), &word, sizeof word);
    const auto dot = Image::make(bitmap, 2);  // half a point

    ImageRenderer renderer({6, 6}, false, 1);
    renderer.drawImage(*dot, Rect::make(1, 1, 4, 4));
    const auto result = renderer.makeImage()->bitmap();
    for (int y = 1; y < 5; ++y) {
        for (int x = 1; x < 5; ++x) {
            expectColorNear(result->pixel(x, y), red);
        }
    }
    EXPECT_EQ(result->pixel(0, 0), Color::clear());
    EXPECT_EQ(result->pixel(5, 3), Color::clear());
}

TEST_F(ImageRendererTest, CairoContextDrawsInPoints) {
    ImageRenderer renderer({2, 2}, false, 2);
    ASSERT_NE(renderer.cairo(), nullptr);
    cairo_set_source_rgb(renderer.cairo(), 0, 0, 1);
    cairo_rectangle(renderer.cairo(), 1, 1, 1, 1);
    cairo_fill(renderer.cairo());
    const auto bitmap = renderer.makeImage()->bitmap();
    expectColorNear(bitmap->pixel(3, 3), blue);
    expectColorNear(bitmap->pixel(2, 2), blue);
    EXPECT_EQ(bitmap->pixel(1, 1), Color::clear());
}

}  // namespace
