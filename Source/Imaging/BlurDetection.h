#pragma once

#include <memory>

#include "Platform/Imaging/FilterImage.h"

namespace quorvel {

// Decides whether a photographed page is too blurry to use: a Laplacian edge filter, a binary
// threshold at 0.11 and a mean over the picture on the compute device; the picture counts as
// blurry when the mean edge share (the green byte of the mean, read unsigned) is below 3/255.
// Pictures wider than 800 pixels are scaled to width 800 first. Stateless and synchronous; a
// picture that cannot be tested counts as sharp.
class BlurDetection {
public:
    BlurDetection() = default;

    static bool isBlurry(const std::shared_ptr<const platform::FilterImage>& image);

    static constexpr double maximumWidth = 800;
    static constexpr float thresholdValue = 0.11f;
    static constexpr int blurryBelow = 3;
};

}  // namespace quorvel
