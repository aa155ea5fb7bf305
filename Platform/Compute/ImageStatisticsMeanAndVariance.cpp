#include "Platform/Compute/ImageStatisticsMeanAndVariance.h"

#include <opencv2/core.hpp>
#include <utility>

#include "Platform/Compute/Texture.h"

namespace quorvel::platform {

ImageStatisticsMeanAndVariance::ImageStatisticsMeanAndVariance(
    const std::shared_ptr<ComputeDevice>& device)
    : UnaryImageKernel(device, ImageEdgeMode::clamp) {}

CommandBuffer::Work ImageStatisticsMeanAndVariance::makeWork(
    std::shared_ptr<const Texture> source, std::shared_ptr<Texture> destination) const {
    return [source = std::move(source), destination = std::move(destination)] {
        cv::Scalar mean;
        cv::Scalar deviation;
        // In bytes; cv::meanStdDev divides by the texel count, which is the population variance.
        const TexelPlane input = texels(*source);
        cv::meanStdDev(cv::Mat(input.height, input.width, CV_8UC4, input.data, input.bytesPerRow),
                       mean, deviation);
        const TexelPlane output = texels(*destination);
        std::uint8_t* statistics = output.row(0);
        for (int channel = 0; channel < 4; ++channel) {
            const double value = mean[channel] / 255.0;
            const double spread = deviation[channel] / 255.0;
            statistics[channel] = unorm8(static_cast<float>(value));
            if (output.width > 1) {
                statistics[4 + channel] = unorm8(static_cast<float>(spread * spread));
            }
        }
        return true;
    };
}

}  // namespace quorvel::platform
