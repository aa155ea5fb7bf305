#include "Source/Imaging/BlurDetection.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Platform/Compute/CommandQueue.h"
#include "Platform/Compute/ComputeDevice.h"
#include "Platform/Compute/ImageLaplacian.h"
#include "Platform/Compute/ImageStatisticsMeanAndVariance.h"
#include "Platform/Compute/ImageThresholdBinary.h"
#include "Platform/Compute/Texture.h"
#include "Source/Configuration/Logger.h"
#include "Source/Imaging/RectangleFeature.h"

namespace quorvel {

namespace {

// The rendered picture as a bitmap context would hold it after the flipped draw: rows bottom to
// top, bytes R, G, B, A (premultiplied), as a rendered picture is laid out.
std::vector<std::uint8_t> uploadLayout(const platform::Bitmap& bitmap) {
    const auto width = static_cast<std::size_t>(bitmap.width());
    const auto height = static_cast<std::size_t>(bitmap.height());
    std::vector<std::uint8_t> rgba(width * height * 4);
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* from = bitmap.data() + (height - 1 - y) * bitmap.bytesPerRow();
        std::uint8_t* to = rgba.data() + y * width * 4;
        for (std::size_t x = 0; x < width; ++x, from += 4, to += 4) {
            // Stored as B, G, R, A.
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = from[3];
        }
    }
    return rgba;
}

}  // namespace

bool BlurDetection::isBlurry(const std::shared_ptr<const platform::FilterImage>& input) {
    using namespace quorvel::platform;
    if (!input) return false;
    std::shared_ptr<const FilterImage> image = input;
    if (image->extent().width() > maximumWidth) {
        image = RectangleFeature::scale(image, maximumWidth / image->extent().width());
        if (!image) {
            Logger::capture().error(
                "Blur detection failed: Error scaling image to optimize Laplacian");
            return false;
        }
    }

    auto rendered = image->toBitmap();
    if (!rendered) return false;

    auto device = ComputeDevice::systemDefault();
    auto queue = device ? device->newCommandQueue() : nullptr;
    auto commandBuffer = queue ? queue->commandBuffer() : nullptr;
    if (!commandBuffer) return false;

    const int width = rendered->width(), height = rendered->height();
    const std::vector<std::uint8_t> pixels = uploadLayout(*rendered);
    if (pixels.empty()) {
        Logger::capture().error(
            "Blur detection failed: No data was found in the core graphics context");
        return false;
    }
    auto descriptor = TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, width, height,
                                                   /*mipmapped=*/false);
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto source = device->newTexture(descriptor);
    if (!source) {
        Logger::capture().error(
            "Blur detection failed: Cannot create texture from core graphics image");
        return false;
    }
    source->replaceRegion(TextureRegion::make2D(0, 0, width, height), 0, pixels.data(),
                          static_cast<std::size_t>(width) * 4);

    ImageLaplacian laplacian(device);
    ImageThresholdBinary threshold(device, thresholdValue, 1.0f, nullptr);
    ImageStatisticsMeanAndVariance statistics(device);

    auto edges = device->newTexture(descriptor);
    if (!edges) return false;
    laplacian.encode(*commandBuffer, *source, *edges);
    auto thresholded = device->newTexture(descriptor);
    if (!thresholded) return false;
    threshold.encode(*commandBuffer, *edges, *thresholded);
    auto statisticsDescriptor = TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, 2, 1,
                                                             /*mipmapped=*/false);
    statisticsDescriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto meanAndVariance = device->newTexture(statisticsDescriptor);
    if (!meanAndVariance) return false;
    statistics.encode(*commandBuffer, *thresholded, *meanAndVariance);

    commandBuffer->commit();
    commandBuffer->waitUntilCompleted();

    std::array<std::uint8_t, 8> bytes{};
    meanAndVariance->getBytes(bytes.data(), 8, TextureRegion::make2D(0, 0, 2, 1), 0);
    // Byte 1 is the green channel of the mean: the share of edge pixels, read unsigned.
    return bytes[1] < blurryBelow;
}

}  // namespace quorvel
