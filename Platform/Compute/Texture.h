#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/Compute/TextureDescriptor.h"

namespace quorvel::platform {

class ComputeDevice;
class UnaryImageKernel;

struct TextureOrigin {
    int x = 0;
    int y = 0;
    int z = 0;
};

struct TextureSize {
    int width = 0;
    int height = 0;
    int depth = 1;
};

// A box of texels. Two-dimensional textures take regions with z 0 and depth 1.
struct TextureRegion {
    TextureOrigin origin;
    TextureSize size;

    static TextureRegion make2D(int x, int y, int width, int height) {
        return TextureRegion{TextureOrigin{x, y, 0}, TextureSize{width, height, 1}};
    }
};

// A two-dimensional image in the compute device's memory, made by ComputeDevice::newTexture.
// Texels are stored as the pixel format says (RGBA8Unorm: bytes R, G, B, A), rows top to bottom,
// each mipmap level on its own; a new texture is all zero bytes.
//
// As on the platform, the CPU reads and writes texels with replaceRegion and getBytes, and the
// caller keeps those apart from kernel work: a texture that a committed command buffer writes must
// not be read before that buffer's waitUntilCompleted() has returned.
class Texture : public std::enable_shared_from_this<Texture> {
public:
    int width() const { return width_; }
    int height() const { return height_; }
    TexturePixelFormat pixelFormat() const { return pixelFormat_; }
    TextureUsage usage() const { return usage_; }
    int mipmapLevelCount() const { return static_cast<int>(levels_.size()); }
    std::shared_ptr<ComputeDevice> device() const { return device_.lock(); }

    // Width and height of a mipmap level (each halved per level, at least 1); 0 × 0 for a level the
    // texture does not have.
    int levelWidth(int mipmapLevel) const;
    int levelHeight(int mipmapLevel) const;

    // Copies a region of texels in from `bytes`, whose rows start `bytesPerRow` apart. Returns
    // false and changes nothing when the level does not exist, the region is not a 2D region inside
    // the level, bytesPerRow is shorter than a row of the region, or bytes is null. An empty region
    // copies nothing and succeeds.
    bool replaceRegion(const TextureRegion& region, int mipmapLevel, const void* bytes,
                       std::size_t bytesPerRow);

    // Copies a region of texels out to `bytes`, rows `bytesPerRow` apart; bytes between the end of
    // a row and the start of the next are left alone. Same checks as replaceRegion.
    bool getBytes(void* bytes, std::size_t bytesPerRow, const TextureRegion& region,
                  int mipmapLevel) const;

private:
    friend class ComputeDevice;
    friend class UnaryImageKernel;

    Texture(const std::weak_ptr<ComputeDevice>& device, const TextureDescriptor& descriptor);

    // Whether the region is a 2D region inside the level and bytesPerRow holds one of its rows.
    bool accepts(const TextureRegion& region, int mipmapLevel, std::size_t bytesPerRow) const;
    std::size_t levelBytesPerRow(int mipmapLevel) const;
    // Where `region` starts in a level's memory.
    std::size_t regionOffset(const TextureRegion& region, int mipmapLevel) const;

    std::weak_ptr<ComputeDevice> device_;
    int width_;
    int height_;
    TexturePixelFormat pixelFormat_;
    TextureUsage usage_;
    std::vector<std::vector<std::uint8_t>> levels_;
};

}  // namespace quorvel::platform
