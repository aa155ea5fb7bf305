#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/Compute/CommandBuffer.h"
#include "Platform/Compute/CommandQueue.h"
#include "Platform/Compute/ComputeDevice.h"
#include "Platform/Compute/Texture.h"
#include "Platform/Compute/TextureDescriptor.h"
#include "Platform/Compute/UnaryImageKernel.h"

namespace quorvel::platform::computetest {

using Bytes = std::vector<std::uint8_t>;

inline std::shared_ptr<ComputeDevice> device() {
    return ComputeDevice::systemDefault();
}

inline TextureDescriptor readWriteDescriptor(int width, int height) {
    auto descriptor =
        TextureDescriptor::texture2D(TexturePixelFormat::rgba8Unorm, width, height, false);
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    return descriptor;
}

// A read-write RGBA8Unorm texture holding `texels` (rows packed), or all zero when none are given.
inline std::shared_ptr<Texture> textureWith(int width, int height, const Bytes& texels = {}) {
    auto texture = device()->newTexture(readWriteDescriptor(width, height));
    if (texture && !texels.empty()) {
        texture->replaceRegion(TextureRegion::make2D(0, 0, width, height), 0, texels.data(),
                               static_cast<std::size_t>(width) * 4);
    }
    return texture;
}

// Every byte of level 0, rows packed.
inline Bytes bytesOf(const Texture& texture) {
    Bytes bytes(static_cast<std::size_t>(texture.width() * texture.height() * 4));
    texture.getBytes(bytes.data(), static_cast<std::size_t>(texture.width()) * 4,
                     TextureRegion::make2D(0, 0, texture.width(), texture.height()), 0);
    return bytes;
}

// The same four bytes for every texel.
inline Bytes filled(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                    std::uint8_t a) {
    Bytes bytes;
    for (int i = 0; i < width * height; ++i) bytes.insert(bytes.end(), {r, g, b, a});
    return bytes;
}

inline std::size_t offset(int width, int x, int y, int channel) {
    return static_cast<std::size_t>((y * width + x) * 4 + channel);
}

// Encodes with `encode(buffer)`, commits and waits; returns the buffer's final status.
template <class Encode>
CommandBufferStatus run(Encode&& encode) {
    auto queue = device()->newCommandQueue();
    auto buffer = queue->commandBuffer();
    encode(*buffer);
    buffer->commit();
    buffer->waitUntilCompleted();
    return buffer->status();
}

// The kernel run over `source` into a new width × height destination; its bytes.
inline Bytes kernelOutput(const UnaryImageKernel& kernel, const Texture& source, int width,
                          int height) {
    auto destination = textureWith(width, height);
    EXPECT_EQ(run([&](CommandBuffer& buffer) {
                  EXPECT_TRUE(kernel.encode(buffer, source, *destination));
              }),
              CommandBufferStatus::completed);
    return bytesOf(*destination);
}

}  // namespace quorvel::platform::computetest
