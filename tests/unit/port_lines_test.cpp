#include "serial/port_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/natural_order.h"

namespace trackctl {
namespace {

using Lines = std::vector<std::string>;

TEST(PortLines, ByIdLinksThenUsbAcmAndOnboardPortsWithAUartEachNaturallyOrdered) {
  DeviceFolderScan scan;
  scan.root = "/dev";
  scan.names = {"ttyS10", "ttyUSB10", "console", "ttyACM1", "ttyUSB2", "ttyS2", "ttyS0", "ttyUSB",
                "ttyUSBx1", "ttyACM0", "tty0", "ttyS1", "serial", "ttySAC0"};
  scan.uartNames = {"ttyS10", "ttyS0", "ttyS2", "ttySAC0"};  // ttyS1 has none
  scan.byIdLinks = {{"usb-FTDI_A600-if00-port10", "../../ttyUSB10"},
                    {"usb-FTDI_A600-if00-port2", "../../ttyUSB2"},
                    {"pci-Modem_1-if00", "/dev/./ttyACM0"}};
  EXPECT_EQ(DeviceFolderPortLines(scan), (Lines{"/dev/serial/by-id/pci-Modem_1-if00 -> /dev/ttyACM0",
                                               "/dev/serial/by-id/usb-FTDI_A600-if00-port2 -> /dev/ttyUSB2",
                                               "/dev/serial/by-id/usb-FTDI_A600-if00-port10 -> /dev/ttyUSB10",
                                               "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyACM1",
                                               "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"}));
}

TEST(PortLines, AnotherRootKeepsItsPathsAndANearlyEmptyFolderGivesNoLine) {
  DeviceFolderScan scan;
  scan.root = "/tmp/tree/";
  scan.names = {"ttyACM3"};
  scan.byIdLinks = {{"usb-Modem", "../../ttyACM3"}};
  EXPECT_EQ(DeviceFolderPortLines(scan), (Lines{"/tmp/tree/serial/by-id/usb-Modem -> /tmp/tree/ttyACM3",
                                               "/tmp/tree/ttyACM3"}));
  EXPECT_EQ(DeviceFolderPortLines(DeviceFolderScan{"/dev", {"ttyS0", "tty1"}, {}, {}}), Lines{});
}

TEST(PortLines, ComPortsNaturallyOrderedEachOnce) {
  EXPECT_EQ(ComPortLines({"COM21", "COM3", "", "COM100", "COM1", "COM3", "COM02", "COM2"}),
            (Lines{"COM1", "COM2", "COM02", "COM3", "COM21", "COM100"}));
}

TEST(NaturalOrder, DigitRunsByValueEverythingElseByByte) {
  const Lines ordered = {"", "a", "a1", "a01", "a2", "a2b", "a10", "a10b2", "a10b10", "a9999999999999999999999", "ab", "b"};
  for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
    EXPECT_TRUE(NaturalLess(ordered[i], ordered[i + 1])) << ordered[i] << " < " << ordered[i + 1];
    EXPECT_FALSE(NaturalLess(ordered[i + 1], ordered[i])) << ordered[i + 1] << " < " << ordered[i];
  }
  EXPECT_FALSE(NaturalLess("a10", "a10"));
}

}  // namespace
}  // namespace trackctl
