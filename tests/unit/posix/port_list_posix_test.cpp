// The Linux port list over a device tree of the test's own: links in
// serial/by-id and plain files for the devices, and a sysfs tree with the USB
// devices above them. A plain file has no UART behind it, so the ttyS entries
// are left out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/device/port_listing.h"
#include "serial/port_list.h"
#include "tests/common/usb_sysfs_tree.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;

// Points ListSerialPorts at `root` for /dev and at `sys` for /sys (by default
// a folder that does not exist) for as long as it lives.
class DeviceRoot {
 public:
  explicit DeviceRoot(const fs::path& root, const fs::path& sys = "/nonexistent-sys") {
    setenv("TRACKCTL_DEV_ROOT", root.c_str(), 1);
    setenv("TRACKCTL_SYS_ROOT", sys.c_str(), 1);
  }
  ~DeviceRoot() {
    unsetenv("TRACKCTL_DEV_ROOT");
    unsetenv("TRACKCTL_SYS_ROOT");
  }
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
  EXPECT_EQ(PortListLines(ListSerialPorts()), (std::vector<std::string>{
                                   d + "/serial/by-id/usb-FTDI_A600-if00-port0 -> " + d + "/ttyUSB10",
                                   d + "/serial/by-id/usb-Modem_7-if00 -> " + d + "/ttyACM0",
                                   d + "/ttyUSB2", d + "/ttyUSB10", d + "/ttyACM0"}));

  fs::remove_all(dev / "serial");
  fs::remove(dev / "ttyACM0");
  EXPECT_EQ(PortListLines(ListSerialPorts()), (std::vector<std::string>{d + "/ttyUSB2", d + "/ttyUSB10"}));
}

TEST(PortListPosix, AMissingDeviceFolderListsNothing) {
  const testing::WorkDir dir;
  const DeviceRoot root(dir.outer() / "no-such-folder");
  EXPECT_TRUE(ListSerialPorts().empty());
}

TEST(PortListPosix, EachPortHasTheIdentityOfTheUsbDeviceAboveItInSysfs) {
  const testing::WorkDir dir;
  const fs::path dev = dir.outer() / "dev";
  const fs::path sys = dir.outer() / "sys";
  fs::create_directories(dev / "serial" / "by-id");
  for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM1", "ttyUSB2"}) dir.Write((dev / name).c_str(), "");
  fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
  testing::AddUsbTty(sys, "1-1", "ttyUSB0", {"0403", "6001", "A12345", "FTDI", "FT232R USB UART"});
  testing::AddUsbTty(sys, "1-2.4", "ttyUSB1", {"1a86", "7523", "", "", "USB Serial"});
  testing::AddUsbTty(sys, "1-3", "ttyACM0", {"2341", "0043", "7563", "Arduino (www.arduino.cc)", ""}, testing::TtyDriver::kAcm);
  // ttyUSB2 has no sysfs entry; ttyACM1 is a virtual tty, without a device.
  fs::create_directories(sys / "devices" / "virtual" / "tty" / "ttyACM1");
  fs::create_symlink("../../devices/virtual/tty/ttyACM1", sys / "class" / "tty" / "ttyACM1");
  const DeviceRoot root(dev, sys);

  const std::vector<SerialPortEntry> ports = ListSerialPorts();
  const std::string d = dev.string();
  EXPECT_EQ(PortListLines(ports),
            (std::vector<std::string>{
                d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0 -> " + d + "/ttyUSB0",
                d + "/ttyUSB0  USB 0403:6001 serial A12345 (FTDI FT232R USB UART)",
                d + "/ttyUSB1  USB 1a86:7523 (USB Serial)", d + "/ttyUSB2",
                d + "/ttyACM0  USB 2341:0043 serial 7563 (Arduino (www.arduino.cc))", d + "/ttyACM1"}));
  EXPECT_EQ(ports[0].byIdLinks, std::vector<std::string>{d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"});
}

TEST(PortListPosix, AUsbDeviceOutsideTheSysfsTreeIsNotLookedFor) {
  const testing::WorkDir dir;
  const fs::path dev = dir.outer() / "dev";
  const fs::path sys = dir.outer() / "sys";
  fs::create_directories(dev);
  dir.Write((dev / "ttyUSB0").c_str(), "");
  // The tree's own folder holds USB attributes, and the tty's device leads
  // above the tree to another one that does.
  testing::AddUsbTty(dir.outer() / "elsewhere", "1-1", "ttyUSB0", {"0403", "6001", "A1", "", ""});
  fs::create_directories(sys / "class" / "tty");
  std::ofstream(sys / "idVendor") << "0403\n";
  std::ofstream(sys / "idProduct") << "6001\n";
  fs::create_symlink(dir.outer() / "elsewhere" / "class" / "tty" / "ttyUSB0", sys / "class" / "tty" / "ttyUSB0");
  const DeviceRoot root(dev, sys);
  EXPECT_EQ(PortListLines(ListSerialPorts()), std::vector<std::string>{dev.string() + "/ttyUSB0"});
}

}  // namespace
}  // namespace trackctl
