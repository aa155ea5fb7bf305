#include <gtest/gtest.h>

#include "Platform/Compute/CommandQueue.h"
#include "Platform/Compute/ComputeDevice.h"
#include "Platform/Compute/ScopedComputeDeviceUnavailable.h"
#include "Platform/Compute/ScopedComputeFaults.h"
#include "TextureTestHelpers.h"

namespace platform {
namespace {

using computetest::readWriteDescriptor;

TEST(ComputeDeviceTest, SystemDefaultIsOneDevice) {
    auto first = ComputeDevice::systemDefault();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ComputeDevice::systemDefault(), first);
    auto queue = first->newCommandQueue();
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->device(), first);
    auto buffer = queue->commandBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->commandQueue(), queue);
    EXPECT_EQ(buffer->status(), CommandBufferStatus::notEnqueued);
}

TEST(ComputeDeviceTest, UnavailableDeviceIsAbsentUntilPutBack) {
    auto before = ComputeDevice::systemDefault();
    {
        ScopedComputeDeviceUnavailable outer;
        EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
        {
            ScopedComputeDeviceUnavailable inner;
            EXPECT_FALSE(ComputeDevice::isAvailable());
        }
        // The inner scope puts back what it found: still unavailable.
        EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
        // A device handed out earlier keeps working.
        EXPECT_NE(before->newTexture(readWriteDescriptor(1, 1)), nullptr);
    }
    EXPECT_EQ(ComputeDevice::systemDefault(), before);

    ComputeDevice::setAvailable(false);
    EXPECT_EQ(ComputeDevice::systemDefault(), nullptr);
    ComputeDevice::setAvailable(true);
    EXPECT_NE(ComputeDevice::systemDefault(), nullptr);
}

TEST(ComputeDeviceTest, QueueAndBufferFaults) {
    auto device = ComputeDevice::systemDefault();
    auto queue = device->newCommandQueue();
    ComputeFaults noQueue;
    noQueue.commandQueue = true;
    ComputeFaults noBuffer;
    noBuffer.commandBuffer = true;
    {
        ScopedComputeFaults faults(noQueue);
        EXPECT_EQ(device->newCommandQueue(), nullptr);
        EXPECT_NE(queue->commandBuffer(), nullptr);
    }
    {
        ScopedComputeFaults faults(noBuffer);
        EXPECT_NE(device->newCommandQueue(), nullptr);
        EXPECT_EQ(queue->commandBuffer(), nullptr);
    }
    EXPECT_NE(device->newCommandQueue(), nullptr);
    EXPECT_NE(queue->commandBuffer(), nullptr);
}

TEST(ComputeDeviceTest, TextureFaultLetsTheGivenNumberThrough) {
    auto device = ComputeDevice::systemDefault();
    ComputeFaults twoTextures;
    twoTextures.texturesBeforeFailure = 2;
    {
        ScopedComputeFaults faults(twoTextures);
        EXPECT_NE(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
        // A refused descriptor does not count.
        EXPECT_EQ(device->newTexture(readWriteDescriptor(0, 2)), nullptr);
        EXPECT_NE(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
        EXPECT_EQ(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
        EXPECT_EQ(device->newTexture(readWriteDescriptor(2, 1)), nullptr);
        {
            ScopedComputeFaults none(ComputeFaults{});
            EXPECT_NE(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
        }
        // Putting the faults back starts their count again.
        EXPECT_NE(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
    }
    EXPECT_FALSE(ComputeDevice::faults().texturesBeforeFailure.has_value());
    EXPECT_NE(device->newTexture(readWriteDescriptor(2, 2)), nullptr);
}

}  // namespace
}  // namespace platform
