#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/logger_menu.h"
#include "fake_console.h"
#include "fake_port.h"
#include "fixed_clock.h"
#include "serial/program_exit.h"

namespace trackctl {
namespace {

using testing::FakeConsole;
using testing::FakePort;
using testing::FixedClock;

constexpr const char* kMenu =
    "Select\n"
    "******\n"
    "\tRead Data in SMS Sector...1\n"
    "\tRead Data in DataCall Sector...2\n"
    "\tDelete Logger Data in SMS Sector...3\n"
    "\tDelete Logger Data in DataCall Sector...4\n"
    "\tExit this... 5\n";

struct MenuBench {
  FakePort port;
  FakeConsole console;
  FixedClock clock{LocalDateTime{}, 0};
  RandomGenerator random;
  Session session{port, console, clock, random};
  std::optional<int> exitStatus;

  std::string Show(int choice) {
    console.ints.push_back(choice);
    ::testing::internal::CaptureStdout();
    try {
      ShowLoggerMenu(session);
    } catch (const ProgramExit& exit) {
      exitStatus = exit.status;
    }
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST(ShowLoggerMenu, EraseChoicesAreFramedByTheirLines) {
  MenuBench bench;
  bench.port.Script("\xEAPDEL_OK\xE4");
  EXPECT_EQ(bench.Show(3), std::string(kMenu) +
                               "Deleting data in SMS sector : Started...\n"
                               "\nSending delete initialization command to device..."
                               "\nDeleting data from device......"
                               "\nDeleting Logger Data in SMS Sector Done..."
                               "Deleting data in SMS sector : Over...\n\n");
  EXPECT_EQ(bench.console.discards, 1);
  bench.port.Script("\xEA" "DEL_ERROR\xE4");
  EXPECT_EQ(bench.Show(4), std::string(kMenu) +
                               "Deleting data in DataCall sector : Started...\n"
                               "\nSending delete initialization command to device..."
                               "\nDeleting data from device......"
                               "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n"
                               "Deleting data in DataCall sector : Over...\n\n");
  EXPECT_EQ(std::string(bench.port.written.begin(), bench.port.written.end()), "\xEAPDEL\xE4\xEAODEL\xE4");
}

TEST(ShowLoggerMenu, ReadChoicesAreFramedByTheirLines) {
  MenuBench bench;
  // An unsafe key: the download stops before the device is asked anything.
  bench.session.serialKey = {'a', '/', 'b'};
  EXPECT_EQ(bench.Show(1), std::string(kMenu) +
                               "Reading data from SMS sector : Started...\n"
                               "error creating file\n"
                               "Reading data from SMS sector : Done...\n");
  EXPECT_EQ(bench.Show(2), std::string(kMenu) +
                               "Reading data from DataCall sector : Started...\n"
                               "error creating file\n"
                               "Reading data from DataCall sector : Done...\n");
}

TEST(ShowLoggerMenu, WrongChoicesAndTheExit) {
  MenuBench bench;
  for (const int choice : {0, 6, -1}) {
    EXPECT_EQ(bench.Show(choice), std::string(kMenu) + "Wrong choice...\n\n\n") << choice;
  }
  EXPECT_FALSE(bench.exitStatus.has_value());
  EXPECT_EQ(bench.Show(5), kMenu);
  EXPECT_EQ(bench.exitStatus, 0);
  EXPECT_TRUE(bench.port.written.empty());
}

}  // namespace
}  // namespace trackctl
