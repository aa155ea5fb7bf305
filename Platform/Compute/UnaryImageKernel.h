#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "Platform/Compute/CommandBuffer.h"

namespace quorvel::platform {

class ComputeDevice;
class Texture;

// What a kernel reads for a texel outside its source texture.
enum class ImageEdgeMode {
    // Transparent black: (0, 0, 0, 0).
    zero = 0,
    // The nearest texel of the source edge.
    clamp = 1,
};

// An image kernel that reads one texture and writes another, each destination texel (x, y) from
// the source around (x, y); the whole destination is written. The platform's kernel family of that
// shape, run on the CPU.
//
// Both textures must be RGBA8Unorm, the source readable (shader-read usage) and the destination
// writable (shader-write usage); they may differ in size. Texel values are floats in 0…1 inside a
// kernel (byte / 255); a result is stored clamped to 0…1 and rounded to the nearest byte, ties to
// even, NaN as 0, which is how the platform's GPUs store into unsigned normalised textures.
//
// encode() records the work, with the kernel's parameters as they are at that moment and a
// reference to both textures, into the command buffer; it runs when the buffer is committed.
class UnaryImageKernel {
public:
    virtual ~UnaryImageKernel() = default;

    std::shared_ptr<ComputeDevice> device() const { return device_.lock(); }

    ImageEdgeMode edgeMode() const { return edgeMode_; }
    void setEdgeMode(ImageEdgeMode mode) { edgeMode_ = mode; }

    // Records the work; false (nothing recorded) when a texture has the wrong format or usage,
    // or the buffer has already been committed.
    bool encode(CommandBuffer& commandBuffer, const Texture& source, Texture& destination) const;

protected:
    UnaryImageKernel(const std::shared_ptr<ComputeDevice>& device, ImageEdgeMode edgeMode);

    // The work for one encoding. The textures are kept alive by the returned work.
    virtual CommandBuffer::Work makeWork(std::shared_ptr<const Texture> source,
                                         std::shared_ptr<Texture> destination) const = 0;

    // Level 0 of a texture: rows of width × 4 bytes, bytesPerRow apart.
    struct TexelPlane {
        std::uint8_t* data;
        int width;
        int height;
        std::size_t bytesPerRow;

        std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * bytesPerRow; }
    };

    // The texels of a texture. The plane of a const texture is only to be read.
    static TexelPlane texels(const Texture& texture);

    // Row y of the source as a destination `width` texels wide sees it, with `margin` more texels
    // on each side: (width + 2 × margin) × 4 bytes into `row`, texel i being source texel
    // (i − margin, y), or what the edge mode gives outside the source.
    static void readRow(const TexelPlane& source, int y, int width, int margin,
                        ImageEdgeMode edgeMode, std::uint8_t* row);

    // A kernel value stored into an unsigned normalised byte.
    static std::uint8_t unorm8(float value);

private:
    std::weak_ptr<ComputeDevice> device_;
    ImageEdgeMode edgeMode_;
};

}  // namespace quorvel::platform
