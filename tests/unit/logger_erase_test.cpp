#include <gtest/gtest.h>

#include <string>

#include "fake_port.h"
#include "fixed_clock.h"
#include "logger/logger_erase.h"
#include "recorded_report.h"

namespace trackctl {
namespace {

using testing::FakePort;
using testing::FixedClock;

TEST(EraseLoggerSector, OnlyTheSectorsOwnAcknowledgementIsDone) {
  using Kind = EraseAnswer::Kind;
  // The other sector's acknowledgement, extra characters, anything else: unexpected.
  const struct {
    Sector sector;
    std::string reply;
    Kind kind;
  } cases[] = {
      {Sector::kSms, "\xEAPDEL_OK\xE4", Kind::kDone},
      {Sector::kDataCall, "\xEAODEL_OK\xE4", Kind::kDone},
      {Sector::kSms, "\xEA" "DEL_ERROR\xE4", Kind::kDelError},
      {Sector::kDataCall, "\xEA" "DEL_ERROR\xE4", Kind::kDelError},
      {Sector::kDataCall, "\xEAPDEL_OK\xE4", Kind::kUnexpected},
      {Sector::kSms, "\xEAODEL_OK\xE4", Kind::kUnexpected},
      {Sector::kSms, "\xEAPDEL_OK \xE4", Kind::kUnexpected},
      {Sector::kSms, "\xEA" + std::string(200, 'X') + "\xE4", Kind::kUnexpected},
  };
  for (const auto& c : cases) {
    FakePort port;
    FixedClock clock{LocalDateTime{}, 0};
    RandomGenerator random;
    testing::RecordedReport report;
    Session session{port, clock, random, report};
    port.Script(c.reply);
    EXPECT_EQ(EraseLoggerSector(session, c.sector).kind, c.kind) << c.reply;
    const char letter = c.sector == Sector::kSms ? 'P' : 'O';
    EXPECT_EQ(std::string(port.written.begin(), port.written.end()), std::string("\xEA") + letter + "DEL\xE4");
    EXPECT_EQ(report.events, (std::vector<std::string>{"sending erase", "erasing"}));
    EXPECT_TRUE(port.incoming.empty());
  }
}

}  // namespace
}  // namespace trackctl
