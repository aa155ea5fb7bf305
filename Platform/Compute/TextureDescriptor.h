#pragma once

#include <cstddef>

namespace quorvel::platform {

// Texel formats. The numbers are the phone platform's own, so that a format stored or logged by
// the framework reads the same on both. Only four-channel 8-bit unsigned normalised texels are
// supported: R, G, B, A bytes in that order in memory, each standing for byte / 255.
enum class TexturePixelFormat : unsigned {
    invalid = 0,
    rgba8Unorm = 70,
};

// Bytes one texel takes in memory; 0 for a format textures cannot have.
std::size_t bytesPerPixel(TexturePixelFormat format);

// How a texture may be used, as bit flags with the platform's values (read | write = 3).
enum class TextureUsage : unsigned {
    unknown = 0,
    shaderRead = 1,
    shaderWrite = 2,
    renderTarget = 4,
};

constexpr TextureUsage operator|(TextureUsage a, TextureUsage b) {
    return static_cast<TextureUsage>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

constexpr TextureUsage operator&(TextureUsage a, TextureUsage b) {
    return static_cast<TextureUsage>(static_cast<unsigned>(a) & static_cast<unsigned>(b));
}

// True when every flag of `flags` is set in `usage`.
constexpr bool hasUsage(TextureUsage usage, TextureUsage flags) {
    return (usage & flags) == flags;
}

// What a two-dimensional texture is made from. The defaults are the platform's: RGBA8Unorm,
// 1 × 1, shader-read only, one mipmap level.
struct TextureDescriptor {
    TexturePixelFormat pixelFormat = TexturePixelFormat::rgba8Unorm;
    int width = 1;
    int height = 1;
    TextureUsage usage = TextureUsage::shaderRead;
    bool mipmapped = false;

    // A descriptor of that format and size with the default usage (shader-read). `mipmapped`
    // asks for the full chain of levels down to 1 × 1.
    static TextureDescriptor texture2D(TexturePixelFormat format, int width, int height,
                                       bool mipmapped);

    // Levels the described texture has: 1, or floor(log2(max(width, height))) + 1 when mipmapped
    // (0 for a non-positive size).
    int mipmapLevelCount() const;
};

}  // namespace quorvel::platform
