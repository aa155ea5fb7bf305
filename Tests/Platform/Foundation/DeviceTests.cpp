#include <gtest/gtest.h>

#include "Platform/Foundation/Device.h"

namespace {

using namespace quorvel::platform;

TEST(DeviceTest, OrientationIsProcessWideAndStartsInPortrait) {
    EXPECT_EQ(Device::current().orientation(), DeviceOrientation::portrait);
    Device::setOrientation(DeviceOrientation::landscapeLeft);
    EXPECT_EQ(Device::current().orientation(), DeviceOrientation::landscapeLeft);
    Device::setOrientation(DeviceOrientation::portrait);
}

}  // namespace
