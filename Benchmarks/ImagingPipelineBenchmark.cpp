// The framework's imaging paths at full size: live detection of a camera frame, processing of an
// automatic photo, the blur test and perspective correction.

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Vision/ImageRequestHandler.h"
#include "Source/Imaging/BlurDetection.h"
#include "Source/Imaging/ImageOperations.h"
#include "Source/Imaging/RectangleDetector.h"
#include "Support/DocumentScene.h"

namespace {

using namespace quorvel;

testing_vision::DocumentScene scene(cv::Size size) {
    testing_vision::SceneOptions options;
    options.size = size;
    const double sx = size.width / 960.0, sy = size.height / 720.0;
    for (auto& corner : options.corners) corner = {corner.x * sx, corner.y * sy};
    return testing_vision::renderScene(options);
}

std::shared_ptr<quorvel::platform::Bitmap> bitmapOf(const cv::Mat& bgr) {
    auto bitmap = quorvel::platform::Bitmap::make(bgr.cols, bgr.rows);
    cv::Mat bgra(bgr.rows, bgr.cols, CV_8UC4, bitmap->mutableData());
    cv::cvtColor(bgr, bgra, cv::COLOR_BGR2BGRA);
    return bitmap;
}

// A 1920 × 1080 ARGB frame through the request the live path makes.
void BM_LiveDetectionRequest(benchmark::State& state) {
    cv::setNumThreads(1);
    const auto frame = scene({1920, 1080});
    auto buffer =
        quorvel::platform::PixelBuffer::make(1920, 1080, quorvel::platform::PixelFormat::argb32);
    buffer->lockBaseAddress();
    cv::Mat argb = buffer->asMat();
    cv::Mat bgra;
    cv::cvtColor(frame.image, bgra, cv::COLOR_BGR2BGRA);
    const int fromTo[] = {3, 0, 2, 1, 1, 2, 0, 3};
    cv::mixChannels(&bgra, 1, &argb, 1, fromTo, 4);
    buffer->unlockBaseAddress();
    for (auto _ : state) {
        auto request = std::make_shared<quorvel::platform::RectangleDetectionRequest>();
        request->setMinimumSize(0.1f);
        request->setMinimumAspectRatio(0.0f);
        request->setMaximumAspectRatio(1.0f);
        quorvel::platform::ImageRequestHandler(buffer, quorvel::platform::ImageOrientation::left)
            .perform({request});
        benchmark::DoNotOptimize(request->results());
    }
}
BENCHMARK(BM_LiveDetectionRequest)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 12-megapixel JPEG stored turned, as a phone writes it, through automatic processing.
void BM_AutomaticPhotoProcessing(benchmark::State& state) {
    const auto photo = scene({3024, 4032});
    cv::Mat stored;
    cv::rotate(photo.image, stored, cv::ROTATE_90_COUNTERCLOCKWISE);
    const auto jpeg = quorvel::platform::ImageEncoding::jpegData(*bitmapOf(stored), 0.9, 6);
    auto detector = RectangleDetector::make();
    for (auto _ : state) {
        bool done = false;
        auto feature = std::make_shared<RectangleFeature>(
            quorvel::platform::Point{10, 10}, quorvel::platform::Point{500, 10},
            quorvel::platform::Point{500, 900}, quorvel::platform::Point{10, 900});
        detector->automaticProcessedImage(jpeg, quorvel::platform::ImageOrientation::left, feature,
                                          {{0, 0}, {1080, 1920}}, true,
                                          [&](auto result) { done = result.has_value(); });
        RectangleDetector::workQueue()->sync([] {});
        if (!done) state.SkipWithError("no page image");
    }
}
BENCHMARK(BM_AutomaticPhotoProcessing)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlurTestAt800(benchmark::State& state) {
    const auto page =
        quorvel::platform::FilterImage::fromBitmap(bitmapOf(scene({800, 1067}).image));
    for (auto _ : state) benchmark::DoNotOptimize(BlurDetection::isBlurry(page));
}
BENCHMARK(BM_BlurTestAt800)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 4032 × 3024 photo of a page and the page's outline, in the photo's lower-left-origin pixels.
struct OutlinedPhoto {
    testing_vision::DocumentScene photo = scene({4032, 3024});
    std::shared_ptr<const quorvel::platform::FilterImage> image =
        quorvel::platform::FilterImage::fromBitmap(bitmapOf(photo.image));
    RectangleFeature outline{corner(3), corner(2), corner(1), corner(0)};

    quorvel::platform::Point corner(int i) const {
        return {photo.corners[i].x, photo.image.rows - photo.corners[i].y};
    }
};

void BM_PerspectiveCorrection12MP(benchmark::State& state) {
    const OutlinedPhoto photo;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            RectangleFeature::correctPerspective(*photo.image, photo.outline, 1.0));
    }
}
BENCHMARK(BM_PerspectiveCorrection12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// One bilinear warp of the same photo to the size of the page above: the least a straightening
// can cost, to set the one above against.
void BM_OneBilinearWarpToThePage12MP(benchmark::State& state) {
    const OutlinedPhoto photo;
    const auto page = RectangleFeature::correctPerspective(*photo.image, photo.outline, 1.0);
    const cv::Size size = page->pixels().size();
    // The page's corners land on the output's; the outline is named from the bottom up.
    const cv::Point2f to[] = {{0, 0},
                              {float(size.width), 0},
                              {float(size.width), float(size.height)},
                              {0, float(size.height)}};
    const cv::Point2f from[] = {photo.photo.corners[3], photo.photo.corners[2],
                                photo.photo.corners[1], photo.photo.corners[0]};
    const cv::Mat pageToPhoto = cv::getPerspectiveTransform(to, from);
    for (auto _ : state) {
        cv::Mat warped(size, CV_8UC4);
        cv::warpPerspective(photo.image->pixels(), warped, pageToPhoto, size,
                            cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
        benchmark::DoNotOptimize(warped.data);
    }
}
BENCHMARK(BM_OneBilinearWarpToThePage12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
