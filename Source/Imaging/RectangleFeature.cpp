#include "Source/Imaging/RectangleFeature.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Platform/Imaging/Filter.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"
#include "Source/Imaging/PageAspectRatio.h"

namespace quorvel {

// The arithmetic below is deliberately mixed: some steps in single precision, some in double,
// so that results match the reference values to the bit.

RectangleFeature::RectangleFeature(platform::Point topLeft, platform::Point topRight,
                                   platform::Point bottomRight, platform::Point bottomLeft)
    : topLeft(topLeft), topRight(topRight), bottomLeft(bottomLeft), bottomRight(bottomRight) {}

std::optional<platform::RectangleObservation> RectangleFeature::biggestCorrectiveRectangle(
    const std::vector<platform::RectangleObservation>& rectangles) {
    if (rectangles.empty()) return std::nullopt;
    const platform::RectangleObservation* best = &rectangles.front();
    float bestScore = 0.0f;
    for (const auto& candidate : rectangles) {
        const auto& tl = candidate.topLeft;
        const auto& tr = candidate.topRight;
        const auto& br = candidate.bottomRight;
        // Top edge plus the top-left to bottom-right diagonal.
        const float score =
            std::hypot(static_cast<float>(tl.x - tr.x), static_cast<float>(tl.y - tr.y)) +
            std::hypot(static_cast<float>(tl.x - br.x), static_cast<float>(tl.y - br.y));
        if (bestScore < score) {
            best = &candidate;
            bestScore = score;
        }
    }
    return *best;
}

std::shared_ptr<RectangleFeature> RectangleFeature::biggestAdjustedRectangle(
    const std::vector<platform::RectangleObservation>& rectangles,
    std::optional<platform::ImageOrientation> oriented) {
    const auto best = biggestCorrectiveRectangle(rectangles);
    if (!best) return nullptr;

    std::array<platform::Point, 4> points;
    if (oriented && platform::Image::swapsWidthAndHeight(*oriented)) {
        auto swapped = [](platform::Point p) { return platform::Point{p.y, p.x}; };
        points = {swapped(best->topRight), swapped(best->bottomRight), swapped(best->topLeft),
                  swapped(best->bottomLeft)};
    } else {
        points = {best->topLeft, best->topRight, best->bottomLeft, best->bottomRight};
    }

    float minX = static_cast<float>(points[0].x), maxX = minX;
    float minY = static_cast<float>(points[0].y), maxY = minY;
    for (const auto& p : points) {
        minX = std::min(minX, static_cast<float>(p.x));
        maxX = std::max(maxX, static_cast<float>(p.x));
        minY = std::min(minY, static_cast<float>(p.y));
        maxY = std::max(maxY, static_cast<float>(p.y));
    }
    const double cx = (static_cast<double>(minX) + static_cast<double>(maxX)) * 0.5;
    const double cy = (static_cast<double>(minY) + static_cast<double>(maxY)) * 0.5;

    auto key = [&](const platform::Point& p) {
        const float dy = static_cast<float>(p.y) - static_cast<float>(cy);
        const float dx = static_cast<float>(p.x) - static_cast<float>(cx);
        const float angle = std::atan2(dy, dx);
        return std::fmod(angle + 2.3561945f, 6.283185f);
    };
    std::array<std::pair<float, platform::Point>, 4> keyed;
    for (std::size_t i = 0; i < 4; ++i) keyed[i] = {key(points[i]), points[i]};
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });

    return std::make_shared<RectangleFeature>(keyed[3].second, keyed[2].second, keyed[1].second,
                                              keyed[0].second);
}

void RectangleFeature::scaleFeature(platform::Size scale) {
    for (auto* corner : {&topLeft, &topRight, &bottomLeft, &bottomRight}) {
        corner->x *= scale.width;
        corner->y *= scale.height;
    }
}

float RectangleFeature::cornerVarianceFrom(const RectangleFeature& rect) const {
    const std::array<std::pair<platform::Point, platform::Point>, 4> pairs{{
        {topLeft, rect.topLeft},
        {topRight, rect.topRight},
        {bottomLeft, rect.bottomLeft},
        {bottomRight, rect.bottomRight},
    }};
    float sum = 0.0f;
    for (const auto& [a, b] : pairs) {
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y));
        sum += std::fabs(static_cast<float>(d));
    }
    return sum;
}

bool RectangleFeature::isConvex() const {
    const std::array<platform::Point, 4> corners{topLeft, topRight, bottomRight, bottomLeft};
    double reach = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        reach = std::max(reach, std::hypot(b.x - a.x, b.y - a.y));
    }
    if (!std::isfinite(reach) || !(reach > 0)) return false;
    // The turn at each corner: all four the same way, none so slight that three corners are as
    // good as on one line.
    int left = 0;
    int right = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        const auto& c = corners[(i + 2) % 4];
        const double turn = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
        if (turn > 1e-9 * reach * reach) {
            ++left;
        } else if (turn < -1e-9 * reach * reach) {
            ++right;
        }
    }
    return left == 4 || right == 4;
}

namespace {

double distance(platform::Point a, platform::Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The straightened page's size in whole pixels: the paper's own width to height, as many pixels
// along its longer side as the outline's longest side has, and no more pixels than the picture it
// is cut from (a larger page would only spread the picture's pixels thinner).
platform::Size pageSize(const RectangleFeature& outline, platform::Rect picture,
                        std::optional<double> cameraFocalLength) {
    const double top = distance(outline.topLeft, outline.topRight);
    const double bottom = distance(outline.bottomLeft, outline.bottomRight);
    const double left = distance(outline.topLeft, outline.bottomLeft);
    const double right = distance(outline.topRight, outline.bottomRight);
    const double longest = std::round(std::max({top, bottom, left, right}));
    const double ratio = PageAspectRatio::estimate(outline, picture, cameraFocalLength)
                             .value_or(std::max(top, bottom) / std::max(left, right));
    double width = std::max(1.0, std::round(ratio >= 1 ? longest : longest * ratio));
    double height = std::max(1.0, std::round(ratio >= 1 ? longest / ratio : longest));

    constexpr double largest = platform::Bitmap::maximumDimension;
    const double fit = std::min({std::sqrt(picture.width() * picture.height() / (width * height)),
                                 largest / width, largest / height});
    if (fit < 1) {
        const double fittedWidth = std::max(1.0, std::floor(width * fit));
        const double fittedHeight = std::max(1.0, std::floor(height * fit));
        Logger::capture().info(
            "The straightened page of %d x %d pixels would have more than its picture's %d x %d; "
            "it is made %d x %d",
            static_cast<int>(width), static_cast<int>(height), static_cast<int>(picture.width()),
            static_cast<int>(picture.height()), static_cast<int>(fittedWidth),
            static_cast<int>(fittedHeight));
        width = fittedWidth;
        height = fittedHeight;
    }
    return {width, height};
}

}  // namespace

std::shared_ptr<const platform::FilterImage> RectangleFeature::correctPerspective(
    const platform::FilterImage& image, const RectangleFeature& feature, double scale,
    std::optional<double> cameraFocalLength) {
    auto scaled = [scale](platform::Point p) { return platform::Point{p.x * scale, p.y * scale}; };
    const RectangleFeature corners(scaled(feature.topLeft), scaled(feature.topRight),
                                   scaled(feature.bottomRight), scaled(feature.bottomLeft));
    if (!corners.isConvex()) return nullptr;

    // Resampled once, straight to the page's own shape and size.
    const auto size = pageSize(corners, image.extent(), cameraFocalLength);
    return image.applyingFilter("CIPerspectiveCorrection",
                                {{"inputTopLeft", corners.topLeft},
                                 {"inputTopRight", corners.topRight},
                                 {"inputBottomLeft", corners.bottomLeft},
                                 {"inputBottomRight", corners.bottomRight},
                                 {"inputWidth", size.width},
                                 {"inputHeight", size.height}});
}

std::shared_ptr<const platform::FilterImage> RectangleFeature::scale(
    const std::shared_ptr<const platform::FilterImage>& image, double factor) {
    auto filter = platform::Filter::named("CILanczosScaleTransform");
    if (!filter) fatalError("The CILanczosScaleTransform filter is missing");
    filter->setValue(platform::Filter::inputImageKey, image);
    filter->setValue("inputAspectRatio", 1.0);
    filter->setValue("inputScale", static_cast<double>(static_cast<float>(factor)));
    return filter->outputImage();
}

}  // namespace quorvel
