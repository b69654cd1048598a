// Runs that must end by themselves: a silent device, one that falls silent in a
// reply, a signal in the middle of a download; and what they leave behind.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class Unattended : public E2eTest {
 protected:
  // Runs trackctl with `args` to its end; returns the exit status, keeps the
  // output and how long the run took.
  int Run(std::vector<std::string> args, std::chrono::milliseconds deadline = 20s) {
    RunOptions options;
    options.args = std::move(args);
    const auto started = Clock::now();
    Program& run = Start("", options);
    const int status = run.WaitExit(deadline);
    took = Clock::now() - started;
    output = run.Output();
    return status;
  }
  // The lines that the SMS sector's first `records` records give, as the device holds them.
  bool IsWholeLinesOfTheSector(const std::string& content) {
    if (content.empty() || content.back() != '\n') return false;
    const std::string whole = [this] {
      RunOptions options;
      options.args = {"download", "sms", "-o", "whole.dat"};
      Start("", options).WaitExit();
      return ReadFile("whole.dat");
    }();
    return whole.starts_with(content);
  }

  // The port as the program names it.
  std::string Port() { return ShownPortName(1, sim().slavePath()); }

  std::string output;
  Clock::duration took{};
};

TEST_F(Unattended, ADeviceThatNeverWakesEndsTheRunAfterFiveSeconds) {
  knobs.silentWakes = 1'000'000;
  EXPECT_EQ(Run({"info"}), 1);
  EXPECT_GE(took, 5s);
  EXPECT_LT(took, 6s + 500ms);
  EXPECT_TRUE(output.ends_with("Waiting for ACKtrackctl: no device answers on " + Port() + "\n"))
      << output;
}

TEST_F(Unattended, ADeviceThatNeverRepliesEndsTheRunAtTheLimit) {
  knobs.replyFor["INIT"] = {};  // awake, but no answer to INIT
  EXPECT_EQ(Run({"--timeout", "1", "info"}), 1);
  EXPECT_LT(took, 2s + 500ms);
  EXPECT_TRUE(output.ends_with("trackctl: " + Port() + ": no reply to INIT within 1 s\n")) << output;

  sim().WithDevice([](tracksim::Device& device) {
    device.knobs().replyFor.clear();
    device.knobs().replyFor["READCONFIG_"] = {};
  });
  EXPECT_EQ(Run({"--timeout", "1", "read-config"}), 1);
  EXPECT_TRUE(output.ends_with("trackctl: " + Port() + ": no reply to READCONFIG within 1 s\n"))
      << output;
}

TEST_F(Unattended, ADownloadThatFallsSilentLeavesAPartialFileOnly) {
  knobs.silentOn = "PREAD";
  knobs.silentAfterBytes = 4000;  // the count reply and some 180 records
  EXPECT_EQ(Run({"--timeout", "1", "download", "sms", "-o", "sms.dat"}), 1);
  EXPECT_LT(took, 3s);
  EXPECT_NE(output.find("trackctl: download incomplete: sms.dat kept as sms.dat.partial\ntrackctl: " +
                        Port() + ": no reply to PREAD within 1 s\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat.partial"});
  knobs.silentOn.reset();
  StartSim();
  EXPECT_TRUE(IsWholeLinesOfTheSector(ReadFile("sms.dat.partial")));
}

TEST_F(Unattended, APauseShorterThanTheLimitIsWaitedThrough) {
  knobs.chunkSize = 4000;
  knobs.chunkPauseMs = 1200;
  EXPECT_EQ(Run({"--timeout", "2", "download", "sms", "-o", "sms.dat"}), 0) << output;
  EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat"});
}

// A download is written as NAME.partial and renamed when the sector is whole:
// a signal, SIGKILL too (or a power loss), leaves nothing under the file's own
// name, and import refuses what it left.
TEST_F(Unattended, ASignalInTheMiddleOfADownloadLeavesAPartialFileOnly) {
  if (UnderWine()) GTEST_SKIP() << "Windows ends a program on Ctrl-C without a signal to handle";
  knobs.chunkSize = 500;
  knobs.chunkPauseMs = 40;
  for (const int number : {SIGTERM, SIGKILL}) {
    StartSim();
    RunOptions options;
    options.args = {"download", "sms", "-o", "sms.dat"};
    Program& run = Start("", options);
    ASSERT_TRUE(run.WaitForOutput("Done : 139\n"));
    EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat.partial"}) << number;
    run.Signal(number);
    EXPECT_EQ(run.WaitExit(), -1);
    EXPECT_EQ(run.endSignal(), number);
    EXPECT_EQ(run.Output().find("trackctl: download incomplete: sms.dat kept as sms.dat.partial\n") !=
                  std::string::npos,
              number == SIGTERM)
        << run.Output();
    EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat.partial"}) << number;
    EXPECT_EQ(Run({"import", "--archive", "../a.gpkg", "sms.dat.partial"}), 2) << output;
    EXPECT_EQ(Run({"download", "sms", "-o", "sms.dat"}), 4) << output;
    EXPECT_NE(output.find("sms.dat: cannot create the logger file: sms.dat.partial exists already"),
              std::string::npos)
        << output;
    std::filesystem::remove(workdir() / "sms.dat.partial");
  }
}

// A signal after the count and before the first record: no file at all is
// left, neither under the file's name nor an empty NAME.partial.
TEST_F(Unattended, ASignalBeforeTheFirstRecordLeavesNoFile) {
  if (UnderWine()) GTEST_SKIP() << "Windows ends a program on Ctrl-C without a signal to handle";
  knobs.silentOn = "PREAD";
  knobs.silentAfterBytes = std::string("\xEAPREAD_OK_6600\xE4").size();  // the count and nothing of the records
  RunOptions options;
  options.args = {"download", "sms", "-o", "sms.dat"};
  Program& run = Start("", options);
  ASSERT_TRUE(run.WaitForOutput("No of records = 300\n")) << run.Output();
  EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat.partial"});
  run.Signal(SIGTERM);
  EXPECT_EQ(run.WaitExit(), -1);
  EXPECT_EQ(run.endSignal(), SIGTERM);
  EXPECT_NE(run.Output().find("trackctl: download incomplete: sms.dat removed, it held no record\n"), std::string::npos)
      << run.Output();
  EXPECT_EQ(Files(), std::vector<std::string>{});
}

TEST_F(Unattended, TheMenuWaitsForEverUnlessTheLimitIsGiven) {
  knobs.replyFor["STOPTRACK"] = {};
  RunOptions options;
  options.args = {"--timeout", "1"};
  Program& limited = Start("1\n6\n\n0\n", options);
  EXPECT_EQ(limited.WaitExit(5s), 1);
  EXPECT_TRUE(limited.Output().ends_with("trackctl: " + Port() + ": no reply to STOPTRACK within 1 s\n"))
      << limited.Output();

  Program& unlimited = Start("1\n6\n\n0\n");
  EXPECT_TRUE(unlimited.WaitForOutput("Sending STOP TRACKING command to Device"));
  EXPECT_EQ(unlimited.WaitExit(2s), -1);  // still waiting when the test gives up on it
}

TEST_F(Unattended, AProgressBarOnATerminalAndNoneInALog) {
  if (UnderWine()) GTEST_SKIP() << "wine gives the program a console of its own";
  knobs.chunkSize = 500;
  knobs.chunkPauseMs = 150;  // two seconds in all: long enough for a rate
  RunOptions options;
  options.args = {"download", "sms", "-o", "sms.dat"};
  options.onTerminal = true;
  Program& run = Start("", options);
  ASSERT_EQ(run.WaitExit(), 0) << run.Output();
  // Redrawn in place, then taken off the line; it stands in for the "Done : N" lines.
  const std::string shown = run.RawOutput();
  EXPECT_NE(shown.find("\r[####################] 100%  300/300 records"), std::string::npos) << shown;
  EXPECT_TRUE(std::regex_search(shown, std::regex("\r\\[#*\\.+\\] +[0-9]+%  [0-9]+/300 records  [0-9.]+( k)?/s  0:0[0-9] left")))
      << shown;
  EXPECT_EQ(shown.find("Done : "), std::string::npos);
  EXPECT_EQ(Files(), std::vector<std::string>{"sms.dat"});

  // The whole sector at once: the last block comes well within the redraw
  // interval, and its frame is drawn all the same.
  fs::remove(workdir() / "sms.dat");
  sim().WithDevice([](tracksim::Device& device) { device.knobs().chunkPauseMs = 0; });
  Program& fast = Start("", options);
  ASSERT_EQ(fast.WaitExit(), 0) << fast.Output();
  EXPECT_NE(fast.RawOutput().find("\r[####################] 100%  300/300 records"), std::string::npos)
      << fast.RawOutput();

  // With -q, or into a log, none of it: the "Done : N" lines are there as ever.
  fs::remove(workdir() / "sms.dat");
  sim().WithDevice([](tracksim::Device& device) { device.knobs().chunkPauseMs = 0; });
  options.args = {"-q", "download", "sms", "-o", "sms.dat"};
  Program& quiet = Start("", options);
  ASSERT_EQ(quiet.WaitExit(), 0);
  EXPECT_EQ(quiet.RawOutput().find("\r["), std::string::npos);
  EXPECT_NE(quiet.RawOutput().find("Done : 139"), std::string::npos);
  fs::remove(workdir() / "sms.dat");
  EXPECT_EQ(Run({"download", "sms", "-o", "sms.dat"}), 0);
  EXPECT_EQ(output.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace trackctl::e2e
