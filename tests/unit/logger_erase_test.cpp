#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_console.h"
#include "fake_port.h"
#include "fixed_clock.h"
#include "logger/logger_erase.h"

namespace trackctl {
namespace {

using testing::FakeConsole;
using testing::FakePort;
using testing::FixedClock;

struct EraseRun {
  std::string written;
  std::string printed;
};

EraseRun Erase(int isSmsSector, std::string_view reply) {
  FakePort port;
  FakeConsole console;
  FixedClock clock{LocalDateTime{}, 0};
  RandomGenerator random;
  Session session{port, console, clock, random};
  port.Script(reply);
  ::testing::internal::CaptureStdout();
  EraseLoggerSector(session, isSmsSector);
  std::fflush(stdout);
  EraseRun run{std::string(port.written.begin(), port.written.end()), ::testing::internal::GetCapturedStdout()};
  EXPECT_TRUE(port.incoming.empty());
  return run;
}

constexpr const char* kPrologue = "\nSending delete initialization command to device...\nDeleting data from device......";

TEST(EraseLoggerSector, EachSectorItsFrameAndItsAcknowledgement) {
  EraseRun run = Erase(1, "\x01\xFA\xEAPDEL_OK\xE4");
  EXPECT_EQ(run.written, "\xEAPDEL\xE4");
  EXPECT_EQ(run.printed, std::string(kPrologue) + "\nDeleting Logger Data in SMS Sector Done...");

  run = Erase(0, "\xEAODEL_OK\xE4");
  EXPECT_EQ(run.written, "\xEAODEL\xE4");
  EXPECT_EQ(run.printed, std::string(kPrologue) + "\nDeleting Logger Data in DataCall Sector Done...");
}

TEST(EraseLoggerSector, RefusalIsShownOtherRepliesAreNot) {
  EXPECT_EQ(Erase(1, "\xEA" "DEL_ERROR\xE4").printed,
            std::string(kPrologue) + "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n");
  EXPECT_EQ(Erase(0, "\xEA" "DEL_ERROR\xE4").printed,
            std::string(kPrologue) + "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n");
  // The other sector's acknowledgement, extra characters, anything else: nothing.
  EXPECT_EQ(Erase(0, "\xEAPDEL_OK\xE4").printed, kPrologue);
  EXPECT_EQ(Erase(1, "\xEAODEL_OK\xE4").printed, kPrologue);
  EXPECT_EQ(Erase(1, "\xEAPDEL_OK \xE4").printed, kPrologue);
  EXPECT_EQ(Erase(1, "\xEA" + std::string(200, 'X') + "\xE4").printed, kPrologue);
}

}  // namespace
}  // namespace trackctl
