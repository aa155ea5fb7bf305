// Image operations on a 12-megapixel photo (4032 × 3024), the size a phone camera delivers.

#include <benchmark/benchmark.h>

#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "Platform/Graphics/Bitmap.h"
#include "Platform/Graphics/Image.h"
#include "Platform/Imaging/Filter.h"
#include "Platform/Imaging/FilterImage.h"
#include "Platform/Imaging/ImageEncoding.h"
#include "Platform/Imaging/PixelBuffer.h"

namespace {

using namespace quorvel::platform;

constexpr int photoWidth = 4032;
constexpr int photoHeight = 3024;

// A page-like photo: a lit gradient background, a light sheet with lines of "text" and some
// sensor noise, so that encoders and filters see realistic content.
std::shared_ptr<const Bitmap> photo() {
    static const std::shared_ptr<const Bitmap> bitmap = [] {
        auto made = Bitmap::make(photoWidth, photoHeight);
        cv::Mat pixels(photoHeight, photoWidth, CV_8UC4, made->mutableData(), made->bytesPerRow());
        for (int y = 0; y < photoHeight; ++y) {
            auto* row = pixels.ptr<cv::Vec4b>(y);
            for (int x = 0; x < photoWidth; ++x) {
                const auto shade = static_cast<std::uint8_t>(60 + (x + y) * 60 / 7056);
                row[x] = cv::Vec4b(shade, shade, static_cast<std::uint8_t>(shade + 10), 255);
            }
        }
        const std::vector<cv::Point> sheet = {{700, 400}, {3300, 520}, {3450, 2700}, {560, 2600}};
        cv::fillConvexPoly(pixels, sheet, cv::Scalar(225, 230, 235, 255), cv::LINE_AA);
        for (int line = 0; line < 40; ++line) {
            const int y = 650 + line * 48;
            cv::line(pixels, {900, y}, {3000 - (line % 5) * 200, y + 4},
                     cv::Scalar(40, 40, 40, 255), 6, cv::LINE_AA);
        }
        cv::Mat noise(photoHeight, photoWidth, CV_8UC4);
        cv::randn(noise, cv::Scalar::all(0), cv::Scalar(3, 3, 3, 0));
        cv::add(pixels, noise, pixels);
        return std::shared_ptr<const Bitmap>(std::move(made));
    }();
    return bitmap;
}

std::shared_ptr<const FilterImage> photoImage() {
    return FilterImage::fromBitmap(photo());
}

void perspectiveCorrection(benchmark::State& state) {
    const auto image = photoImage();
    // The sheet's corners in the image's own coordinates (y up).
    const FilterParameters corners = {{"inputTopLeft", Point{700, photoHeight - 400.0}},
                                      {"inputTopRight", Point{3300, photoHeight - 520.0}},
                                      {"inputBottomLeft", Point{560, photoHeight - 2600.0}},
                                      {"inputBottomRight", Point{3450, photoHeight - 2700.0}}};
    for (auto _ : state) {
        auto straight = image->applyingFilter("CIPerspectiveCorrection", corners);
        benchmark::DoNotOptimize(straight);
    }
}
BENCHMARK(perspectiveCorrection)->Unit(benchmark::kMillisecond)->UseRealTime();

void lanczosTo800Wide(benchmark::State& state) {
    const auto image = photoImage();
    const double scale = static_cast<float>(800.0 / photoWidth);
    for (auto _ : state) {
        auto small = image->applyingFilter("CILanczosScaleTransform",
                                           {{"inputScale", scale}, {"inputAspectRatio", 1.0}});
        benchmark::DoNotOptimize(small);
    }
}
BENCHMARK(lanczosTo800Wide)->Unit(benchmark::kMillisecond)->UseRealTime();

void jpegEncode(benchmark::State& state) {
    const auto page = Image::make(photo(), 1, ImageOrientation::right);
    const double quality = static_cast<double>(state.range(0)) / 100;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto data = ImageEncoding::jpegData(*page, quality);
        bytes = data ? data->size() : 0;
        benchmark::DoNotOptimize(data);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(jpegEncode)->Arg(100)->Arg(80)->Unit(benchmark::kMillisecond)->UseRealTime();

// The bound of the full-quality JPEG's size that spares the grey copy's whole encoding.
void jpegSizeBound(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = ImageEncoding::jpegSizeBound(*photo(), 1.0, 6).value_or(0);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(jpegSizeBound)->Unit(benchmark::kMillisecond)->UseRealTime();

void greyscaleAndSharpen(benchmark::State& state) {
    const auto image = photoImage();
    for (auto _ : state) {
        auto grey = image->applyingFilter("CIColorControls", {{"inputSaturation", 0.0}});
        auto sharp =
            grey->applyingFilter("CIUnsharpMask", {{"inputIntensity", 2.0}, {"inputRadius", 1.0}});
        benchmark::DoNotOptimize(sharp);
    }
}
BENCHMARK(greyscaleAndSharpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void orientUpright(benchmark::State& state) {
    const auto image = photoImage();
    for (auto _ : state) {
        auto upright = image->oriented(6);
        benchmark::DoNotOptimize(upright);
    }
}
BENCHMARK(orientUpright)->Unit(benchmark::kMillisecond)->UseRealTime();

void renderToBitmap(benchmark::State& state) {
    const auto image = photoImage()->oriented(6);
    for (auto _ : state) {
        auto bitmap = image->toBitmap();
        benchmark::DoNotOptimize(bitmap);
    }
}
BENCHMARK(renderToBitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

void drawIntoPixelBuffer(benchmark::State& state) {
    const auto page = Image::make(photo(), 1, ImageOrientation::right);
    const Size size = page->size();
    for (auto _ : state) {
        auto buffer = PixelBuffer::make(static_cast<int>(size.width), static_cast<int>(size.height),
                                        PixelFormat::argb32, {true, true, 64});
        buffer->drawImage(*page, Rect{{0, 0}, size});
        auto image = FilterImage::fromPixelBuffer(*buffer);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(drawIntoPixelBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
