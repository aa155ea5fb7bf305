#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Imaging/RectangleFeature.h"
#include "Support/DocumentScene.h"

namespace quorvel {
namespace {

using quorvel::platform::ImageOrientation;
using quorvel::platform::Point;
using quorvel::platform::RectangleObservation;

RectangleObservation candidate(Point tl, Point tr, Point br, Point bl) {
    return RectangleObservation{tl, tr, bl, br, 1.0f};
}

void expectCorners(const RectangleFeature& f, Point tl, Point tr, Point br, Point bl) {
    EXPECT_EQ(f.topLeft, tl);
    EXPECT_EQ(f.topRight, tr);
    EXPECT_EQ(f.bottomRight, br);
    EXPECT_EQ(f.bottomLeft, bl);
}

const RectangleObservation example = candidate({0.1, 0.9}, {0.6, 0.9}, {0.6, 0.2}, {0.1, 0.2});

TEST(RectangleFeatureChoice, EmptyListGivesNothing) {
    EXPECT_EQ(RectangleFeature::biggestAdjustedRectangle({}, std::nullopt), nullptr);
    EXPECT_EQ(RectangleFeature::biggestAdjustedRectangle({}, ImageOrientation::right), nullptr);
}

TEST(RectangleFeatureChoice, KeepsFirstOnEqualScoreAndTakesStrictlyBigger) {
    const auto small = candidate({0, 1}, {0.5, 1}, {0.5, 0.5}, {0, 0.5});
    const auto sameSize = candidate({0.2, 1}, {0.7, 1}, {0.7, 0.5}, {0.2, 0.5});
    auto first = RectangleFeature::biggestAdjustedRectangle({small, sameSize}, std::nullopt);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bottomLeft, (Point{0, 1}));

    const auto big = candidate({0, 1}, {1, 1}, {1, 0}, {0, 0});
    auto bigger = RectangleFeature::biggestAdjustedRectangle({small, big}, std::nullopt);
    EXPECT_EQ(bigger->bottomRight, (Point{1, 1}));
}

TEST(RectangleFeatureChoice, NotANumberScoreNeverWins) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto small = candidate({0, 1}, {0.5, 1}, {0.5, 0.5}, {0, 0.5});
    const auto broken = candidate({nan, 1}, {1, 1}, {1, 0}, {0, 0});
    auto f = RectangleFeature::biggestAdjustedRectangle({small, broken}, std::nullopt);
    EXPECT_EQ(f->bottomLeft, (Point{0, 1}));
    // The first candidate is kept even when its own score is not a number, unless a later one
    // scores strictly more than zero.
    const auto point = candidate({0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
    auto g = RectangleFeature::biggestAdjustedRectangle({broken, point}, std::nullopt);
    EXPECT_TRUE(std::isnan(g->bottomLeft.x) || std::isnan(g->topLeft.x) ||
                std::isnan(g->topRight.x) || std::isnan(g->bottomRight.x));
}

TEST(RectangleFeatureOrdering, WorkedExampleStraightOrientations) {
    for (std::optional<ImageOrientation> orientation :
         {std::optional<ImageOrientation>{}, std::optional{ImageOrientation::up},
          std::optional{ImageOrientation::upMirrored}, std::optional{ImageOrientation::down},
          std::optional{ImageOrientation::downMirrored}}) {
        auto f = RectangleFeature::biggestAdjustedRectangle({example}, orientation);
        ASSERT_TRUE(f);
        expectCorners(*f, {0.1, 0.2}, {0.6, 0.2}, {0.6, 0.9}, {0.1, 0.9});
    }
}

TEST(RectangleFeatureOrdering, WorkedExampleTransposedOrientations) {
    for (ImageOrientation orientation : {ImageOrientation::leftMirrored, ImageOrientation::right,
                                         ImageOrientation::rightMirrored, ImageOrientation::left}) {
        auto f = RectangleFeature::biggestAdjustedRectangle({example}, orientation);
        ASSERT_TRUE(f);
        expectCorners(*f, {0.2, 0.1}, {0.9, 0.1}, {0.9, 0.6}, {0.2, 0.6});
    }
}

TEST(RectangleFeatureOrdering, UnitSquare) {
    auto f = RectangleFeature::biggestAdjustedRectangle({candidate({0, 1}, {1, 1}, {1, 0}, {0, 0})},
                                                        std::nullopt);
    expectCorners(*f, {0, 0}, {1, 0}, {1, 1}, {0, 1});
}

TEST(RectangleFeatureOrdering, FourEqualPointsKeepInputOrder) {
    // Input order is topLeft, topRight, bottomLeft, bottomRight; s[0] becomes bottomLeft.
    const RectangleObservation same{{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, 1};
    auto f = RectangleFeature::biggestAdjustedRectangle({same}, std::nullopt);
    expectCorners(*f, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});

    // Distinguish the points by a tiny offset that does not change the single-precision keys
    // ordering between equal-key points: a point exactly left of the centre sorts first.
    auto g = RectangleFeature::biggestAdjustedRectangle(
        {candidate({0, 0.5}, {1, 1}, {1, 0}, {0.5, 0})}, std::nullopt);
    EXPECT_EQ(g->bottomLeft, (Point{0, 0.5}));
}

TEST(RectangleFeatureGeometry, ScaleMapsEveryCornerIndependently) {
    RectangleFeature f({0.5, 0.25}, {0.5, 0.25}, {0.5, 0.25}, {0.5, 0.25});
    f.scaleFeature({1920, 1080});
    expectCorners(f, {960, 270}, {960, 270}, {960, 270}, {960, 270});
}

TEST(RectangleFeatureGeometry, CornerVariance) {
    RectangleFeature a({0, 0}, {10, 0}, {10, 10}, {0, 10});
    RectangleFeature b({0, 0}, {10, 0}, {10, 10}, {0, 10});
    EXPECT_EQ(a.cornerVarianceFrom(b), 0.0f);
    b.bottomRight = {13, 14};
    EXPECT_EQ(a.cornerVarianceFrom(b), 5.0f);
    EXPECT_EQ(b.cornerVarianceFrom(a), 5.0f);
}

TEST(RectangleFeatureGeometry, StraighteningTakesTheCamerasLensWhereTheOutlineCannotTellIt) {
    // A 200 × 300 card tipped back 35° about its horizontal axis, through a long lens (focal
    // length 4000 on a 1000 × 1500 picture): only its left and right sides converge, so the
    // outline alone does not fix the lens.
    const double focalLength = 4000, tilt = 35 * std::acos(-1.0) / 180, distance = 2400;
    auto seen = [&](double x, double y) {
        const double depth = distance + y * std::sin(tilt);
        return Point{500 + focalLength * x / depth, 750 + focalLength * y * std::cos(tilt) / depth};
    };
    const RectangleFeature card(seen(-100, 150), seen(100, 150), seen(100, -150), seen(-100, -150));
    const auto picture = platform::FilterImage::fromPixels(
        cv::Mat(1500, 1000, CV_8UC4, cv::Scalar(255, 255, 255, 255)));
    ASSERT_TRUE(picture);

    const auto straight = RectangleFeature::correctPerspective(*picture, card, 1.0, focalLength);
    ASSERT_TRUE(straight);
    EXPECT_NEAR(straight->extent().width() / straight->extent().height(), 200.0 / 300.0, 0.005);
}

// The picture's raster point (rows top-down) in its lower-left-origin pixel space.
Point fromRaster(cv::Point2d p, int pictureHeight) {
    return {p.x, pictureHeight - p.y};
}

cv::Matx33d perspectiveTransform(const std::array<cv::Point2d, 4>& from,
                                 const std::array<cv::Point2d, 4>& to) {
    std::array<cv::Point2f, 4> a, b;
    for (int i = 0; i < 4; ++i) {
        a[i] = from[i];
        b[i] = to[i];
    }
    return cv::getPerspectiveTransform(a.data(), b.data());
}

double laplacianVariance(const cv::Mat& bgra) {
    cv::Mat grey, laplacian;
    cv::cvtColor(bgra, grey, cv::COLOR_BGRA2GRAY);
    cv::Laplacian(grey, laplacian, CV_64F);
    cv::Scalar mean, deviation;
    cv::meanStdDev(laplacian, mean, deviation);
    return deviation[0] * deviation[0];
}

TEST(RectangleFeatureGeometry, PageOfFinePrintIsAsSharpAsOneWarpOfThePhoto) {
    // An A4 page of small print, photographed through a pinhole camera at 15 to 35 degrees.
    cv::Mat page(1980, 1400, CV_8UC4, cv::Scalar::all(255));
    std::mt19937 random(7);
    for (int y = 24; y < page.rows - 10; y += 13) {
        std::string line;
        for (int i = 0; i < 110; ++i) line += static_cast<char>('a' + random() % 26);
        cv::putText(page, line, {12, y}, cv::FONT_HERSHEY_PLAIN, 0.8, cv::Scalar(0, 0, 0, 255));
    }
    const cv::Size picture(1512, 2016);
    const std::array<cv::Point2d, 4> pageCorners{{{0, 0}, {1400, 0}, {1400, 1980}, {0, 1980}}};
    for (const double tilt : {15.0, 25.0, 35.0}) {
        const auto corners = testing_vision::pinholeCorners(210, 297, tilt, 70, 2, picture, 1848);
        cv::Mat photo(picture, CV_8UC4, cv::Scalar(90, 110, 130, 255));
        cv::warpPerspective(page, photo, perspectiveTransform(pageCorners, corners), picture,
                            cv::INTER_AREA, cv::BORDER_TRANSPARENT);
        const RectangleFeature outline(
            fromRaster(corners[0], picture.height), fromRaster(corners[1], picture.height),
            fromRaster(corners[2], picture.height), fromRaster(corners[3], picture.height));
        const auto straight = RectangleFeature::correctPerspective(
            *platform::FilterImage::fromPixels(photo.clone()), outline, 1.0);
        ASSERT_TRUE(straight);

        // One bilinear warp of the photo to the same size, sampled at the pixels' centres.
        const cv::Mat& pixels = straight->pixels();
        const std::array<cv::Point2d, 4> pageEdges{{{0, 0},
                                                    {double(pixels.cols), 0},
                                                    {double(pixels.cols), double(pixels.rows)},
                                                    {0, double(pixels.rows)}}};
        const cv::Matx33d toEdges(1, 0, 0.5, 0, 1, 0.5, 0, 0, 1);
        const cv::Matx33d toCentres(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1);
        const cv::Matx33d pageToPhoto = perspectiveTransform(pageEdges, corners);
        cv::Mat once;
        cv::warpPerspective(photo, once, toCentres * pageToPhoto * toEdges, pixels.size(),
                            cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
        EXPECT_GE(laplacianVariance(pixels), 0.9 * laplacianVariance(once)) << "tilt " << tilt;
    }
}

TEST(RectangleFeatureGeometry, PageHasNoMorePixelsThanItsPicture) {
    const auto picture = platform::FilterImage::fromPixels(
        cv::Mat(100, 100, CV_8UC4, cv::Scalar(255, 255, 255, 255)));
    // Corners far outside the picture: a square of 32000 pixels a side.
    const RectangleFeature outline({-15950, 16050}, {16050, 16050}, {16050, -15950},
                                   {-15950, -15950});
    platform::ScopedLogCapture log;
    const auto straight = RectangleFeature::correctPerspective(*picture, outline, 1.0);
    ASSERT_TRUE(straight);
    EXPECT_LE(straight->extent().width() * straight->extent().height(), 100 * 100);
    EXPECT_NEAR(straight->extent().width(), straight->extent().height(), 1);
    EXPECT_EQ(log.messages().size(), 1u);
}

TEST(RectangleFeatureGeometry, OutlineThatCannotBeAPageGivesNoPage) {
    const auto picture = platform::FilterImage::fromPixels(
        cv::Mat(3024, 4032, CV_8UC4, cv::Scalar(255, 255, 255, 255)));
    const RectangleFeature crossed({100, 2900}, {3900, 2900}, {100, 100}, {3900, 100});
    const RectangleFeature concave({100, 2900}, {3900, 2900}, {3900, 100}, {2500, 1800});
    const RectangleFeature threeOnALine({100, 2900}, {2000, 2900}, {3900, 2900}, {100, 100});
    for (const auto* outline : {&crossed, &concave, &threeOnALine}) {
        EXPECT_FALSE(outline->isConvex());
        EXPECT_FALSE(RectangleFeature::correctPerspective(*picture, *outline, 1.0));
    }
    EXPECT_TRUE(RectangleFeature({100, 2900}, {3900, 2900}, {3900, 100}, {100, 100}).isConvex());
}

}  // namespace
}  // namespace quorvel
