// Faults of the device, the line and the files, end to end. The program either
// ends with the fatal port error or reports the fault and goes on with the next
// command; it never hangs and never writes past a buffer (the asan preset runs
// these tests with AddressSanitizer in the program).
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using tracksim::Bytes;
using tracksim::ToBytes;

const std::string kConfigRead = kReadConfigDone + "GPS State = 1\n";
const std::string kStopDone = kStopSent + "\nStop Tracking...DONE";
const std::string kHangUpSkip = "wine's serial reads do not end when a pseudo-terminal hangs up";

// The bytes of a literal, NULs inside it included, its terminator not.
template <std::size_t N>
Bytes Literal(const char (&text)[N]) {
  return Bytes(text, text + N - 1);
}

// `size` bytes of every value but FRAME_START: a line full of noise.
Bytes Noise(std::size_t size) {
  Bytes noise(size);
  for (std::size_t i = 0; i < size; ++i) noise[i] = static_cast<std::uint8_t>(i % 251 == 0xEA ? 0x00 : i % 251);
  return noise;
}

// Digits, `size` of them: the text of a reply far longer than any buffer.
std::string Filler(std::size_t size) {
  std::string filler;
  for (std::size_t i = 0; i < size; ++i) filler += static_cast<char>('0' + i % 10);
  return filler;
}

class Faults : public E2eTest {};

TEST_F(Faults, AHangUpInTheMiddleOfAFirmwareUploadEndsTheRun) {
  if (UnderWine()) GTEST_SKIP() << kHangUpSkip;
  // Far more than the line holds: the program is still writing the image when the line drops.
  WriteFile("image.bin", Noise(200000));
  knobs.hangUpAfterTaking = 1 + 2000;  // the 0x00 after the header and 2000 image bytes
  const auto started = std::chrono::steady_clock::now();
  const std::string output = AfterStartUp("4\nimage.bin\n\n0\n", 1);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_NE(output.find("Filelength in bytes is 200000\n########Received OK response from device...\n\n##"),
            std::string::npos)
      << output;
  // The line on standard error names the port and why.
  EXPECT_TRUE(output.ends_with(kWriteFailed + "5\ntrackctl: " + sim().slavePath() + ": device gone: Input/output error\n"))
      << output;
  EXPECT_TRUE(sim().hungUp());
  EXPECT_EQ(Device([](auto& s) { return s.codeImageSize; }), 0u);
}

TEST_F(Faults, AHangUpWhileAShortReplyIsGivenTimeEndsTheRun) {
  if (UnderWine()) GTEST_SKIP() << kHangUpSkip;
  // A block byte 0xE4, and the line drops right after it: the program's wait for
  // more of the reply sees the hang-up.
  state.config.featuresEnabled = 0x00E4;
  knobs.hangUpOn = "READCONFIG_";
  knobs.hangUpAfterBytes = 26 + 8;  // the header and the block up to that byte
  const std::string output = AfterStartUp("1\n\n0\n", 1);
  EXPECT_EQ(output, kReadConfigSent + kReadFailed + "5\ntrackctl: " + sim().slavePath() +
                        ": device gone: Input/output error\n");
}

TEST_F(Faults, NoiseWithoutAFrameStartBeforeEveryReplyIsDropped) {
  knobs.noiseBeforeReply = Noise(64 * 1024);
  const std::string output = AfterStartUp("1\n\n6\n\n0\n");
  EXPECT_EQ(output.find(kConfigRead), 0u) << output.substr(0, 200);
  EXPECT_NE(output.find(kStopDone), std::string::npos);
}

TEST_F(Faults, AReplyWithoutAnEndIsAwaitedAndTheNextCommandGetsItsOwnReply) {
  knobs.replyFor["STOPTRACK"] = Concat({{0xEA}, ToBytes(Filler(10 * 1024))});
  Program& run = Start("1\n6\n\n1\n\n0\n");
  // However long the end is in coming, the program waits for it and shows nothing.
  EXPECT_FALSE(run.WaitForOutput("ERROR RESPONSE", 1500ms));
  EXPECT_TRUE(run.WaitForOutput(kStopSent));
  sim().Send({0xE4});
  EXPECT_EQ(run.WaitExit(), 0);
  const std::string output = run.Output();
  // 80 bytes of room: the frame's first 79 bytes and the NUL.
  EXPECT_NE(output.find("\nERROR RESPONSE...\xEA" + Filler(78) + "\n"), std::string::npos) << output;
  EXPECT_NE(output.find(kConfigRead), std::string::npos);
}

TEST_F(Faults, NulBytesInsideReplies) {
  knobs.replyFor["INIT"] = Literal("\xEAINIT_OK 1000752301 010203 GT\0" "5\xE4");
  knobs.replyFor["STOPTRACK"] = Literal("\xEASTOPTRACK_OK\0\xE4");
  knobs.replyFor["PREAD"] = Literal("\xEAPREAD_OK_\0" "44\xE4");
  Program& run = Start("1\n6\n\n3\n1\n\n1\n\n0\n");
  EXPECT_EQ(run.WaitExit(), 0);
  const std::string output = run.Output();
  // Each text ends at its NUL.
  EXPECT_NE(output.find("\nVersion Number = 01:02:03\nDevice type = GT\nInitializing Device : Done...\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("\nERROR RESPONSE...\xEASTOPTRACK_OK\n"), std::string::npos);
  EXPECT_NE(output.find("No of records = 0\nReading data from SMS sector : Done...\n"), std::string::npos);
  EXPECT_NE(output.find(kConfigRead), std::string::npos);
}

TEST_F(Faults, EveryCommandGivenAnOverLongReplyLeavesTheNextCommandWorking) {
  PutExample("config15.dat");
  WriteFile("image.bin", {1, 2, 3, 4, 5});
  const Bytes tail = ToBytes(Filler(4096) + "\xE4");
  struct Case {
    const char* token;
    std::string input;  // the command, then reading the configuration (stopping, after READCONFIG)
  };
  const Case cases[] = {
      {"INIT", "1\n\n"},
      {"READCONFIG_", "1\n\n6\n\n"},
      {"STARTTRACK_", "5\n\n1\n\n"},
      {"STOPTRACK", "6\n\n1\n\n"},
      {"CODE_", "4\nimage.bin\n\n1\n\n"},
      {"SERIALKEY_", "9\nABC\n\n1\n\n"},
      {"PREAD", "3\n1\n\n1\n\n"},
      {"OREAD", "3\n2\n\n1\n\n"},
      {"PDEL", "3\n3\n\n1\n\n"},
      {"ODEL", "3\n4\n\n1\n\n"},
  };
  for (const Case& c : cases) {
    knobs = {};
    const Bytes head = std::string_view(c.token) == "INIT" ? ToBytes("\xEAINIT_OK") : ToBytes("\xEA" + std::string(c.token));
    const Bytes reply = Concat({head, tail});
    if (std::string_view(c.token) == "CODE_") {
      knobs.codeHeaderReply = reply;  // both answers of the upload, and the image is taken
      knobs.codeFinalReply = reply;
    } else {
      knobs.replyFor[c.token] = reply;
    }
    StartSim();
    Program& run = Start("1\n" + c.input + "0\n");
    EXPECT_EQ(run.WaitExit(), 0) << c.token;
    const std::string output = run.Output();
    const bool readConfig = std::string_view(c.token) == "READCONFIG_";
    EXPECT_NE(output.find(readConfig ? kStopDone : kConfigRead), std::string::npos) << c.token << "\n" << output;
    if (std::string_view(c.token) == "STOPTRACK") {
      // What is shown of a reply is what its buffer holds: here the first 79 bytes.
      EXPECT_NE(output.find("\nERROR RESPONSE...\xEASTOPTRACK" + Filler(69) + "\n"), std::string::npos);
    }
  }
}

TEST_F(Faults, LoggerFileNamesAlreadyTakenAreNeverWrittenThrough) {
  // The file names of the next minute all lead to /dev/full: none is opened, so
  // the download sends nothing and the device keeps its records.
  const time_t now = time(nullptr);
  for (time_t t = now; t < now + 60; ++t) {
    tm local{};
    localtime_r(&t, &local);
    char name[64];
    std::strftime(name, sizeof name, "%Y%m%d%H%M%S", &local);
    fs::create_symlink("/dev/full", workdir() / (state.serialKey + "_P" + name + ".dat"));
  }
  const std::string output = AfterStartUp("3\n1\n\n1\n\n0\n");
  EXPECT_TRUE(std::regex_search(output, std::regex("Reading data from SMS sector : Started...\nerror creating file\n"
                                                   "trackctl: [0-9]+_P[0-9]+\\.dat: cannot create the logger file: "
                                                   "File exists\nReading data from SMS sector : Done...\n")))
      << output;
  const Bytes received = sim().Received();
  EXPECT_EQ(std::string(received.begin(), received.end()).find("PREAD"), std::string::npos);
  EXPECT_NE(output.find(kConfigRead), std::string::npos);
}

TEST_F(Faults, AWorkingFolderWithoutWritePermissionGetsNoLoggerFile) {
  if (UnderWine() && geteuid() == 0) {
    GTEST_SKIP() << "wine's server opens the files, with root's power to write past the permission bits";
  }
  ASSERT_EQ(chmod(workdir().c_str(), 0555), 0);
  RunOptions options;
  options.permissionsBindRoot = true;
  const std::string output = AfterStartUp("3\n2\n\n1\n\n0\n", 0, options);
  EXPECT_TRUE(std::regex_search(output, std::regex("Reading data from DataCall sector : Started...\nerror creating "
                                                   "file\ntrackctl: [0-9]+_O[0-9]+\\.dat: cannot create the logger "
                                                   "file: Permission denied\nReading data from DataCall sector : Done")))
      << output;
  EXPECT_NE(output.find(kConfigRead), std::string::npos);
  EXPECT_TRUE(Files().empty());
  // Nothing was asked of the device for the download.
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "READCONFIG_"}));
}

TEST_F(Faults, HugeLongAndBinaryTrackingFilesGiveOneWholeStartFrame) {
  const std::string example = ReadFile(ExamplePath("config15.dat"));
  std::string manyLines = example;
  for (int i = 0; i < 10000; ++i) manyLines += "Extra " + std::to_string(i) + ":" + std::to_string(i) + "\n";
  std::string longLine = "Text 1:" + std::string(1 << 20, '4') + "\n" + example.substr(example.find('\n') + 1);
  Bytes binary(64 * 1024);
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<std::uint8_t>(i * 131 + i / 7);

  const Bytes files[] = {ToBytes(example), ToBytes(manyLines), ToBytes(longLine), binary};
  std::vector<Bytes> frames;
  for (const Bytes& file : files) {
    WriteFile("config15.dat", file);
    const std::size_t before = sim().Received().size();
    const std::string output = AfterStartUp("5\n\n1\n\n0\n");
    EXPECT_NE(output.find(kConfigRead), std::string::npos) << output;
    const Bytes received = sim().Received();
    // The handshake, then one 103-byte start frame, then the READCONFIG request.
    const Bytes sent(received.begin() + static_cast<std::ptrdiff_t>(before), received.end());
    ASSERT_EQ(sent.size(), kHandshake.size() + 103 + 35);
    const Bytes frame(sent.begin() + static_cast<std::ptrdiff_t>(kHandshake.size()),
                      sent.begin() + static_cast<std::ptrdiff_t>(kHandshake.size() + 103));
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 12), ToBytes("\xEASTARTTRACK_"));
    EXPECT_EQ(frame.back(), 0xE4);
    frames.push_back(frame);
  }
  // Lines past the table change nothing; the long value is cut to its field. The
  // random byte and the time and date words (29, 32 to 35) depend on the moment.
  auto fixedPart = [](Bytes frame) {
    frame[29] = 0;
    std::fill(frame.begin() + 32, frame.begin() + 36, 0);
    return frame;
  };
  EXPECT_EQ(fixedPart(frames[1]), fixedPart(frames[0]));
  Bytes longText = fixedPart(frames[0]);
  std::fill(longText.begin() + 12, longText.begin() + 26, '4');
  EXPECT_EQ(fixedPart(frames[2]), longText);
}

}  // namespace
}  // namespace trackctl::e2e
