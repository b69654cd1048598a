#include "serial/usb_identity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace trackctl {
namespace {

// The identity as one text, "none" for none, for comparing in a table.
std::string Shown(const std::optional<UsbIdentity>& usb) {
  if (!usb) return "none";
  return usb->vendorId + ":" + usb->productId + "|" + usb->serialNumber + "|" + usb->manufacturer + "|" + usb->product;
}

TEST(UsbIdentity, SysfsAttributesAsTheKernelWritesThem) {
  const std::vector<std::pair<UsbAttributeTexts, std::string>> cases = {
      {{"0403\n", "6001\n", "A12345\n", "FTDI\n", "FT232R USB UART\n"}, "0403:6001|A12345|FTDI|FT232R USB UART"},
      {{"1A86\n", "7523\n", "", "", "USB Serial\n"}, "1a86:7523|||USB Serial"},  // no serial, no maker
      {{"067b", "2303", "X9", "Prolific Technology Inc. ", "USB-Serial Controller\r\n"},
       "067b:2303|X9|Prolific Technology Inc.|USB-Serial Controller"},  // no line end; spaces and CR dropped
      {{"2341\n", "0043\n", "75\x1b[2J\n", "Ar\tduino\n", "Uno\nsecond line\n"}, "2341:0043|75?[2J|Ar?duino|Uno"},
      {{"", "6001\n", "A1\n", "", ""}, "none"},           // no idVendor: no USB device
      {{"0403\n", "\n", "A1\n", "", ""}, "none"},         // empty idProduct
      {{"403\n", "6001\n", "A1\n", "", ""}, "none"},      // three digits
      {{"04031\n", "6001\n", "A1\n", "", ""}, "none"},    // five
      {{"04g3\n", "6001\n", "A1\n", "", ""}, "none"},     // not hex
      {{" 0403\n", "6001\n", "A1\n", "", ""}, "none"},    // a space before it
  };
  for (const auto& [texts, expected] : cases) {
    EXPECT_EQ(Shown(UsbIdentityFromAttributes(texts)), expected) << texts.idVendor << texts.idProduct << texts.serial;
  }
}

TEST(UsbIdentity, SetupApiHardwareAndInstanceIds) {
  const std::vector<std::pair<SetupApiTexts, std::string>> cases = {
      {{"USB\\VID_0403&PID_6001&REV_0600", "USB\\VID_0403&PID_6001\\A12345", "FTDI", "USB Serial Port"},
       "0403:6001|A12345|FTDI|USB Serial Port"},
      {{"USB\\VID_1A86&PID_7523&REV_0264", "USB\\VID_1A86&PID_7523\\5&2E3F1C0&0&2", "wch.cn", "USB-SERIAL CH340"},
       "1a86:7523||wch.cn|USB-SERIAL CH340"},  // made up by Windows: no serial number
      {{"USB\\VID_2341&PID_8036&REV_0100&MI_00", "USB\\VID_2341&PID_8036&MI_00\\6&1A2B3C4D&0&0000", "Arduino LLC",
        "Arduino Leonardo"},
       "2341:8036||Arduino LLC|Arduino Leonardo"},  // a composite device's interface
      {{"FTDIBUS\\COMPORT&VID_0403&PID_6015", "FTDIBUS\\VID_0403+PID_6015+DN01ABCDA\\0000", "FTDI", "USB Serial Port"},
       "0403:6015|DN01ABCDA|FTDI|USB Serial Port"},
      {{"ftdibus\\comport&vid_0403&pid_6001", "ftdibus\\vid_0403+pid_6001+a1b2a\\0000", "", ""}, "0403:6001|a1b2a||"},
      {{"FTDIBUS\\COMPORT&VID_0403&PID_6001", "FTDIBUS\\VID_0403+PID_6001", "FTDI", ""}, "0403:6001||FTDI|"},
      {{"ACPI\\PNP0501", "ACPI\\PNP0501\\1", "(Standard port types)", "Communications Port"}, "none"},
      {{"USB\\VID_0403", "USB\\VID_0403\\A1", "", ""}, "none"},            // no PID_
      {{"USB\\VID_04X3&PID_6001", "USB\\VID_04X3&PID_6001\\A1", "", ""}, "none"},  // not hex
      {{"USB\\VID_0403&PID_60", "USB\\VID_0403&PID_60\\A1", "", ""}, "none"},      // cut short
      {{"", "", "", ""}, "none"},
  };
  for (const auto& [texts, expected] : cases) {
    EXPECT_EQ(Shown(UsbIdentityFromSetupApi(texts)), expected) << texts.hardwareId << " " << texts.instanceId;
  }
}

}  // namespace
}  // namespace trackctl
