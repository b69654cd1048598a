#include "app/device/usb_port_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trackctl {
namespace {

// A port with a USB adapter whose serial number is `serial`.
SerialPortEntry Adapter(std::string path, std::string serial) {
  return {std::move(path), {}, UsbIdentity{"0403", "6001", std::move(serial), "FTDI", "FT232R USB UART"}};
}

TEST(UsbPortChoice, ExactSerialNumberThenTheOnlyOneStartingWithIt) {
  const std::vector<SerialPortEntry> ports = {
      Adapter("/dev/ttyUSB0", "A12345"),
      Adapter("/dev/ttyUSB1", "A123456"),
      Adapter("/dev/ttyUSB2", "B777"),
      {"/dev/ttyUSB3", {}, UsbIdentity{"1a86", "7523", "", "", "USB Serial"}},  // no serial number
      {"/dev/ttyS0", {}, std::nullopt},
      Adapter("/dev/ttyACM0", "Z1"),
      Adapter("/dev/ttyACM1", "Z1"),  // both ports of one two-port adapter
  };
  const std::string present =
      "(present: A12345 on /dev/ttyUSB0, A123456 on /dev/ttyUSB1, B777 on /dev/ttyUSB2, Z1 on /dev/ttyACM0, Z1 on "
      "/dev/ttyACM1)";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"A12345", "/dev/ttyUSB0"},   // exact, though A123456 starts with it too
      {"A123456", "/dev/ttyUSB1"},
      {"B", "/dev/ttyUSB2"},        // the only one starting with it
      {"B777", "/dev/ttyUSB2"},
      {"A1234", "'usb:A1234' names several USB adapters: A12345 on /dev/ttyUSB0, A123456 on /dev/ttyUSB1"},
      {"A", "'usb:A' names several USB adapters: A12345 on /dev/ttyUSB0, A123456 on /dev/ttyUSB1"},
      {"Z1", "'usb:Z1' names several USB adapters: Z1 on /dev/ttyACM0, Z1 on /dev/ttyACM1"},
      {"a12345", "'usb:a12345' names no USB adapter " + present},  // case counts
      {"B7777", "'usb:B7777' names no USB adapter " + present},
      {"12345", "'usb:12345' names no USB adapter " + present},   // a start, not a part
      {"A1\x1b[2J", "'usb:A1?[2J' names no USB adapter " + present},
  };
  for (const auto& [serial, expected] : cases) {
    const UsbPortChoice choice = ChooseUsbPort(ports, serial);
    EXPECT_EQ(choice.path.value_or(choice.problem), expected) << serial;
    EXPECT_EQ(choice.path.has_value(), choice.problem.empty()) << serial;
  }
}

TEST(UsbPortChoice, WithoutAdaptersWithSerialNumbersNoneIsChosen) {
  const std::vector<SerialPortEntry> ports = {{"/dev/ttyS0", {}, std::nullopt},
                                              {"/dev/ttyUSB0", {}, UsbIdentity{"1a86", "7523", "", "", ""}}};
  for (const std::vector<SerialPortEntry>& list : {ports, std::vector<SerialPortEntry>{}}) {
    const UsbPortChoice choice = ChooseUsbPort(list, "A1");
    EXPECT_FALSE(choice.path.has_value());
    EXPECT_EQ(choice.problem, "'usb:A1' names no USB adapter (none with a serial number is present)");
  }
}

}  // namespace
}  // namespace trackctl
