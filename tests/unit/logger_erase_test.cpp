#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_port.h"
#include "printed.h"
#include "fixed_clock.h"
#include "logger/logger_erase.h"

namespace trackctl {
namespace {

using testing::FakePort;
using testing::FixedClock;

struct EraseRun {
  std::string written;
  std::string printed;
};

EraseRun Erase(int isSmsSector, std::string_view reply) {
  FakePort port;
  FixedClock clock{LocalDateTime{}, 0};
  RandomGenerator random;
  Session session{port, clock, random};
  port.Script(reply);
  const std::string printed = testing::Printed([&] { EraseLoggerSector(session, isSmsSector); });
  EraseRun run{std::string(port.written.begin(), port.written.end()), printed};
  EXPECT_TRUE(port.incoming.empty());
  return run;
}

constexpr const char* kPrologue = "\nSending delete initialization command to device...\nDeleting data from device......";

TEST(EraseLoggerSector, OnlyTheRefusalIsShown) {
  const std::string refused = std::string(kPrologue) + "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n";
  // The other sector's acknowledgement, extra characters, anything else: nothing.
  const struct {
    int isSmsSector;
    std::string reply;
    std::string printed;
  } cases[] = {
      {1, "\xEA" "DEL_ERROR\xE4", refused},
      {0, "\xEA" "DEL_ERROR\xE4", refused},
      {0, "\xEAPDEL_OK\xE4", kPrologue},
      {1, "\xEAODEL_OK\xE4", kPrologue},
      {1, "\xEAPDEL_OK \xE4", kPrologue},
      {1, "\xEA" + std::string(200, 'X') + "\xE4", kPrologue},
  };
  for (const auto& c : cases) EXPECT_EQ(Erase(c.isSmsSector, c.reply).printed, c.printed) << c.reply;
}

}  // namespace
}  // namespace trackctl
