#include "Platform/Imaging/Filter.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <optional>
#include <span>

#include "Platform/Imaging/AreaShrink.h"
#include "Platform/Imaging/ParallelRanges.h"

namespace quorvel::platform {

namespace {

// Where each output pixel of a perspective correction spans at least this many source pixels in
// every direction, the source is shrunk by area first (see perspectiveCorrection).
constexpr double kAreaShrinkStep = 1.5;

// The kind of value an input takes, in the order of FilterValue's alternatives.
enum class ValueKind { number = 0, vector = 1, image = 2 };

struct InputSpec {
    const char* key;
    ValueKind kind;
    bool hasDefault;
    double defaultNumber;
};

constexpr InputSpec perspectiveInputs[] = {
    {"inputImage", ValueKind::image, false, 0},
    {"inputTopLeft", ValueKind::vector, false, 0},
    {"inputTopRight", ValueKind::vector, false, 0},
    {"inputBottomLeft", ValueKind::vector, false, 0},
    {"inputBottomRight", ValueKind::vector, false, 0},
    {"inputWidth", ValueKind::number, false, 0},
    {"inputHeight", ValueKind::number, false, 0},
};
constexpr InputSpec lanczosInputs[] = {
    {"inputImage", ValueKind::image, false, 0},
    {"inputScale", ValueKind::number, true, 1},
    {"inputAspectRatio", ValueKind::number, true, 1},
};
constexpr InputSpec colorControlsInputs[] = {
    {"inputImage", ValueKind::image, false, 0},
    {"inputSaturation", ValueKind::number, true, 1},
    {"inputBrightness", ValueKind::number, true, 0},
    {"inputContrast", ValueKind::number, true, 1},
};
constexpr InputSpec unsharpMaskInputs[] = {
    {"inputImage", ValueKind::image, false, 0},
    {"inputRadius", ValueKind::number, true, 2.5},
    {"inputIntensity", ValueKind::number, true, 0.5},
};

const InputSpec* findInput(std::span<const InputSpec> inputs, std::string_view key) {
    for (const InputSpec& input : inputs) {
        if (key == input.key) {
            return &input;
        }
    }
    return nullptr;
}

// Premultiplied colour never exceeds its alpha; filters that overshoot (sharpening, Lanczos
// ringing, brightness) are brought back within it. Opaque pixels need nothing: the 8-bit
// saturation of the filter already held them to 255.
// New pixels of a filter's output, held in a bitmap so that rendering the output whole hands
// that bitmap on without a copy. Their values are unspecified until written.
struct BitmapPixels {
    std::shared_ptr<Bitmap> bitmap;
    cv::Mat pixels;
};

BitmapPixels newBitmapPixels(int width, int height) {
    BitmapPixels made;
    made.bitmap = Bitmap::makeForOverwrite(width, height);
    if (made.bitmap) {
        made.pixels =
            cv::Mat(height, width, CV_8UC4, made.bitmap->mutableData(), made.bitmap->bytesPerRow());
    }
    return made;
}

void clampToAlpha(cv::Mat& pixels) {
    for (int y = 0; y < pixels.rows; ++y) {
        std::uint8_t* p = pixels.ptr<std::uint8_t>(y);
        for (int x = 0; x < pixels.cols; ++x, p += 4) {
            const std::uint8_t alpha = p[3];
            if (alpha != 255) {
                p[0] = std::min(p[0], alpha);
                p[1] = std::min(p[1], alpha);
                p[2] = std::min(p[2], alpha);
            }
        }
    }
}

// The fewest source pixels any output pixel steps over, in any direction, anywhere in the output:
// the smaller singular value of the homography's derivative, taken at the output's corners and
// centre (across a quadrilateral it changes monotonically, so its least value lies on the rim).
double leastSourceStep(const cv::Matx33d& outputToSource, double width, double height) {
    double least = std::numeric_limits<double>::infinity();
    for (const cv::Point2d p : {cv::Point2d{0, 0}, cv::Point2d{width, 0}, cv::Point2d{0, height},
                                cv::Point2d{width, height}, cv::Point2d{width / 2, height / 2}}) {
        const auto& h = outputToSource;
        const double w = h(2, 0) * p.x + h(2, 1) * p.y + h(2, 2);
        const double u = (h(0, 0) * p.x + h(0, 1) * p.y + h(0, 2)) / w;
        const double v = (h(1, 0) * p.x + h(1, 1) * p.y + h(1, 2)) / w;
        const cv::Matx22d jacobian((h(0, 0) - u * h(2, 0)) / w, (h(0, 1) - u * h(2, 1)) / w,
                                   (h(1, 0) - v * h(2, 0)) / w, (h(1, 1) - v * h(2, 1)) / w);
        cv::Vec2d singular;
        cv::SVD::compute(jacobian, singular, cv::SVD::NO_UV);
        least = std::min(least, singular[1]);
    }
    return least;
}

std::shared_ptr<const FilterImage> perspectiveCorrection(const FilterImage& image, Point topLeft,
                                                         Point topRight, Point bottomLeft,
                                                         Point bottomRight,
                                                         std::optional<Size> outputSize) {
    const Point corners[] = {topLeft, topRight, bottomRight, bottomLeft};
    for (const Point& corner : corners) {
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y)) {
            return nullptr;
        }
    }
    auto length = [](Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); };
    const double sideWidth =
        std::round(std::max(length(topLeft, topRight), length(bottomLeft, bottomRight)));
    const double sideHeight =
        std::round(std::max(length(topLeft, bottomLeft), length(topRight, bottomRight)));
    const double width = outputSize ? std::round(outputSize->width) : sideWidth;
    const double height = outputSize ? std::round(outputSize->height) : sideHeight;
    if (!(width >= 1) || !(height >= 1) || width > Bitmap::maximumDimension ||
        height > Bitmap::maximumDimension) {
        return nullptr;
    }
    // Three corners on one line leave no plane to map: the homography would be singular.
    const double reach = std::max(sideWidth, sideHeight);
    for (int skipped = 0; skipped < 4; ++skipped) {
        const Point& a = corners[(skipped + 1) % 4];
        const Point& b = corners[(skipped + 2) % 4];
        const Point& c = corners[(skipped + 3) % 4];
        const double twiceArea = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (!(std::abs(twiceArea) >= 1e-9 * reach * reach)) {
            return nullptr;
        }
    }

    // Work in raster coordinates measured from the pixels' edges, y down: the source image's
    // top-left edge is (0, 0); the output's corners are the output rectangle's corners.
    const Rect extent = image.extent();
    const double sourceTop = extent.origin.y + extent.size.height;
    auto toRaster = [&](Point p) { return cv::Point2d(p.x - extent.origin.x, sourceTop - p.y); };
    const cv::Point2d from[] = {{0, 0}, {width, 0}, {width, height}, {0, height}};
    cv::Point2d to[4];
    for (int i = 0; i < 4; ++i) {
        to[i] = toRaster(corners[i]);
    }
    // The homography output → source: x' = (h0 x + h1 y + h2) / (h6 x + h7 y + 1), and so on.
    cv::Matx<double, 8, 8> system;
    cv::Vec<double, 8> rhs;
    for (int i = 0; i < 4; ++i) {
        const double x = from[i].x;
        const double y = from[i].y;
        const double u = to[i].x;
        const double v = to[i].y;
        const double rowU[] = {x, y, 1, 0, 0, 0, -x * u, -y * u};
        const double rowV[] = {0, 0, 0, x, y, 1, -x * v, -y * v};
        for (int j = 0; j < 8; ++j) {
            system(2 * i, j) = rowU[j];
            system(2 * i + 1, j) = rowV[j];
        }
        rhs[2 * i] = u;
        rhs[2 * i + 1] = v;
    }
    cv::Vec<double, 8> h;
    if (!cv::solve(system, rhs, h, cv::DECOMP_LU)) {
        return nullptr;
    }
    cv::Matx33d homography(h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], 1);
    for (int i = 0; i < 9; ++i) {
        if (!std::isfinite(homography.val[i])) {
            return nullptr;
        }
    }
    try {
        // Bilinear sampling reads only the four source pixels nearest each output pixel: where
        // every output pixel spans well over one source pixel, the rest would be skipped and fine
        // detail would alias. There the source is first shrunk by area averaging to about the
        // output's density (never below it anywhere, so no detail the output can hold is lost).
        const cv::Mat* source = &image.pixels();
        cv::Mat shrunk;
        const double step = leastSourceStep(homography, width, height);
        if (step >= kAreaShrinkStep) {
            const cv::Size size(std::max(1, static_cast<int>(std::round(source->cols / step))),
                                std::max(1, static_cast<int>(std::round(source->rows / step))));
            shrunk.create(size, CV_8UC4);
            if (!shrinkByArea(*source, shrunk)) {
                cv::resize(*source, shrunk, size, 0, 0, cv::INTER_AREA);
            }
            const cv::Matx33d toShrunk(size.width / static_cast<double>(source->cols), 0, 0, 0,
                                       size.height / static_cast<double>(source->rows), 0, 0, 0, 1);
            homography = toShrunk * homography;
            source = &shrunk;
        }
        // OpenCV addresses pixels by their centres, half a pixel in from the edges.
        const cv::Matx33d toEdges(1, 0, 0.5, 0, 1, 0.5, 0, 0, 1);
        const cv::Matx33d toCentres(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1);
        const cv::Matx33d outputToSource = toCentres * homography * toEdges;
        auto result = newBitmapPixels(static_cast<int>(width), static_cast<int>(height));
        if (!result.bitmap) {
            return nullptr;
        }
        cv::warpPerspective(*source, result.pixels, outputToSource, result.pixels.size(),
                            cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT,
                            cv::Scalar::all(0));
        CV_Assert(result.pixels.data == result.bitmap->data());
        return FilterImage::fromBitmap(std::move(result.bitmap));
    } catch (const std::exception&) {
        return nullptr;
    }
}

int resizeMethod(double factor) {
    return factor < 1 ? cv::INTER_AREA : cv::INTER_LANCZOS4;
}

std::shared_ptr<const FilterImage> lanczosScale(const FilterImage& image, double scale,
                                                double aspectRatio) {
    if (!std::isfinite(scale) || !(scale > 0) || !std::isfinite(aspectRatio) ||
        !(aspectRatio > 0)) {
        return nullptr;
    }
    const cv::Mat& source = image.pixels();
    const double scaleX = scale * aspectRatio;
    const double scaleY = scale;
    const double width = std::max(1.0, std::round(source.cols * scaleX));
    const double height = std::max(1.0, std::round(source.rows * scaleY));
    if (!std::isfinite(width) || !std::isfinite(height) || width > Bitmap::maximumDimension ||
        height > Bitmap::maximumDimension) {
        return nullptr;
    }
    const cv::Size size(static_cast<int>(width), static_cast<int>(height));
    try {
        cv::Mat result;
        const int methodX = resizeMethod(size.width / static_cast<double>(source.cols));
        const int methodY = resizeMethod(size.height / static_cast<double>(source.rows));
        auto shrunk = methodX == cv::INTER_AREA && methodY == cv::INTER_AREA
                          ? newBitmapPixels(size.width, size.height)
                          : BitmapPixels{};
        if (shrunk.bitmap && shrinkByArea(source, shrunk.pixels)) {
            const Rect extent = image.extent();
            return FilterImage::fromBitmap(
                std::move(shrunk.bitmap),
                Point{std::round(extent.origin.x * scaleX), std::round(extent.origin.y * scaleY)});
        }
        if (methodX == methodY) {
            cv::resize(source, result, size, 0, 0, methodX);
        } else {
            cv::Mat across;
            cv::resize(source, across, cv::Size(size.width, source.rows), 0, 0, methodX);
            cv::resize(across, result, size, 0, 0, methodY);
        }
        if (methodX == cv::INTER_LANCZOS4 || methodY == cv::INTER_LANCZOS4) {
            clampToAlpha(result);
        }
        const Rect extent = image.extent();
        return FilterImage::fromPixels(
            std::move(result),
            Point{std::round(extent.origin.x * scaleX), std::round(extent.origin.y * scaleY)});
    } catch (const std::exception&) {
        return nullptr;
    }
}

// Grey at full saturation loss without a constant term: one value for the three colour
// components, min(w0·b + w1·g + w2·r, alpha). On processors with AVX2 and FMA this is computed
// eight pixels at a time with exactly the float operations cv::transform uses there (the green
// product first, then blue and red fused in), so the bytes are the same; elsewhere cv::transform
// itself runs.
// Eight B, G, R, A words to their grey words (see greyRowsFused).
__attribute__((target("avx2,fma"))) inline __m256i greyWords(__m256i words, __m256 w0, __m256 w1,
                                                             __m256 w2) {
    const __m256i byte = _mm256_set1_epi32(0xff);
    const __m256 b = _mm256_cvtepi32_ps(_mm256_and_si256(words, byte));
    const __m256 g = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(words, 8), byte));
    const __m256 r = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(words, 16), byte));
    const __m256i alpha = _mm256_srli_epi32(words, 24);
    const __m256 sum = _mm256_fmadd_ps(w2, r, _mm256_fmadd_ps(w0, b, _mm256_mul_ps(w1, g)));
    // Rounded to nearest even, as saturate_cast does, then held within 0 to 255 and the alpha.
    __m256i value = _mm256_cvtps_epi32(sum);
    value = _mm256_min_epi32(_mm256_max_epi32(value, _mm256_setzero_si256()), byte);
    value = _mm256_min_epi32(value, alpha);
    return _mm256_or_si256(
        _mm256_or_si256(value, _mm256_slli_epi32(value, 8)),
        _mm256_or_si256(_mm256_slli_epi32(value, 16), _mm256_slli_epi32(alpha, 24)));
}

__attribute__((target("avx2,fma"))) void greyRowsFused(const cv::Mat& in, cv::Mat& out,
                                                       const float weights[3], int begin, int end) {
    const __m256 w0 = _mm256_set1_ps(weights[0]);
    const __m256 w1 = _mm256_set1_ps(weights[1]);
    const __m256 w2 = _mm256_set1_ps(weights[2]);
    for (int y = begin; y < end; ++y) {
        const auto* source = in.ptr<std::uint32_t>(y);
        auto* target = out.ptr<std::uint32_t>(y);
        int x = 0;
        for (; x + 8 <= in.cols; x += 8) {
            const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + x));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + x),
                                greyWords(words, w0, w1, w2));
        }
        if (x < in.cols) {
            alignas(32) std::uint32_t rest[8] = {};
            std::memcpy(rest, source + x, (in.cols - x) * sizeof(std::uint32_t));
            const __m256i done =
                greyWords(_mm256_load_si256(reinterpret_cast<const __m256i*>(rest)), w0, w1, w2);
            _mm256_store_si256(reinterpret_cast<__m256i*>(rest), done);
            std::memcpy(target + x, rest, (in.cols - x) * sizeof(std::uint32_t));
        }
    }
}

bool greyByFusedArithmetic(const cv::Mat& in, cv::Mat& out, const float weights[3]) {
    static const bool available =
        cv::checkHardwareSupport(CV_CPU_AVX2) && cv::checkHardwareSupport(CV_CPU_FMA3);
    if (!available) {
        return false;
    }
    forEachRange(
        cv::Range(0, in.rows),
        [&](const cv::Range& rows) { greyRowsFused(in, out, weights, rows.start, rows.end); },
        static_cast<double>(in.total()) / (1 << 16));
    return true;
}

std::shared_ptr<const FilterImage> colorControls(const FilterImage& image, double saturation,
                                                 double brightness, double contrast) {
    if (!std::isfinite(saturation) || !std::isfinite(brightness) || !std::isfinite(contrast)) {
        return nullptr;
    }
    // Every step is affine in the colour, so on premultiplied components it is one matrix, its
    // constant term scaled by alpha: out = k·S·c + (k·b + 0.5·(1 − k))·a.
    // Channels are B, G, R, A; the luma weights in that order:
    const double luma[3] = {0.0721, 0.7154, 0.2125};
    cv::Matx44d matrix = cv::Matx44d::zeros();
    for (int out = 0; out < 3; ++out) {
        for (int in = 0; in < 3; ++in) {
            const double mixed = (out == in ? saturation : 0) + (1 - saturation) * luma[in];
            matrix(out, in) = contrast * mixed;
        }
        matrix(out, 3) = contrast * brightness + 0.5 * (1 - contrast);
    }
    matrix(3, 3) = 1;
    try {
        auto result = newBitmapPixels(image.pixels().cols, image.pixels().rows);
        if (!result.bitmap) {
            return nullptr;
        }
        // cv::transform takes the matrix in single precision.
        const float greyWeights[3] = {static_cast<float>(matrix(0, 0)),
                                      static_cast<float>(matrix(0, 1)),
                                      static_cast<float>(matrix(0, 2))};
        if (!(saturation == 0 && matrix(0, 3) == 0 &&
              greyByFusedArithmetic(image.pixels(), result.pixels, greyWeights))) {
            cv::transform(image.pixels(), result.pixels, matrix);
            clampToAlpha(result.pixels);
        }
        CV_Assert(result.pixels.data == result.bitmap->data());
        return FilterImage::fromBitmap(std::move(result.bitmap), image.extent().origin);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<const FilterImage> unsharpMask(const FilterImage& image, double radius,
                                               double intensity) {
    if (std::isnan(radius) || !std::isfinite(intensity)) {
        return nullptr;
    }
    const Rect extent = image.extent();
    if (!(radius > 0)) {
        return FilterImage::fromPixels(image.pixels().clone(), extent.origin);
    }
    try {
        auto blurred = newBitmapPixels(image.pixels().cols, image.pixels().rows);
        if (!blurred.bitmap) {
            return nullptr;
        }
        cv::GaussianBlur(image.pixels(), blurred.pixels, cv::Size(), radius, radius,
                         cv::BORDER_REPLICATE);
        // The blurred copy is ours: the result goes into it rather than into new memory.
        cv::addWeighted(image.pixels(), 1 + intensity, blurred.pixels, -intensity, 0,
                        blurred.pixels);
        CV_Assert(blurred.pixels.data == blurred.bitmap->data());
        clampToAlpha(blurred.pixels);
        return FilterImage::fromBitmap(std::move(blurred.bitmap), extent.origin);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::span<const InputSpec> inputsOf(Filter::Kind kind) {
    switch (kind) {
        case Filter::Kind::perspectiveCorrection:
            return perspectiveInputs;
        case Filter::Kind::lanczosScale:
            return lanczosInputs;
        case Filter::Kind::colorControls:
            return colorControlsInputs;
        case Filter::Kind::unsharpMask:
            return unsharpMaskInputs;
    }
    return {};
}

}  // namespace

Filter::Filter(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

std::shared_ptr<Filter> Filter::named(std::string_view name) {
    Kind kind;
    if (name == "CIPerspectiveCorrection") {
        kind = Kind::perspectiveCorrection;
    } else if (name == "CILanczosScaleTransform") {
        kind = Kind::lanczosScale;
    } else if (name == "CIColorControls") {
        kind = Kind::colorControls;
    } else if (name == "CIUnsharpMask") {
        kind = Kind::unsharpMask;
    } else {
        return nullptr;
    }
    auto filter = std::shared_ptr<Filter>(new Filter(kind, std::string(name)));
    filter->setDefaults();
    return filter;
}

bool Filter::setValue(std::string_view key, FilterValue value) {
    const InputSpec* input = findInput(inputsOf(kind_), key);
    if (input == nullptr || value.index() != static_cast<std::size_t>(input->kind)) {
        return false;
    }
    values_.insert_or_assign(std::string(key), std::move(value));
    return true;
}

std::optional<FilterValue> Filter::value(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void Filter::setDefaults() {
    values_.clear();
    for (const InputSpec& input : inputsOf(kind_)) {
        if (input.hasDefault) {
            values_.emplace(input.key, input.defaultNumber);
        }
    }
}

std::shared_ptr<const FilterImage> Filter::outputImage() const {
    auto image = [this]() -> std::shared_ptr<const FilterImage> {
        const auto found = values_.find(inputImageKey);
        if (found == values_.end()) {
            return nullptr;
        }
        return std::get<std::shared_ptr<const FilterImage>>(found->second);
    };
    auto number = [this](const char* key) { return std::get<double>(values_.find(key)->second); };
    auto point = [this](const char* key) -> std::optional<Point> {
        const auto found = values_.find(key);
        if (found == values_.end()) {
            return std::nullopt;
        }
        return std::get<Point>(found->second);
    };

    const auto input = image();
    if (!input) {
        return nullptr;
    }
    switch (kind_) {
        case Kind::perspectiveCorrection: {
            const auto topLeft = point("inputTopLeft");
            const auto topRight = point("inputTopRight");
            const auto bottomLeft = point("inputBottomLeft");
            const auto bottomRight = point("inputBottomRight");
            if (!topLeft || !topRight || !bottomLeft || !bottomRight) {
                return nullptr;
            }
            const auto width = values_.find("inputWidth");
            const auto height = values_.find("inputHeight");
            std::optional<Size> size;
            if (width != values_.end() || height != values_.end()) {
                if (width == values_.end() || height == values_.end()) {
                    return nullptr;
                }
                size = Size{std::get<double>(width->second), std::get<double>(height->second)};
            }
            return perspectiveCorrection(*input, *topLeft, *topRight, *bottomLeft, *bottomRight,
                                         size);
        }
        case Kind::lanczosScale:
            return lanczosScale(*input, number("inputScale"), number("inputAspectRatio"));
        case Kind::colorControls:
            return colorControls(*input, number("inputSaturation"), number("inputBrightness"),
                                 number("inputContrast"));
        case Kind::unsharpMask:
            return unsharpMask(*input, number("inputRadius"), number("inputIntensity"));
    }
    return nullptr;
}

}  // namespace quorvel::platform
