#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <variant>

#include "ImagingTestPictures.h"
#include "Platform/Imaging/Filter.h"

namespace quorvel::platform {
namespace {

using namespace quorvel::platform::testing;

std::shared_ptr<const FilterImage> applied(const std::shared_ptr<const FilterImage>& image,
                                           const char* name, const FilterParameters& inputs) {
    auto filter = Filter::named(name);
    EXPECT_TRUE(filter);
    EXPECT_TRUE(filter->setValue(Filter::inputImageKey, image));
    for (const auto& [key, value] : inputs) {
        EXPECT_TRUE(filter->setValue(key, value)) << key;
    }
    return filter->outputImage();
}

// The four corner inputs of a perspective correction.
FilterParameters corners(Point topLeft, Point topRight, Point bottomLeft, Point bottomRight) {
    return {{"inputTopLeft", topLeft},
            {"inputTopRight", topRight},
            {"inputBottomLeft", bottomLeft},
            {"inputBottomRight", bottomRight}};
}

std::shared_ptr<const FilterImage> fromPixels(const cv::Mat& bgra) {
    return FilterImage::fromPixels(bgra.clone());
}

cv::Mat opaqueNoise(int rows, int cols) {
    cv::Mat noise(rows, cols, CV_8UC4);
    cv::randu(noise, cv::Scalar::all(0), cv::Scalar::all(256));
    cv::Mat alpha(rows, cols, CV_8UC1, cv::Scalar(255));
    const int toAlpha[] = {0, 3};
    cv::mixChannels(&alpha, 1, &noise, 1, toAlpha, 1);
    return noise;
}

TEST(FilterByName, ProvidesTheFourFiltersAndTakesOnlyTheirInputsOfTheRightKind) {
    for (const char* name : {"CIPerspectiveCorrection", "CILanczosScaleTransform",
                             "CIColorControls", "CIUnsharpMask"}) {
        ASSERT_TRUE(Filter::named(name)) << name;
    }
    for (const char* name : {"CIGaussianBlur", "", "ciColorControls"}) {
        EXPECT_FALSE(Filter::named(name)) << name;
    }
    const auto filter = Filter::named("CIColorControls");
    EXPECT_FALSE(filter->outputImage());  // no input image yet
    EXPECT_FALSE(filter->setValue("inputHue", 0.5));
    EXPECT_FALSE(filter->setValue("inputSaturation", Point{1, 2}));
    EXPECT_FALSE(filter->setValue(Filter::inputImageKey, 1.0));
    EXPECT_TRUE(filter->setValue("inputSaturation", 0.25));
    EXPECT_EQ(std::get<double>(*filter->value("inputSaturation")), 0.25);
    filter->setDefaults();
    EXPECT_EQ(std::get<double>(*filter->value("inputSaturation")), 1.0);

    // Perspective correction has no default corners: no output until all four are set.
    const auto perspective = Filter::named("CIPerspectiveCorrection");
    EXPECT_FALSE(perspective->setValue("inputTopLeft", 3.0));
    EXPECT_FALSE(perspective->value("inputTopLeft"));
    perspective->setValue(Filter::inputImageKey, FilterImage::fromBitmap(solidBitmap(8, 8, red)));
    perspective->setValue("inputTopLeft", Point{0, 8});
    perspective->setValue("inputTopRight", Point{8, 8});
    perspective->setValue("inputBottomLeft", Point{0, 0});
    EXPECT_FALSE(perspective->outputImage());
    perspective->setValue("inputBottomRight", Point{8, 0});
    EXPECT_TRUE(perspective->outputImage());
}

// --- Perspective correction -------------------------------------------------------------------

// An upright page: a checkerboard of 20-pixel squares with coloured 16-pixel corner patches
// (red top-left, green top-right, blue bottom-left, yellow bottom-right).
cv::Mat pagePixels() {
    cv::Mat page(160, 120, CV_8UC4);
    for (int y = 0; y < page.rows; ++y) {
        for (int x = 0; x < page.cols; ++x) {
            const bool dark = ((x / 20) + (y / 20)) % 2 == 0;
            page.at<cv::Vec4b>(y, x) =
                dark ? cv::Vec4b(40, 40, 40, 255) : cv::Vec4b(230, 230, 230, 255);
        }
    }
    page(cv::Rect(0, 0, 16, 16)).setTo(cv::Scalar(0, 0, 255, 255));
    page(cv::Rect(104, 0, 16, 16)).setTo(cv::Scalar(0, 255, 0, 255));
    page(cv::Rect(0, 144, 16, 16)).setTo(cv::Scalar(255, 0, 0, 255));
    page(cv::Rect(104, 144, 16, 16)).setTo(cv::Scalar(0, 255, 255, 255));
    return page;
}

cv::Vec4b at(const cv::Mat& pixels, double fx, double fy) {
    return pixels.at<cv::Vec4b>(static_cast<int>(fy * pixels.rows),
                                static_cast<int>(fx * pixels.cols));
}

TEST(PerspectiveCorrection, StraightensAWarpedPageWithSizeFromItsEdges) {
    const cv::Mat page = pagePixels();
    // The page's corners in a 400 × 300 photo, raster coordinates (y down) of the pixel edges.
    const cv::Point2f photoCorners[] = {{60, 40}, {300, 70}, {330, 260}, {40, 230}};
    const cv::Point2f pageCorners[] = {{0, 0}, {120, 0}, {120, 160}, {0, 160}};
    cv::Point2f from[4];
    cv::Point2f to[4];
    for (int i = 0; i < 4; ++i) {  // OpenCV addresses pixel centres
        from[i] = pageCorners[i] - cv::Point2f(0.5f, 0.5f);
        to[i] = photoCorners[i] - cv::Point2f(0.5f, 0.5f);
    }
    cv::Mat photo;
    cv::warpPerspective(page, photo, cv::getPerspectiveTransform(from, to), cv::Size(400, 300),
                        cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(90, 120, 150, 255));

    auto corner = [](const cv::Point2f& p) { return Point{p.x, 300.0 - p.y}; };  // y up
    const auto straight = applied(fromPixels(photo), "CIPerspectiveCorrection",
                                  corners(corner(photoCorners[0]), corner(photoCorners[1]),
                                          corner(photoCorners[3]), corner(photoCorners[2])));
    ASSERT_TRUE(straight);
    // Width: bottom edge hypot(290, 30) = 291.5 beats top hypot(240, 30); height: right edge
    // hypot(30, 190) = 192.4 beats left hypot(20, 190).
    EXPECT_EQ(straight->extent(), Rect::make(0, 0, 292, 192));

    const cv::Mat& pixels = straight->pixels();
    EXPECT_EQ(at(pixels, 0.04, 0.04), cv::Vec4b(0, 0, 255, 255));
    EXPECT_EQ(at(pixels, 0.96, 0.04), cv::Vec4b(0, 255, 0, 255));
    EXPECT_EQ(at(pixels, 0.04, 0.96), cv::Vec4b(255, 0, 0, 255));
    EXPECT_EQ(at(pixels, 0.96, 0.96), cv::Vec4b(0, 255, 255, 255));

    // Back at the page's size the checkerboard lines up with the original.
    cv::Mat back;
    cv::resize(pixels, back, page.size(), 0, 0, cv::INTER_AREA);
    cv::Mat difference;
    cv::absdiff(back, page, difference);
    const cv::Scalar meanDifference = cv::mean(difference);
    EXPECT_LT(meanDifference[0], 12);
    EXPECT_LT(meanDifference[1], 12);
}

TEST(PerspectiveCorrection, CornersOnTheExtentGiveTheSamePixels) {
    const cv::Mat noise = opaqueNoise(37, 53);
    // Placed away from the origin: corners are in the image's own coordinates.
    const auto image = FilterImage::fromPixels(noise.clone(), Point{10, 20});
    const auto same = applied(image, "CIPerspectiveCorrection",
                              corners(Point{10, 57}, Point{63, 57}, Point{10, 20}, Point{63, 20}));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->extent(), Rect::make(0, 0, 53, 37));
    EXPECT_EQ(cv::norm(same->pixels(), noise, cv::NORM_INF), 0);
}

TEST(PerspectiveCorrection, CornersNamedUpsideDownGiveAnUpsideDownPage) {
    const auto image = FilterImage::fromBitmap(cornerBitmap(6, 4));
    // "Top" corners given at the bottom of the image (y = 0), as when names were chosen with y
    // pointing down.
    const auto flipped = applied(image, "CIPerspectiveCorrection",
                                 corners(Point{0, 0}, Point{6, 0}, Point{0, 4}, Point{6, 4}));
    ASSERT_TRUE(flipped);
    EXPECT_TRUE(sameBytes(*flipped->toBitmap(), *image->oriented(4)->toBitmap()));
}

TEST(PerspectiveCorrection, OutsideTheSourceIsTransparent) {
    const auto image = FilterImage::fromBitmap(solidBitmap(50, 50, blue));
    const auto larger =
        applied(image, "CIPerspectiveCorrection",
                corners(Point{-25, 75}, Point{75, 75}, Point{-25, -25}, Point{75, -25}));
    ASSERT_TRUE(larger);
    EXPECT_EQ(larger->extent(), Rect::make(0, 0, 100, 100));
    const cv::Mat& pixels = larger->pixels();
    EXPECT_EQ(pixels.at<cv::Vec4b>(5, 5), cv::Vec4b(0, 0, 0, 0));
    EXPECT_EQ(pixels.at<cv::Vec4b>(95, 95), cv::Vec4b(0, 0, 0, 0));
    EXPECT_EQ(pixels.at<cv::Vec4b>(50, 50), cv::Vec4b(255, 0, 0, 255));
}

TEST(PerspectiveCorrection, DegenerateQuadrilateralsGiveNothing) {
    const auto image = FilterImage::fromBitmap(solidBitmap(20, 20, blue));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(applied(
        image, "CIPerspectiveCorrection",
        corners(Point{0, 20}, Point{10, 10}, Point{20, 0}, Point{20, 20})));  // three on a line
    EXPECT_FALSE(applied(image, "CIPerspectiveCorrection",
                         corners(Point{nan, 20}, Point{20, 20}, Point{0, 0}, Point{20, 0})));
}

// --- Lanczos scaling --------------------------------------------------------------------------

TEST(LanczosScale, OutputSizeFollowsScaleAndAspectRatio) {
    const auto image = FilterImage::fromBitmap(solidBitmap(100, 50, green));
    auto size = [&](double scale, double aspect) {
        const auto scaled = applied(image, "CILanczosScaleTransform",
                                    {{"inputScale", scale}, {"inputAspectRatio", aspect}});
        return scaled ? scaled->extent() : Rect{};
    };
    EXPECT_EQ(size(1, 1), Rect::make(0, 0, 100, 50));
    EXPECT_EQ(size(0.5, 1), Rect::make(0, 0, 50, 25));
    EXPECT_EQ(size(0.5, 2), Rect::make(0, 0, 100, 25));
    EXPECT_EQ(size(3, 1), Rect::make(0, 0, 300, 150));
    EXPECT_EQ(size(0.5, 4), Rect::make(0, 0, 200, 25));   // wider but lower
    EXPECT_EQ(size(0.333, 1), Rect::make(0, 0, 33, 17));  // 16.65 rounds up
    EXPECT_EQ(size(1e-6, 1), Rect::make(0, 0, 1, 1));
    EXPECT_EQ(size(0, 1), Rect{});
    EXPECT_EQ(size(-1, 1), Rect{});
    EXPECT_EQ(size(std::numeric_limits<double>::quiet_NaN(), 1), Rect{});
    EXPECT_EQ(size(1, 0), Rect{});
    EXPECT_EQ(size(400, 1), Rect{});  // beyond the largest bitmap

    // Narrowing an 801-pixel picture to 800 with a single-precision factor.
    const auto wide = FilterImage::fromBitmap(solidBitmap(801, 3, green));
    const auto narrowed = applied(wide, "CILanczosScaleTransform",
                                  {{"inputScale", static_cast<double>(800.0f / 801.0f)}});
    ASSERT_TRUE(narrowed);
    EXPECT_EQ(narrowed->extent().size.width, 800);
}

TEST(LanczosScale, KeepsFlatColourAndPremultipliedPixelsValid) {
    const auto flat = FilterImage::fromBitmap(solidBitmap(40, 30, Color::fromRGBA8(30, 140, 220)));
    for (double scale : {0.37, 2.6}) {
        const auto scaled = applied(flat, "CILanczosScaleTransform", {{"inputScale", scale}});
        ASSERT_TRUE(scaled);
        cv::Mat difference;
        cv::absdiff(scaled->pixels(), cv::Scalar(220, 140, 30, 255), difference);
        EXPECT_LE(cv::norm(difference, cv::NORM_INF), 1) << scale;
    }

    // A hard edge between opaque white and half-transparent black rings when enlarged; no
    // colour component may end up above its alpha.
    cv::Mat edge(20, 20, CV_8UC4, cv::Scalar(0, 0, 0, 128));
    edge(cv::Rect(0, 0, 10, 20)).setTo(cv::Scalar::all(255));
    const auto enlarged =
        applied(fromPixels(edge), "CILanczosScaleTransform", {{"inputScale", 3.3}});
    ASSERT_TRUE(enlarged);
    cv::Mat channels[4];
    cv::split(enlarged->pixels(), channels);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(cv::countNonZero(channels[c] > channels[3]), 0) << c;
}

// --- Colour controls --------------------------------------------------------------------------

TEST(ColorControls, SaturationZeroGivesRec709Luminance) {
    cv::Mat colours(1, 5, CV_8UC4);
    colours.at<cv::Vec4b>(0, 0) = {0, 0, 255, 255};      // red
    colours.at<cv::Vec4b>(0, 1) = {0, 255, 0, 255};      // green
    colours.at<cv::Vec4b>(0, 2) = {255, 0, 0, 255};      // blue
    colours.at<cv::Vec4b>(0, 3) = {255, 255, 255, 255};  // white
    colours.at<cv::Vec4b>(0, 4) = {0, 0, 128, 128};      // half-transparent red, premultiplied
    const auto grey = applied(fromPixels(colours), "CIColorControls", {{"inputSaturation", 0.0}});
    ASSERT_TRUE(grey);
    const cv::Mat& pixels = grey->pixels();
    const int expected[] = {54, 182, 18, 255, 27};  // 0.2125, 0.7154, 0.0721 of 255; of 128
    for (int i = 0; i < 5; ++i) {
        const cv::Vec4b p = pixels.at<cv::Vec4b>(0, i);
        EXPECT_EQ(p[0], p[1]) << i;
        EXPECT_EQ(p[1], p[2]) << i;
        EXPECT_NEAR(p[2], expected[i], 1) << i;
    }
    EXPECT_EQ(pixels.at<cv::Vec4b>(0, 4)[3], 128);  // alpha kept
}

TEST(ColorControls, GreyOfEveryColourMatchesTheGeneralColourMatrix) {
    // All 2^24 colours, opaque, then a row of every alpha over a few colours.
    cv::Mat colours(4097, 4096, CV_8UC4);
    for (int i = 0; i < (1 << 24); ++i) {
        colours.at<cv::Vec4b>(i / 4096, i % 4096) = {static_cast<std::uint8_t>(i),
                                                     static_cast<std::uint8_t>(i >> 8),
                                                     static_cast<std::uint8_t>(i >> 16), 255};
    }
    for (int x = 0; x < 4096; ++x) {
        const auto alpha = static_cast<std::uint8_t>(x % 256);
        colours.at<cv::Vec4b>(4096, x) = {
            static_cast<std::uint8_t>(std::min(x / 256 * 17, +alpha)),
            static_cast<std::uint8_t>(std::min(x / 16 % 16 * 17, +alpha)), alpha, alpha};
    }
    const auto grey = applied(fromPixels(colours), "CIColorControls", {{"inputSaturation", 0.0}});
    ASSERT_TRUE(grey);

    // The colour matrix of saturation 0 applied in general, held within each pixel's alpha.
    const cv::Matx44d matrix(0.0721, 0.7154, 0.2125, 0, 0.0721, 0.7154, 0.2125, 0, 0.0721, 0.7154,
                             0.2125, 0, 0, 0, 0, 1);
    cv::Mat expected;
    cv::transform(colours, expected, matrix);
    for (int y = 0; y < expected.rows; ++y) {
        for (int x = 0; x < expected.cols; ++x) {
            auto& p = expected.at<cv::Vec4b>(y, x);
            for (int c = 0; c < 3; ++c) p[c] = std::min(p[c], p[3]);
        }
    }
    EXPECT_EQ(cv::norm(grey->pixels(), expected, cv::NORM_INF), 0);
}

TEST(ColorControls, BrightnessAddsAndContrastStretchesAboutTheMiddle) {
    const auto image = FilterImage::fromBitmap(solidBitmap(2, 2, Color::fromRGBA8(153, 100, 0)));
    auto first = [](const std::shared_ptr<const FilterImage>& result) {
        return result->pixels().at<cv::Vec4b>(0, 0);
    };
    const auto brighter = first(applied(image, "CIColorControls", {{"inputBrightness", 0.1}}));
    EXPECT_NEAR(brighter[2], 153 + 25.5, 1);
    EXPECT_NEAR(brighter[0], 25.5, 1);
    EXPECT_EQ(brighter[3], 255);
    // (0.6 − 0.5) × 2 + 0.5 = 0.7; 0 → −0.5 → 0.
    const auto stronger = first(applied(image, "CIColorControls", {{"inputContrast", 2.0}}));
    EXPECT_NEAR(stronger[2], 178.5, 1);
    EXPECT_EQ(stronger[0], 0);
    const auto washedOut = first(applied(image, "CIColorControls", {{"inputBrightness", 1.0}}));
    EXPECT_EQ(washedOut, cv::Vec4b(255, 255, 255, 255));

    const auto unchanged = applied(image, "CIColorControls", {});
    EXPECT_TRUE(sameBytes(*unchanged->toBitmap(), *image->toBitmap()));
}

// --- Unsharp mask -----------------------------------------------------------------------------

TEST(UnsharpMask, SteepensEdgesAndLeavesFlatAreasAlone) {
    cv::Mat step(10, 40, CV_8UC4, cv::Scalar(64, 64, 64, 255));
    step(cv::Rect(20, 0, 20, 10)).setTo(cv::Scalar(192, 192, 192, 255));
    // The settings of a document filter chain, and the defaults.
    for (const FilterParameters& settings :
         {FilterParameters{{"inputRadius", 1.0}, {"inputIntensity", 2.0}}, FilterParameters{}}) {
        const auto sharp = applied(fromPixels(step), "CIUnsharpMask", settings);
        ASSERT_TRUE(sharp);
        const cv::Mat& pixels = sharp->pixels();
        for (int y : {0, 5, 9}) {
            EXPECT_LT(pixels.at<cv::Vec4b>(y, 19)[0], 64);
            EXPECT_GT(pixels.at<cv::Vec4b>(y, 20)[0], 192);
            // Far from the edge, the image's own borders included, nothing changes.
            EXPECT_EQ(pixels.at<cv::Vec4b>(y, 0), cv::Vec4b(64, 64, 64, 255));
            EXPECT_EQ(pixels.at<cv::Vec4b>(y, 3), cv::Vec4b(64, 64, 64, 255));
            EXPECT_EQ(pixels.at<cv::Vec4b>(y, 39), cv::Vec4b(192, 192, 192, 255));
        }
    }
    const auto same = applied(fromPixels(step), "CIUnsharpMask", {{"inputRadius", 0.0}});
    ASSERT_TRUE(same);
    EXPECT_EQ(cv::norm(same->pixels(), step, cv::NORM_INF), 0);
}

}  // namespace
}  // namespace quorvel::platform
