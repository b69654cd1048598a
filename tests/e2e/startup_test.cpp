// Start-up: choosing and opening the port, the handshake, the main menu.
#include <sys/file.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

using tracksim::Bytes;
using tracksim::ToBytes;

const std::string kRefused =
    kPortPrompt + "\nThe specified COM port is not supported by our Application\nQuiting Application";

class StartUp : public E2eTest {};

TEST_F(StartUp, PortNumbersOutsideOneToTwentyAreRefused) {
  for (const char* answer : {"0\n", "21\n", "-3\n", "x\n", ""}) {
    Program& run = Start(answer);
    EXPECT_EQ(run.WaitExit(), 1) << answer;
    EXPECT_EQ(run.Output(), kRefused) << answer;
  }
  EXPECT_TRUE(sim().Received().empty());
}

TEST_F(StartUp, PortTwentyIsTakenFromItsOwnVariable) {
  RunOptions options;
  options.port = 20;
  Program& run = Start("20\n0\n", options);
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_NE(run.Output().find("Initializing " + ShownPortName(20, sim().slavePath()) + ".......DONE\n"),
            std::string::npos);
}

TEST_F(StartUp, AMissingPortEndsTheRunWithTheSystemsErrorNumber) {
  RunOptions options;
  options.port = 19;  // a port the machine does not have: no mapping and no device
  options.portPath = "";
  Program& run = Start("19\n", options);
  EXPECT_EQ(run.WaitExit(), 1);
  // The menu's texts, then one line that names the port and the reason.
  const std::string menuTexts = kPortPrompt + kPortNotSupported + "\nError Number : 2\n";
  EXPECT_EQ(run.Output().substr(0, menuTexts.size()), menuTexts);
  EXPECT_TRUE(std::regex_match(run.Output().substr(menuTexts.size()),
                               std::regex("trackctl: [^\n]+: cannot open: [^\n]+\n")))
      << run.Output();
}

TEST_F(StartUp, APortThatAnotherProgramHoldsDoesNotOpen) {
  if (UnderWine()) GTEST_SKIP() << "wine does not see a lock that a Linux program holds";
  const int holder = open(sim().slavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  Program& run = Start("1\n");
  EXPECT_EQ(run.WaitExit(), 1);
  EXPECT_NE(run.Output().find(kPortNotSupported + "\nError Number : " + std::to_string(EWOULDBLOCK) + "\n"),
            std::string::npos);
  close(holder);
  EXPECT_TRUE(sim().Received().empty());
}

TEST_F(StartUp, AFileThatIsNotAPortFailsWhenItsSettingsAreRead) {
  WriteFile("plain-file", "not a port");
  RunOptions options;
  options.portPath = (workdir() / "plain-file").string();
  Program& run = Start("1\n", options);
  EXPECT_EQ(run.WaitExit(), 1);
  const int notAPort = UnderWine() ? 6 : ENOTTY;  // wine: ERROR_INVALID_HANDLE
  EXPECT_NE(run.Output().find("\nMessage : In GetComState.....\nError Number : " + std::to_string(notAPort) + "\n"),
            std::string::npos)
      << run.Output();
}

TEST_F(StartUp, HandshakeThenMenuThenExit) {
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_EQ(run.Output(), ExpectedStartUp());
  EXPECT_EQ(sim().Received(), kHandshake);
}

TEST_F(StartUp, BytesWaitingOnTheLineBeforeStartAreFlushed) {
  // Kept, they would pass for the echo of the first wake byte and for the reply to INIT.
  sim().Send(ToBytes("\xFA\xEAINIT_OK 0000000042 090909 GT09\xE4"));
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_EQ(run.Output(), ExpectedStartUp());
}

TEST_F(StartUp, ThePortsLineSettingsArePutBackWhenTheRunEnds) {
  if (UnderWine()) GTEST_SKIP() << "a Windows port keeps the settings that the last program gave it";
  const auto settings = [this] {
    termios mode{};
    const int line = open(sim().slavePath().c_str(), O_RDWR | O_NOCTTY);
    EXPECT_EQ(tcgetattr(line, &mode), 0);
    close(line);
    return LineSettings(mode);
  };
  const std::vector<unsigned> before = settings();
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_EQ(settings(), before);
  // A refused handshake ends the run from the middle of the start-up.
  sim().WithDevice([](tracksim::Device& device) { device.knobs().replyFor["INIT"] = ToBytes("\xEAINIT_ERROR\xE4"); });
  Program& refused = Start("1\n0\n");
  EXPECT_EQ(refused.WaitExit(), 1);
  EXPECT_EQ(settings(), before);
  // A signal ends the run while it waits for a device that never answers.
  sim().WithDevice([](tracksim::Device& device) {
    device.knobs().replyFor.clear();
    device.knobs().replyFor["READCONFIG_"] = {};
  });
  const std::size_t sentBefore = sim().Received().size();
  Program& ended = Start("1\n1\n");
  ASSERT_TRUE(sim().WaitForReceived(sentBefore + 1 + 6 + 35, 10s));  // wake-up, INIT, READCONFIG
  ended.Signal(SIGTERM);
  EXPECT_EQ(ended.WaitExit(), -1);
  EXPECT_EQ(ended.endSignal(), SIGTERM);
  EXPECT_EQ(settings(), before);
}

TEST_F(StartUp, ASilentDeviceIsWokenAboutTwiceASecond) {
  knobs.silentWakes = 3;
  const auto started = std::chrono::steady_clock::now();
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, 1400ms);  // three unanswered reads of about half a second
  EXPECT_EQ(run.Output(), ExpectedStartUp());
  const Bytes received = sim().Received();
  EXPECT_EQ(std::count(received.begin(), received.end(), 0xFA), 4);
}

TEST_F(StartUp, WakeUpVariantsStillReachTheMenu) {
  struct Variant {
    const char* name;
    void (*set)(tracksim::Knobs&);
  };
  const Variant variants[] = {
      {"another byte first", [](tracksim::Knobs& k) { k.otherByteFirst = 0x41; }},
      {"three echoes", [](tracksim::Knobs& k) { k.wakeEchoes = 3; }},
      {"noise before the reply", [](tracksim::Knobs& k) { k.noiseBeforeReply = {0x11, 0xFA, 0x00, 0xE4}; }},
  };
  for (const Variant& variant : variants) {
    tracksim::Knobs k;
    variant.set(k);
    knobs = k;
    StartSim();
    Program& run = Start("1\n0\n");
    EXPECT_EQ(run.WaitExit(), 0) << variant.name;
    EXPECT_EQ(run.Output(), ExpectedStartUp()) << variant.name;
  }
}

TEST_F(StartUp, RefusedOrWrongInitRepliesEndTheRun) {
  const std::string before =
      "Initializing Device : Started...Waiting for ACK\nSending Initialization Command to device...";
  const std::string after = "Failure in Device Initialization...\nQuiting Application...\nTry Again...";
  struct Case {
    Bytes reply;
    std::string message;
  };
  const Case cases[] = {
      {ToBytes("\xEAINIT_ERROR\xE4"), "Error in initializing the device...\n"},
      {ToBytes("\xEAINIT\xE4"), "Device Initialization Failed...\n"},
      {ToBytes("\xEAINIT_ERROR \xE4"), "Device Initialization Failed...\n"},
  };
  for (const Case& c : cases) {
    knobs.replyFor["INIT"] = c.reply;
    StartSim();
    Program& run = Start("1\n0\n");
    EXPECT_EQ(run.WaitExit(), 1);
    const std::string output = run.Output();
    EXPECT_NE(output.find(before + c.message + after), std::string::npos) << output;
    EXPECT_EQ(output.find("Select"), std::string::npos);
  }
  knobs.replyFor.clear();
  knobs.echoRequest = true;
  StartSim();
  Program& echoed = Start("1\n0\n");
  EXPECT_EQ(echoed.WaitExit(), 1);
  EXPECT_NE(echoed.Output().find("Device Initialization Failed...\n"), std::string::npos);
}

TEST_F(StartUp, InitOkWithoutPayloadGivesEmptyFields) {
  knobs.replyFor["INIT"] = ToBytes("\xEAINIT_OK\xE4");
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_NE(run.Output().find("\nSerial key of Device = \nVersion Number = ::\nDevice type = \nInitializing Device : Done"),
            std::string::npos);
}

TEST_F(StartUp, ADeviceThatHangsUpEndsTheRunWithAPortError) {
  if (UnderWine()) GTEST_SKIP() << "wine's serial reads do not end when a pseudo-terminal hangs up";
  knobs.hangUpOn = "";  // at the first wake byte
  Program& run = Start("1\n0\n");
  EXPECT_EQ(run.WaitExit(5s), 1);
  const std::string output = run.Output();
  EXPECT_TRUE(output.find(kReadFailed) != std::string::npos ||
              output.find(kWriteFailed) != std::string::npos)
      << output;

  knobs = {};
  knobs.hangUpOn = "INIT";
  knobs.hangUpAfterBytes = 5;  // in the middle of the reply
  StartSim();
  Program& cut = Start("1\n0\n");
  EXPECT_EQ(cut.WaitExit(5s), 1);
  EXPECT_NE(cut.Output().find(kReadFailed + "5\n"), std::string::npos) << cut.Output();
}

}  // namespace
}  // namespace trackctl::e2e
