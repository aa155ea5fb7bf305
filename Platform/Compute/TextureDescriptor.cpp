#include "Platform/Compute/TextureDescriptor.h"

#include <algorithm>

namespace quorvel::platform {

std::size_t bytesPerPixel(TexturePixelFormat format) {
    switch (format) {
        case TexturePixelFormat::rgba8Unorm:
            return 4;
        case TexturePixelFormat::invalid:
            break;
    }
    return 0;
}

TextureDescriptor TextureDescriptor::texture2D(TexturePixelFormat format, int width, int height,
                                               bool mipmapped) {
    TextureDescriptor descriptor;
    descriptor.pixelFormat = format;
    descriptor.width = width;
    descriptor.height = height;
    descriptor.mipmapped = mipmapped;
    return descriptor;
}

int TextureDescriptor::mipmapLevelCount() const {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    if (!mipmapped) {
        return 1;
    }
    int levels = 1;
    for (int extent = std::max(width, height); extent > 1; extent /= 2) {
        ++levels;
    }
    return levels;
}

}  // namespace quorvel::platform
