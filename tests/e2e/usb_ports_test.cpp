// USB adapters by their identity: --list-ports over a device tree and a sysfs
// tree of the test's own, as lines and as JSON, and -p usb:SERIAL opening the
// adapter whose serial number it names, the simulated device behind it.
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/common/usb_sysfs_tree.h"
#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;

class UsbPortRun : public E2eTest {
 protected:
  // A device folder: ttyUSB0 and ttyACM0 the simulated device, ttyUSB1 an
  // adapter with nothing behind it, ttyUSB2 one without a serial number; and
  // the sysfs tree that tells their USB identities.
  void BuildTrees() {
    fs::create_directories(dev / "serial" / "by-id");
    fs::create_symlink(sim().slavePath(), dev / "ttyUSB0");
    fs::create_symlink(sim().slavePath(), dev / "ttyACM0");
    for (const char* name : {"ttyUSB1", "ttyUSB2"}) std::ofstream(dev / name) << "";
    fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI_FT232R_USB_UART_A12345-if00-port0");
    testing::AddUsbTty(sys, "1-1", "ttyUSB0", {"0403", "6001", "A12345", "FTDI", "FT232R USB UART"});
    testing::AddUsbTty(sys, "1-2", "ttyUSB1", {"0403", "6015", "A123456", "FTDI", "FT231X USB UART"});
    testing::AddUsbTty(sys, "1-3", "ttyUSB2", {"1a86", "7523", "", "", "USB Serial"});
    testing::AddUsbTty(sys, "1-4", "ttyACM0", {"2341", "0043", "B77", "Arduino", "Uno"}, testing::TtyDriver::kAcm);
  }
  // Runs trackctl over the trees with `args` to its end; returns the exit status and keeps the output.
  int Run(std::vector<std::string> args, RunOptions options = {}) {
    options.args = std::move(args);
    options.env.emplace_back("TRACKCTL_DEV_ROOT", dev.string());
    options.env.emplace_back("TRACKCTL_SYS_ROOT", sys.string());
    Program& run = Start("", options);
    const int status = run.WaitExit();
    output = run.Output();
    return status;
  }

  const fs::path dev = workdir() / "dev";
  const fs::path sys = workdir() / "sys";
  std::string output;
};

TEST_F(UsbPortRun, TheListShowsEachAdaptersIdentityAsLinesAndAsJson) {
  if (UnderWine()) GTEST_SKIP() << "Windows has no sysfs; SetupAPI's side is checked by the unit tests' parsing";
  BuildTrees();
  EXPECT_EQ(Run({"--list-ports"}), 0);
  const std::string d = dev.string();
  EXPECT_EQ(output, d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0 -> " + d + "/ttyUSB0\n" +
                        d + "/ttyUSB0  USB 0403:6001 serial A12345 (FTDI FT232R USB UART)\n" +
                        d + "/ttyUSB1  USB 0403:6015 serial A123456 (FTDI FT231X USB UART)\n" +
                        d + "/ttyUSB2  USB 1a86:7523 (USB Serial)\n" +
                        d + "/ttyACM0  USB 2341:0043 serial B77 (Arduino Uno)\n");

  RunOptions apart;
  apart.stderrFile = "messages.txt";
  EXPECT_EQ(Run({"--list-ports", "--json"}, apart), 0);
  const nlohmann::json ports = nlohmann::json::parse(output);
  ASSERT_TRUE(ports.is_array());
  ASSERT_EQ(ports.size(), 4u);
  EXPECT_EQ(ports[0]["path"], d + "/ttyUSB0");
  EXPECT_EQ(ports[0]["byId"], nlohmann::json::array({d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0"}));
  EXPECT_EQ(ports[0]["usb"], nlohmann::json({{"vendorId", "0403"}, {"productId", "6001"}, {"serialNumber", "A12345"},
                                             {"manufacturer", "FTDI"}, {"product", "FT232R USB UART"}}));
  EXPECT_EQ(ports[2]["path"], d + "/ttyUSB2");
  EXPECT_TRUE(ports[2]["usb"]["serialNumber"].is_null());
  EXPECT_TRUE(ports[2]["usb"]["manufacturer"].is_null());
  EXPECT_EQ(ports[3]["usb"]["serialNumber"], "B77");
  EXPECT_EQ(ports[3]["byId"], nlohmann::json::array());

  // Without ports: an empty array, where the lines say that none was found.
  fs::remove_all(dev);
  fs::create_directories(dev);
  EXPECT_EQ(Run({"--json", "--list-ports"}), 0);
  EXPECT_EQ(output, "[]\n");
  EXPECT_TRUE(sim().Received().empty());
}

TEST_F(UsbPortRun, ASerialNumberOrItsOnlyStartOpensThatAdapter) {
  if (UnderWine()) GTEST_SKIP() << "Windows has no sysfs, and SetupAPI cannot be given adapters under wine";
  BuildTrees();
  // A12345 is exact, though A123456 starts with it too; B is the only start of B77.
  const std::vector<std::pair<std::string, std::string>> cases = {{"usb:A12345", "ttyUSB0"}, {"usb:B", "ttyACM0"}};
  for (const auto& [port, device] : cases) {
    EXPECT_EQ(Run({"-p", port, "info"}), 0) << port;
    EXPECT_EQ(output.find("Initializing " + (dev / device).string() + ".......DONE\n"), 0u) << output;
    EXPECT_NE(output.find("Serial key of Device = " + state.serialKey), std::string::npos) << output;
  }
  // The menu takes it too.
  RunOptions menu;
  menu.args = {"-p", "usb:A12345"};
  menu.env = {{"TRACKCTL_DEV_ROOT", dev.string()}, {"TRACKCTL_SYS_ROOT", sys.string()}};
  Program& run = Start("0\n", menu);
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_EQ(run.Output().find("Initializing " + (dev / "ttyUSB0").string() + ".......DONE\n"), 0u) << run.Output();
}

TEST_F(UsbPortRun, ASerialNumberThatNamesNoneOrSeveralIsAUsageError) {
  if (UnderWine()) {
    // No adapter that SetupAPI knows under wine: the refusal for none.
    EXPECT_EQ(Run({"-p", "usb:A1", "info"}), 2);
    EXPECT_EQ(output, "trackctl: 'usb:A1' names no USB adapter (none with a serial number is present) (usage: "
                      "trackctl --help)\n");
    EXPECT_TRUE(sim().Received().empty());
    return;
  }
  BuildTrees();
  const std::string d = dev.string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-p", "usb:A1234", "info"},
       "'usb:A1234' names several USB adapters: A12345 on " + d + "/ttyUSB0, A123456 on " + d + "/ttyUSB1"},
      {{"-p", "usb:C9", "read-config"},
       "'usb:C9' names no USB adapter (present: A12345 on " + d + "/ttyUSB0, A123456 on " + d + "/ttyUSB1, B77 on " +
           d + "/ttyACM0)"},
      {{"--port=usb:A"}, "'usb:A' names several USB adapters: A12345 on " + d + "/ttyUSB0, A123456 on " + d + "/ttyUSB1"},
  };
  for (const auto& [args, problem] : cases) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_EQ(output, "trackctl: " + problem + " (usage: trackctl --help)\n");
  }
  fs::remove_all(sys);
  EXPECT_EQ(Run({"-p", "usb:A12345", "info"}), 2);
  EXPECT_EQ(output, "trackctl: 'usb:A12345' names no USB adapter (none with a serial number is present) (usage: "
                    "trackctl --help)\n");
  EXPECT_TRUE(sim().Received().empty());
}

}  // namespace
}  // namespace trackctl::e2e
