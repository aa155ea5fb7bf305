#pragma once

#include <memory>
#include <vector>

#include "Platform/Graphics/Image.h"

namespace quorvel {

struct ImageUtility {
    // The images one below the other, in list order, on a canvas as wide as the first image
    // (others are stretched or squeezed to that width), at scale 1. None for an empty list.
    static std::shared_ptr<platform::Image> mergeImages(
        const std::vector<std::shared_ptr<platform::Image>>& from);
};

}  // namespace quorvel
