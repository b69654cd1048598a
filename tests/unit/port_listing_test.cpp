#include "app/device/port_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trackctl {
namespace {

using Lines = std::vector<std::string>;

TEST(PortListing, AUsbAdapterLineTellsWhatTheAdapterTells) {
  const std::vector<std::pair<UsbIdentity, std::string>> cases = {
      {{"0403", "6001", "A12345", "FTDI", "FT232R USB UART"}, "  USB 0403:6001 serial A12345 (FTDI FT232R USB UART)"},
      {{"1a86", "7523", "", "", "USB Serial"}, "  USB 1a86:7523 (USB Serial)"},
      {{"1a86", "7523", "", "QinHeng", ""}, "  USB 1a86:7523 (QinHeng)"},
      {{"2341", "0043", "7563", "", ""}, "  USB 2341:0043 serial 7563"},
      {{"067b", "2303", "", "", ""}, "  USB 067b:2303"},
  };
  for (const auto& [usb, shown] : cases) {
    const std::vector<SerialPortEntry> ports = {{"/dev/ttyUSB0", {}, usb}};
    EXPECT_EQ(PortListLines(ports), Lines{"/dev/ttyUSB0" + shown});
  }
}

TEST(PortListing, LinksFirstThenEveryPortWithItsIdentity) {
  const std::vector<SerialPortEntry> ports = {
      {"/dev/ttyUSB0", {"/dev/serial/by-id/usb-FTDI_A12345-if00-port0"}, UsbIdentity{"0403", "6001", "A12345", "FTDI", "FT232R"}},
      {"/dev/ttyACM0", {"/dev/serial/by-id/usb-Arduino_75-if00"}, UsbIdentity{"2341", "0043", "75", "", ""}},
      {"/dev/ttyS0", {}, std::nullopt},
  };
  EXPECT_EQ(PortListLines(ports), (Lines{"/dev/serial/by-id/usb-Arduino_75-if00 -> /dev/ttyACM0",
                                         "/dev/serial/by-id/usb-FTDI_A12345-if00-port0 -> /dev/ttyUSB0",
                                         "/dev/ttyUSB0  USB 0403:6001 serial A12345 (FTDI FT232R)",
                                         "/dev/ttyACM0  USB 2341:0043 serial 75", "/dev/ttyS0"}));

  EXPECT_EQ(PortListJson(ports).dump(),
            R"([{"path":"/dev/ttyUSB0","byId":["/dev/serial/by-id/usb-FTDI_A12345-if00-port0"],)"
            R"("usb":{"vendorId":"0403","productId":"6001","serialNumber":"A12345","manufacturer":"FTDI","product":"FT232R"}},)"
            R"({"path":"/dev/ttyACM0","byId":["/dev/serial/by-id/usb-Arduino_75-if00"],)"
            R"("usb":{"vendorId":"2341","productId":"0043","serialNumber":"75","manufacturer":null,"product":null}},)"
            R"({"path":"/dev/ttyS0","byId":[],"usb":null}])");
  EXPECT_EQ(PortListJson({}).dump(), "[]");
}

}  // namespace
}  // namespace trackctl
