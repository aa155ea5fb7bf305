#include <gtest/gtest.h>

#include <atomic>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/Graphics/ExifOrientation.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Log/ScopedLogCapture.h"
#include "Source/Imaging/RectangleDetector.h"
#include "Support/DocumentScene.h"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using quorvel::platform::ImageOrientation;
using quorvel::platform::MainRunLoop;
using quorvel::platform::Point;
using testing_vision::SceneOptions;

// A portrait camera frame (1080 × 1920) with a page at known corners.
SceneOptions portraitFrame() {
    SceneOptions options;
    options.size = {1080, 1920};
    options.corners = {cv::Point2d(180, 420), cv::Point2d(900, 380), cv::Point2d(960, 1500),
                       cv::Point2d(140, 1540)};
    return options;
}

std::shared_ptr<quorvel::platform::PixelBuffer> bgraBuffer(const cv::Mat& bgr) {
    auto buffer = quorvel::platform::PixelBuffer::make(bgr.cols, bgr.rows,
                                                       quorvel::platform::PixelFormat::bgra32);
    buffer->lockBaseAddress();
    cv::Mat pixels = buffer->asMat();
    cv::cvtColor(bgr, pixels, cv::COLOR_BGR2BGRA);
    buffer->unlockBaseAddress();
    return buffer;
}

// Where a preview layer draws the frame, as the detector reads it.
RectangleDetector::PictureRect pictureAt(quorvel::platform::Rect picture) {
    return [picture](quorvel::platform::Size) { return picture; };
}

struct LiveResult {
    int calls = 0;
    std::shared_ptr<quorvel::platform::BezierPath> path;
    std::shared_ptr<RectangleFeature> feature;
    Point center;
    quorvel::platform::Rect extent;
    bool onMain = false;
};

LiveResult detectLive(const std::shared_ptr<RectangleDetector>& detector,
                      const std::shared_ptr<quorvel::platform::PixelBuffer>& buffer,
                      ImageOrientation orientation, quorvel::platform::Rect layerFrame) {
    auto result = std::make_shared<LiveResult>();
    auto queue = quorvel::platform::DispatchQueue::makeSerial("detection");
    detector->detectPath(
        buffer, orientation, pictureAt(layerFrame), queue,
        [result](auto path, auto feature, Point center, quorvel::platform::Rect extent) {
            ++result->calls;
            result->onMain = quorvel::platform::DispatchQueue::isMainThread();
            result->path = path;
            result->feature = feature;
            result->center = center;
            result->extent = extent;
        });
    EXPECT_TRUE(MainRunLoop::runUntil([&] { return result->calls > 0; }, 90s));
    MainRunLoop::runUntilIdle();
    return *result;
}

TEST(LiveDetection, OutlineLandsOnThePageForEveryDeviceOrientation) {
    const auto scene = testing_vision::renderScene(portraitFrame());
    auto buffer = bgraBuffer(scene.image);
    auto detector = RectangleDetector::make();
    const double tolerance = 0.02 * std::hypot(1080, 1920) / 2;
    for (ImageOrientation orientation : {ImageOrientation::left, ImageOrientation::right,
                                         ImageOrientation::down, ImageOrientation::up}) {
        const int exif = quorvel::platform::exifOrientation(orientation);
        // The layer shows the frame at half size.
        auto result = detectLive(detector, buffer, orientation, {{0, 0}, {540, 960}});
        ASSERT_EQ(result.calls, 1);
        EXPECT_TRUE(result.onMain);
        ASSERT_TRUE(result.feature) << exif;
        EXPECT_EQ(result.extent, (quorvel::platform::Rect{{0, 0}, {1080, 1920}}));
        const auto& f = *result.feature;
        auto near = [&](Point layer, cv::Point2d truth) {
            return std::hypot(layer.x - truth.x / 2, layer.y - truth.y / 2) < tolerance;
        };
        EXPECT_TRUE(near(f.topLeft, scene.corners[0])) << exif;
        EXPECT_TRUE(near(f.topRight, scene.corners[1])) << exif;
        EXPECT_TRUE(near(f.bottomRight, scene.corners[2])) << exif;
        EXPECT_TRUE(near(f.bottomLeft, scene.corners[3])) << exif;
        ASSERT_TRUE(result.path);
        EXPECT_EQ(result.path->elements().front().point, f.topLeft);
    }
}

TEST(LiveDetection, FrameWithoutAPageAndReleasedDetectorGiveTheEmptyResult) {
    auto options = portraitFrame();
    options.withPage = false;
    auto empty = bgraBuffer(testing_vision::renderScene(options).image);
    auto result =
        detectLive(RectangleDetector::make(), empty, ImageOrientation::left, {{0, 0}, {540, 960}});
    EXPECT_EQ(result.calls, 1);
    EXPECT_FALSE(result.path);
    EXPECT_FALSE(result.feature);
    EXPECT_EQ(result.center, (Point{0, 0}));
    EXPECT_EQ(result.extent, quorvel::platform::Rect{});

    // The detector goes away while its request waits behind other work on the vision queue.
    auto page = bgraBuffer(testing_vision::renderScene(portraitFrame()).image);
    std::atomic<bool> release{false};
    RectangleDetector::workQueue()->async([&] {
        while (!release.load()) std::this_thread::yield();
    });
    auto detector = RectangleDetector::make();
    auto released = std::make_shared<LiveResult>();
    detector->detectPath(page, ImageOrientation::left, pictureAt({{0, 0}, {540, 960}}),
                         quorvel::platform::DispatchQueue::makeSerial("detection"),
                         [released](auto path, auto feature, Point, quorvel::platform::Rect) {
                             ++released->calls;
                             released->path = path;
                             released->feature = feature;
                         });
    std::weak_ptr<RectangleDetector> weak = detector;
    detector.reset();
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return weak.expired(); }, 90s));
    release = true;
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return released->calls > 0; }, 90s));
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(released->calls, 1);
    EXPECT_FALSE(released->feature);
}

TEST(CropDetection, CornersComeBackInViewPointsWithYDown) {
    const auto scene = testing_vision::renderScene(SceneOptions{});
    cv::Mat bgra;
    cv::cvtColor(scene.image, bgra, cv::COLOR_BGR2BGRA);
    auto bitmap = quorvel::platform::Bitmap::make(bgra.cols, bgra.rows);
    bgra.copyTo(cv::Mat(bgra.rows, bgra.cols, CV_8UC4, bitmap->mutableData()));
    auto image = quorvel::platform::Image::make(bitmap);

    int calls = 0;
    std::shared_ptr<RectangleFeature> corners;
    auto detector = RectangleDetector::make();
    // Shown at half size.
    detector->detectCropCorners(image, {480, 360},
                                quorvel::platform::DispatchQueue::makeSerial("corners"),
                                [&](std::shared_ptr<RectangleFeature> f) {
                                    ++calls;
                                    corners = f;
                                });
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return calls > 0; }, 90s));
    ASSERT_TRUE(corners);
    const double tolerance = 0.02 * std::hypot(480, 360);
    auto near = [&](Point p, cv::Point2d truth) {
        return std::hypot(p.x - truth.x / 2, p.y - truth.y / 2) < tolerance;
    };
    // bottomLeft is the corner nearest the view's top left, then clockwise.
    EXPECT_TRUE(near(corners->bottomLeft, scene.corners[0]));
    EXPECT_TRUE(near(corners->bottomRight, scene.corners[1]));
    EXPECT_TRUE(near(corners->topRight, scene.corners[2]));
    EXPECT_TRUE(near(corners->topLeft, scene.corners[3]));

    SceneOptions blank;
    blank.withPage = false;
    cv::cvtColor(testing_vision::renderScene(blank).image, bgra, cv::COLOR_BGR2BGRA);
    bgra.copyTo(cv::Mat(bgra.rows, bgra.cols, CV_8UC4, bitmap->mutableData()));
    calls = 0;
    corners = std::make_shared<RectangleFeature>(Point{}, Point{}, Point{}, Point{});
    detector->detectCropCorners(
        quorvel::platform::Image::make(quorvel::platform::Bitmap::copy(*bitmap)), {480, 360},
        quorvel::platform::DispatchQueue::makeSerial("corners"),
        [&](std::shared_ptr<RectangleFeature> f) {
            ++calls;
            corners = f;
        });
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return calls > 0; }, 90s));
    MainRunLoop::runUntilIdle();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(corners, nullptr);
}

// Normalized cross-correlation of two grey pictures of the same size.
double correlation(const cv::Mat& a, const cv::Mat& b) {
    cv::Mat fa, fb;
    a.convertTo(fa, CV_32F);
    b.convertTo(fb, CV_32F);
    cv::Mat result;
    cv::matchTemplate(fa, fb, result, cv::TM_CCOEFF_NORMED);
    return result.at<float>(0, 0);
}

struct AutomaticResult {
    int calls = 0;
    std::optional<RectangleDetector::ProcessedImage> processed;
    bool onVisionQueue = false;
};

AutomaticResult processAutomatically(const std::optional<quorvel::platform::Data>& photo,
                                     bool blurTest) {
    auto result = std::make_shared<AutomaticResult>();
    auto feature = std::make_shared<RectangleFeature>(Point{10, 10}, Point{500, 10},
                                                      Point{500, 900}, Point{10, 900});
    RectangleDetector::make()->automaticProcessedImage(
        photo, ImageOrientation::left, feature, {{0, 0}, {1080, 1920}}, blurTest,
        [result](std::optional<RectangleDetector::ProcessedImage> processed) {
            result->onVisionQueue = RectangleDetector::workQueue()->isCurrent();
            result->processed = processed;
            ++result->calls;
        });
    RectangleDetector::workQueue()->sync([] {});
    return *result;
}

// The upright scene as a portrait phone's camera stores it: turned a quarter to the left, with
// EXIF orientation 6.
std::optional<quorvel::platform::Data> photoAsStored(const cv::Mat& upright) {
    cv::Mat stored;
    cv::rotate(upright, stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    cv::cvtColor(stored, stored, cv::COLOR_BGR2BGRA);
    auto bitmap = quorvel::platform::Bitmap::make(stored.cols, stored.rows);
    stored.copyTo(cv::Mat(stored.rows, stored.cols, CV_8UC4, bitmap->mutableData()));
    return quorvel::platform::ImageEncoding::jpegData(*bitmap, 0.92, 6);
}

TEST(AutomaticProcessing, PortraitPhotoGivesTheStraightenedUprightPage) {
    // The scene as a portrait phone shows it; the camera stores it turned a quarter to the left
    // with EXIF orientation 6.
    SceneOptions options;
    options.size = {1200, 1600};
    options.corners = {cv::Point2d(200, 250), cv::Point2d(1000, 300), cv::Point2d(1050, 1400),
                       cv::Point2d(150, 1350)};
    const auto scene = testing_vision::renderScene(options);
    auto result = processAutomatically(photoAsStored(scene.image), false);
    ASSERT_EQ(result.calls, 1);
    EXPECT_TRUE(result.onVisionQueue);
    ASSERT_TRUE(result.processed);
    EXPECT_FALSE(result.processed->isBlurry);
    const auto& page = *result.processed->image;
    EXPECT_LT(page.size().width, page.size().height) << "a portrait page";

    // The page straightened by hand from the known corners, at the result's size.
    const cv::Size size(page.bitmap()->width(), page.bitmap()->height());
    const std::array<cv::Point2f, 4> from{
        cv::Point2f(scene.corners[0]), cv::Point2f(scene.corners[1]), cv::Point2f(scene.corners[2]),
        cv::Point2f(scene.corners[3])};
    const std::array<cv::Point2f, 4> to{cv::Point2f(0, 0), cv::Point2f(size.width, 0),
                                        cv::Point2f(size.width, size.height),
                                        cv::Point2f(0, size.height)};
    cv::Mat truth;
    cv::warpPerspective(scene.image, truth, cv::getPerspectiveTransform(from.data(), to.data()),
                        size);
    cv::cvtColor(truth, truth, cv::COLOR_BGR2GRAY);
    cv::Mat produced(size, CV_8UC4, const_cast<std::uint8_t*>(page.bitmap()->data()));
    cv::Mat grey;
    cv::cvtColor(produced, grey, cv::COLOR_BGRA2GRAY);
    EXPECT_GT(correlation(grey, truth), 0.8);

    cv::Mat upsideDown;
    cv::flip(truth, upsideDown, -1);
    EXPECT_LT(correlation(grey, upsideDown), 0.5);
}

TEST(AutomaticProcessing, TiltedPagesComeOutWithThePapersShape) {
    struct Paper {
        double width, height;
    };
    const Paper letter{215.9, 279.4}, a4{210, 297}, a5{148, 210};
    struct Shot {
        Paper paper;
        double tilt, direction, turn;
    };
    const Shot shots[] = {
        {letter, 10, 30, 2}, {letter, 25, 120, -3}, {letter, 40, 200, 1}, {a4, 15, 300, 4},
        {a4, 30, 60, -2},    {a4, 38, 160, 0},      {a5, 20, 240, -4},    {a5, 35, 10, 3},
        {letter, 30, 90, 0}, {a4, 25, 0, 1},
    };
    std::vector<double> errors;
    std::string figures;
    for (const auto& shot : shots) {
        SceneOptions options;
        options.size = {1080, 1920};
        options.corners = testing_vision::pinholeCorners(shot.paper.width, shot.paper.height,
                                                         shot.tilt, shot.direction, shot.turn);
        const auto result =
            processAutomatically(photoAsStored(testing_vision::renderScene(options).image), false);
        ASSERT_TRUE(result.processed);
        const auto size = result.processed->image->size();
        const double error =
            std::fabs(size.width / size.height / (shot.paper.width / shot.paper.height) - 1);
        errors.push_back(error);
        figures += " " + std::to_string(error);
    }
    std::sort(errors.begin(), errors.end());
    EXPECT_LE(errors[errors.size() / 2], 0.02) << "errors:" << figures;
    EXPECT_LE(errors.back(), 0.05) << "errors:" << figures;
}

TEST(AutomaticProcessing, PhotoWithoutAPageIsCutWithTheLiveRectangleRescaled) {
    SceneOptions options;
    options.size = {1600, 1200};
    options.withPage = false;
    auto bitmap = quorvel::platform::Bitmap::make(1600, 1200);
    cv::Mat bgra(1200, 1600, CV_8UC4, bitmap->mutableData());
    cv::cvtColor(testing_vision::renderScene(options).image, bgra, cv::COLOR_BGR2BGRA);
    const auto photo = quorvel::platform::ImageEncoding::jpegData(*bitmap, 0.9, 6);

    // The live rectangle, in points of a preview showing 1080 × 1920 frames.
    auto feature = std::make_shared<RectangleFeature>(Point{108, 192}, Point{972, 192},
                                                      Point{972, 1728}, Point{108, 1728});
    std::optional<RectangleDetector::ProcessedImage> processed;
    RectangleDetector::make()->automaticProcessedImage(photo, ImageOrientation::left, feature,
                                                       {{0, 0}, {1080, 1920}}, false,
                                                       [&](auto result) { processed = result; });
    RectangleDetector::workQueue()->sync([] {});

    // Rescaled in place to the photo drawn turned upright (1200 × 1600).
    EXPECT_NEAR(feature->topLeft.x, 120, 1e-9);
    EXPECT_NEAR(feature->topLeft.y, 160, 1e-9);
    EXPECT_NEAR(feature->bottomRight.x, 1080, 1e-9);
    EXPECT_NEAR(feature->bottomRight.y, 1440, 1e-9);
    ASSERT_TRUE(processed);
    EXPECT_EQ(processed->image->size(), (quorvel::platform::Size{960, 1280}));
}

TEST(AutomaticProcessing, PageTooLargeForAGreyCopyIsTestedForBlurAsCorrected) {
    // A white-edged page of noise on black, about 2800 × 3800 pixels: its full-quality JPEG is
    // far above 10 MiB. The photo is stored turned, with EXIF orientation 6.
    cv::Mat upright(4000, 3000, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    upright(cv::Rect(100, 100, 2800, 3800)).setTo(cv::Scalar::all(255));
    cv::Mat inside = upright(cv::Rect(140, 140, 2720, 3720));
    cv::randu(inside, cv::Scalar::all(0), cv::Scalar::all(256));
    upright.reshape(1, upright.rows * upright.cols).col(3).setTo(255);
    auto bitmap = quorvel::platform::Bitmap::make(4000, 3000);
    cv::Mat stored(3000, 4000, CV_8UC4, bitmap->mutableData());
    cv::rotate(upright, stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    const auto photo = quorvel::platform::ImageEncoding::jpegData(*bitmap, 1.0, 6);

    quorvel::platform::ScopedLogCapture log;
    auto result = processAutomatically(photo, true);
    EXPECT_EQ(result.calls, 1);
    ASSERT_TRUE(result.processed);
    EXPECT_GT(result.processed->image->size().width * result.processed->image->size().height, 5e6);
    EXPECT_FALSE(result.processed->isBlurry) << "noise is all edges";
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_TRUE(log.messages()[0].starts_with("Failed to apply greyscale filter: "))
        << log.messages()[0];
}

TEST(AutomaticProcessing, UndecodablePhotoCompletesWithAFailure) {
    quorvel::platform::ScopedLogCapture log;
    auto result = processAutomatically(quorvel::platform::Data{1, 2, 3}, true);
    EXPECT_EQ(result.calls, 1);
    EXPECT_FALSE(result.processed);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Unable to generate core image from image data."});
}

TEST(AutomaticProcessing, TruncatedPhotoCompletesWithAFailure) {
    // A photo cut short in transfer: libjpeg would fill in the missing part with grey.
    SceneOptions options;
    options.size = {800, 600};
    auto bitmap = quorvel::platform::Bitmap::make(800, 600);
    cv::Mat bgra(600, 800, CV_8UC4, bitmap->mutableData());
    cv::cvtColor(testing_vision::renderScene(options).image, bgra, cv::COLOR_BGR2BGRA);
    const auto jpeg = quorvel::platform::ImageEncoding::jpegData(*bitmap, 0.9, 6);
    ASSERT_TRUE(jpeg);
    const quorvel::platform::Data cut(jpeg->begin(), jpeg->begin() + jpeg->size() / 10);

    quorvel::platform::ScopedLogCapture log;
    auto result = processAutomatically(cut, true);
    EXPECT_EQ(result.calls, 1);
    EXPECT_FALSE(result.processed);
    EXPECT_EQ(log.messages(),
              std::vector<std::string>{"Unable to generate core image from image data."});
}

TEST(VisionQueue, RequestsOfTwoDetectorsRunOneAtATimeInOrder) {
    EXPECT_EQ(RectangleDetector::workQueue(), RectangleDetector::workQueue());
    auto a = RectangleDetector::make();
    auto b = RectangleDetector::make();
    auto image = quorvel::platform::Image::make(quorvel::platform::Bitmap::make(64, 48));
    std::vector<int> order;
    auto corners = quorvel::platform::DispatchQueue::makeSerial("corners");
    for (int i = 0; i < 6; ++i) {
        (i % 2 ? a : b)->detectCropCorners(image, {64, 48}, corners, [&order, i](auto) {
            order.push_back(i);
        });
    }
    ASSERT_TRUE(MainRunLoop::runUntil([&] { return order.size() == 6; }, 90s));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace quorvel
