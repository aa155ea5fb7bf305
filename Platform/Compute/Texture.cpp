#include "Platform/Compute/Texture.h"

#include <algorithm>
#include <cstring>

namespace quorvel::platform {

Texture::Texture(const std::weak_ptr<ComputeDevice>& device, const TextureDescriptor& descriptor)
    : device_(device),
      width_(descriptor.width),
      height_(descriptor.height),
      pixelFormat_(descriptor.pixelFormat),
      usage_(descriptor.usage) {
    const int count = descriptor.mipmapLevelCount();
    levels_.resize(static_cast<std::size_t>(count));
    for (int level = 0; level < count; ++level) {
        levels_[static_cast<std::size_t>(level)].assign(
            levelBytesPerRow(level) * static_cast<std::size_t>(levelHeight(level)), 0);
    }
}

int Texture::levelWidth(int mipmapLevel) const {
    if (mipmapLevel < 0 || mipmapLevel >= mipmapLevelCount()) {
        return 0;
    }
    return std::max(1, width_ >> mipmapLevel);
}

int Texture::levelHeight(int mipmapLevel) const {
    if (mipmapLevel < 0 || mipmapLevel >= mipmapLevelCount()) {
        return 0;
    }
    return std::max(1, height_ >> mipmapLevel);
}

std::size_t Texture::levelBytesPerRow(int mipmapLevel) const {
    return static_cast<std::size_t>(levelWidth(mipmapLevel)) * bytesPerPixel(pixelFormat_);
}

bool Texture::accepts(const TextureRegion& region, int mipmapLevel, std::size_t bytesPerRow) const {
    if (mipmapLevel < 0 || mipmapLevel >= mipmapLevelCount()) {
        return false;
    }
    const TextureOrigin& origin = region.origin;
    const TextureSize& size = region.size;
    if (origin.z != 0 || size.depth != 1 || origin.x < 0 || origin.y < 0 || size.width < 0 ||
        size.height < 0) {
        return false;
    }
    // Compared as differences so that no sum can overflow.
    if (size.width > levelWidth(mipmapLevel) - origin.x ||
        size.height > levelHeight(mipmapLevel) - origin.y) {
        return false;
    }
    return bytesPerRow >= static_cast<std::size_t>(size.width) * bytesPerPixel(pixelFormat_);
}

namespace {

// Copies `rows` rows of `rowBytes` bytes between two strided buffers.
void copyRows(std::uint8_t* target, std::size_t targetStride, const std::uint8_t* source,
              std::size_t sourceStride, std::size_t rowBytes, int rows) {
    for (int row = 0; row < rows; ++row) {
        std::memcpy(target, source, rowBytes);
        target += targetStride;
        source += sourceStride;
    }
}

}  // namespace

std::size_t Texture::regionOffset(const TextureRegion& region, int mipmapLevel) const {
    return static_cast<std::size_t>(region.origin.y) * levelBytesPerRow(mipmapLevel) +
           static_cast<std::size_t>(region.origin.x) * bytesPerPixel(pixelFormat_);
}

bool Texture::replaceRegion(const TextureRegion& region, int mipmapLevel, const void* bytes,
                            std::size_t bytesPerRow) {
    if (!accepts(region, mipmapLevel, bytesPerRow)) return false;
    if (region.size.width == 0 || region.size.height == 0) return true;
    if (bytes == nullptr) return false;
    copyRows(
        levels_[static_cast<std::size_t>(mipmapLevel)].data() + regionOffset(region, mipmapLevel),
        levelBytesPerRow(mipmapLevel), static_cast<const std::uint8_t*>(bytes), bytesPerRow,
        static_cast<std::size_t>(region.size.width) * bytesPerPixel(pixelFormat_),
        region.size.height);
    return true;
}

bool Texture::getBytes(void* bytes, std::size_t bytesPerRow, const TextureRegion& region,
                       int mipmapLevel) const {
    if (!accepts(region, mipmapLevel, bytesPerRow)) return false;
    if (region.size.width == 0 || region.size.height == 0) return true;
    if (bytes == nullptr) return false;
    copyRows(
        static_cast<std::uint8_t*>(bytes), bytesPerRow,
        levels_[static_cast<std::size_t>(mipmapLevel)].data() + regionOffset(region, mipmapLevel),
        levelBytesPerRow(mipmapLevel),
        static_cast<std::size_t>(region.size.width) * bytesPerPixel(pixelFormat_),
        region.size.height);
    return true;
}

}  // namespace quorvel::platform
