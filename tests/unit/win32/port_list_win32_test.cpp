// The Windows port list over the registry's serial map, with values that the
// test adds with reg.exe as a driver would and removes afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "serial/natural_order.h"
#include "serial/port_list.h"

namespace trackctl {
namespace {

const std::string kSerialMap = "\"HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM\"";

// A value of the serial map for as long as it lives.
class MappedPort {
 public:
  MappedPort(std::string value, const std::string& port) : value_(std::move(value)) {
    added_ = std::system(("reg add " + kSerialMap + " /v " + value_ + " /d " + port + " /f >NUL").c_str()) == 0;
  }
  ~MappedPort() { std::system(("reg delete " + kSerialMap + " /v " + value_ + " /f >NUL 2>&1").c_str()); }
  MappedPort(const MappedPort&) = delete;
  MappedPort& operator=(const MappedPort&) = delete;
  bool added() const { return added_; }

 private:
  std::string value_;
  bool added_ = false;
};

TEST(PortListWin32, ListsTheComPortsOfTheSerialMapNaturallyOrdered) {
  const MappedPort ports[] = {{"\\Device\\TrackctlTest23", "COM23"},
                              {"\\Device\\TrackctlTest100", "COM100"},
                              {"\\Device\\TrackctlTest3", "COM3"}};
  for (const MappedPort& port : ports) ASSERT_TRUE(port.added());

  // Other ports, wine's own or the machine's, may be listed around them.
  std::vector<std::string> lines;
  for (const SerialPortEntry& port : ListSerialPorts()) lines.push_back(port.path);
  EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), NaturalLess));
  std::vector<std::string> ours;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(ours),
               [](const std::string& line) { return line == "COM3" || line == "COM23" || line == "COM100"; });
  EXPECT_EQ(ours, (std::vector<std::string>{"COM3", "COM23", "COM100"}));
}

}  // namespace
}  // namespace trackctl
