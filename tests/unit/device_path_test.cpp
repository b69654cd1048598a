#include "serial/device_path.h"

#include <gtest/gtest.h>

namespace trackctl {
namespace {

TEST(PortDevicePath, TheVariableWhenSetElseTheBuiltInPortCountedFromZero) {
  EXPECT_EQ(PortDevicePath(1, nullptr), "/dev/ttyS0");
  EXPECT_EQ(PortDevicePath(12, nullptr), "/dev/ttyS11");
  EXPECT_EQ(PortDevicePath(20, ""), "/dev/ttyS19");  // set but empty: as if not set
  EXPECT_EQ(PortDevicePath(3, "/dev/ttyUSB0"), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace trackctl
