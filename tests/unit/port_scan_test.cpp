#include "serial/port_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/device/port_listing.h"
#include "serial/natural_order.h"

namespace trackctl {
namespace {

using Lines = std::vector<std::string>;

// The lines --list-ports shows for the ports of `scan`.
Lines DeviceFolderPortLines(const DeviceFolderScan& scan) { return PortListLines(DeviceFolderPorts(scan)); }

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

TEST(PortLines, ADeviceThatOnlyLinksLeadToIsAPortOfItsOwnAfterTheOthers) {
  DeviceFolderScan scan;
  scan.root = "/dev";
  scan.names = {"ttyUSB0", "ttyCH343USB0", "ttyXRUSB1"};
  scan.byIdLinks = {{"usb-WCH_CH343-if00", "../../ttyCH343USB0"},
                    {"usb-Exar_XR21-if01", "../../ttyXRUSB1"},
                    {"usb-WCH_CH343-if00-again", "/dev/ttyCH343USB0"},
                    {"usb-FTDI-if00", "../../ttyUSB0"}};
  const std::vector<SerialPortEntry> ports = DeviceFolderPorts(scan);
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].path, "/dev/ttyUSB0");
  EXPECT_EQ(ports[0].byIdLinks, Lines{"/dev/serial/by-id/usb-FTDI-if00"});
  EXPECT_EQ(ports[1].path, "/dev/ttyXRUSB1");  // its link comes first
  EXPECT_EQ(ports[2].path, "/dev/ttyCH343USB0");
  EXPECT_EQ(ports[2].byIdLinks,
            (Lines{"/dev/serial/by-id/usb-WCH_CH343-if00", "/dev/serial/by-id/usb-WCH_CH343-if00-again"}));
  EXPECT_EQ(DeviceFolderPortLines(scan), (Lines{"/dev/serial/by-id/usb-Exar_XR21-if01 -> /dev/ttyXRUSB1",
                                               "/dev/serial/by-id/usb-FTDI-if00 -> /dev/ttyUSB0",
                                               "/dev/serial/by-id/usb-WCH_CH343-if00 -> /dev/ttyCH343USB0",
                                               "/dev/serial/by-id/usb-WCH_CH343-if00-again -> /dev/ttyCH343USB0",
                                               "/dev/ttyUSB0", "/dev/ttyXRUSB1", "/dev/ttyCH343USB0"}));
}

TEST(PortLines, ComPortsNaturallyOrderedEachOnce) {
  EXPECT_EQ(PortListLines(ComPorts({"COM21", "COM3", "", "COM100", "COM1", "COM3", "COM02", "COM2"})),
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
