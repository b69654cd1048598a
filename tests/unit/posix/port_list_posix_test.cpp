// The Linux port list over a device tree of the test's own: links in
// serial/by-id and plain files for the devices. A plain file has no UART
// behind it, so the ttyS entries are left out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "serial/port_list.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;

// Points ListSerialPorts at `root` for as long as it lives.
class DeviceRoot {
 public:
  explicit DeviceRoot(const fs::path& root) { setenv("TRACKCTL_DEV_ROOT", root.c_str(), 1); }
  ~DeviceRoot() { unsetenv("TRACKCTL_DEV_ROOT"); }
  DeviceRoot(const DeviceRoot&) = delete;
  DeviceRoot& operator=(const DeviceRoot&) = delete;
};

TEST(PortListPosix, ReadsTheLinksAndDevicesOfTheDeviceFolder) {
  const testing::WorkDir dir;
  const fs::path dev = dir.outer() / "dev";
  fs::create_directories(dev / "serial" / "by-id");
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "console"}) dir.Write((dev / name).c_str(), "");
  fs::create_symlink("../../ttyUSB10", dev / "serial" / "by-id" / "usb-FTDI_A600-if00-port0");
  fs::create_symlink("../../ttyACM0", dev / "serial" / "by-id" / "usb-Modem_7-if00");
  const DeviceRoot root(dev);

  const std::string d = dev.string();
  EXPECT_EQ(ListSerialPorts(), (std::vector<std::string>{
                                   d + "/serial/by-id/usb-FTDI_A600-if00-port0 -> " + d + "/ttyUSB10",
                                   d + "/serial/by-id/usb-Modem_7-if00 -> " + d + "/ttyACM0",
                                   d + "/ttyUSB2", d + "/ttyUSB10", d + "/ttyACM0"}));

  fs::remove_all(dev / "serial");
  fs::remove(dev / "ttyACM0");
  EXPECT_EQ(ListSerialPorts(), (std::vector<std::string>{d + "/ttyUSB2", d + "/ttyUSB10"}));
}

TEST(PortListPosix, AMissingDeviceFolderListsNothing) {
  const testing::WorkDir dir;
  const DeviceRoot root(dir.outer() / "no-such-folder");
  EXPECT_TRUE(ListSerialPorts().empty());
}

}  // namespace
}  // namespace trackctl
