// Speed of the document-outline search on a camera frame and on a still photo.

#include <benchmark/benchmark.h>

#include <array>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "Platform/Vision/QuadrilateralFinder.h"

namespace {

// A printed page warped onto a grainy surface; `size` is the frame, the page spans roughly
// half of it with some perspective.
cv::Mat makeScene(cv::Size size, int channels, bool withPage = true) {
    cv::RNG rng(7);
    cv::Mat grain(size, CV_32F);
    rng.fill(grain, cv::RNG::NORMAL, 0, 1);
    cv::GaussianBlur(grain, grain, cv::Size(0, 0), size.width / 200.0, size.width / 1200.0);
    cv::normalize(grain, grain, -30, 30, cv::NORM_MINMAX);
    cv::Mat surface(size, CV_32FC3, cv::Scalar(70, 100, 140));
    std::array<cv::Mat, 3> planes;
    cv::split(surface, planes.data());
    for (cv::Mat& plane : planes) {
        plane += grain;
    }
    cv::merge(planes.data(), 3, surface);

    const cv::Size sheet(850, 1100);
    cv::Mat page(sheet, CV_32FC3, cv::Scalar(232, 236, 238));
    for (int line = 0; line < 30; ++line) {
        cv::rectangle(page, cv::Rect(90, 120 + line * 30, 300 + (line * 97) % 350, 9),
                      cv::Scalar(50, 50, 50), cv::FILLED);
    }
    const float w = static_cast<float>(size.width);
    const float h = static_cast<float>(size.height);
    const std::array<cv::Point2f, 4> from{cv::Point2f(0, 0), cv::Point2f(850, 0),
                                          cv::Point2f(850, 1100), cv::Point2f(0, 1100)};
    const std::array<cv::Point2f, 4> to{
        cv::Point2f(0.33f * w, 0.12f * h), cv::Point2f(0.68f * w, 0.10f * h),
        cv::Point2f(0.72f * w, 0.88f * h), cv::Point2f(0.30f * w, 0.85f * h)};
    const cv::Mat homography = cv::getPerspectiveTransform(from.data(), to.data());
    cv::Mat warped;
    cv::Mat mask;
    cv::warpPerspective(page, warped, homography, size);
    cv::warpPerspective(cv::Mat(sheet, CV_32FC3, cv::Scalar(1, 1, 1)), mask, homography, size);
    if (withPage) {
        surface = surface.mul(cv::Scalar(1, 1, 1) - mask) + warped.mul(mask);
    }
    cv::Mat noise(size, CV_32FC3);
    rng.fill(noise, cv::RNG::NORMAL, 0, 3);
    surface += noise;
    cv::Mat image;
    surface.convertTo(image, CV_8UC3);
    if (channels == 4) {
        cv::cvtColor(image, image, cv::COLOR_BGR2BGRA);
    }
    return image;
}

quorvel::platform::RectangleDetectionSettings documentSettings() {
    quorvel::platform::RectangleDetectionSettings settings;
    settings.minimumSize = 0.1;
    settings.minimumAspectRatio = 0.0;
    settings.maximumAspectRatio = 1.0;
    settings.maximumObservations = 1;
    return settings;
}

void run(benchmark::State& state, const cv::Mat& image) {
    cv::setNumThreads(1);
    const auto settings = documentSettings();
    size_t found = 0;
    for (auto _ : state) {
        const auto result = quorvel::platform::findQuadrilaterals(image, settings);
        found += result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["found"] =
        benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}

void BM_CameraFrameBgra1080p(benchmark::State& state) {
    static const cv::Mat frame = makeScene(cv::Size(1920, 1080), 4);
    run(state, frame);
}

// A frame of the surface alone: nothing settles early, so every search runs.
void BM_CameraFrameBgra1080pWithoutPage(benchmark::State& state) {
    static const cv::Mat frame = makeScene(cv::Size(1920, 1080), 4, false);
    run(state, frame);
}

void BM_StillPhoto12MP(benchmark::State& state) {
    static const cv::Mat photo = makeScene(cv::Size(4032, 3024), 3);
    run(state, photo);
}

// The library's still path hands the finder a page image's bitmap: four channels.
void BM_StillPhotoBgra12MP(benchmark::State& state) {
    static const cv::Mat photo = makeScene(cv::Size(4032, 3024), 4);
    run(state, photo);
}

}  // namespace

BENCHMARK(BM_CameraFrameBgra1080p)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_CameraFrameBgra1080pWithoutPage)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StillPhoto12MP)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_StillPhotoBgra12MP)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
