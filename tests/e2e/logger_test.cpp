// The logger submenu: sector downloads into logger files and sector erases.
#include <time.h>

#include <cstdio>
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using tracksim::LoggerRecordBytes;
using tracksim::ToBytes;

const std::string kLoggerMenu =
    "Select\n"
    "******\n"
    "\tRead Data in SMS Sector...1\n"
    "\tRead Data in DataCall Sector...2\n"
    "\tDelete Logger Data in SMS Sector...3\n"
    "\tDelete Logger Data in DataCall Sector...4\n"
    "\tExit this... 5\n";
const std::string kSending = "\nSending Logger Read command to Device";

// The line printf makes of a record, read field by field.
std::string ExpectedLine(const LoggerRecordBytes& b) {
  auto word = [&b](int at, int width) {
    unsigned value = 0;
    for (int i = 0; i < width; ++i) value = value << 8 | b[static_cast<std::size_t>(at + i)];
    return value;
  };
  const unsigned t = 2 * word(3, 2) + (b[2] >> 6 & 1u);
  const unsigned date = word(5, 2);
  unsigned day = date % 416 % 32, month = date % 416 / 32, year = date / 416 + 2000, state = b[0] >> 6;
  if (day == 0 && month == 0) {
    day = month = 1;
    year = 1970;
    state = 0;
  }
  char line[200];
  std::snprintf(line, sizeof line, "%u,%u,%u,%u,%u:%u:%u.00,%u:%u:%u,%f,%f,%f,%f;%s", b[0] & 0x3Fu, state,
                b[2] & 0x3Fu, 0u, t / 3600, t % 3600 / 60, t % 60, day, month, year, word(10, 3) / 25000.0,
                word(7, 3) / 25000.0, static_cast<double>(b[1]), static_cast<double>(word(13, 4)),
                UnderWine() ? "\r\n" : "\n");
  return line;
}

std::string ExpectedFile(const std::vector<LoggerRecordBytes>& records) {
  std::string all;
  for (const LoggerRecordBytes& record : records) all += ExpectedLine(record);
  return all;
}

std::string LocalStamp() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char text[20];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return text;
}

// `output` with the date and time of every logger file name as "STAMP".
std::string WithoutStamps(const std::string& output) {
  return std::regex_replace(output, std::regex("_([PO])[0-9]{14}\\.dat"), "_$1STAMP.dat");
}

class Logger : public E2eTest {
 protected:
  // Runs the program with `input` after the port answer; returns what it printed
  // after the start-up text.
  std::string Run(const std::string& input, int expectedStatus = 0, const RunOptions& options = {}) {
    before_ = LocalStamp();
    const std::string output = AfterStartUp(input, expectedStatus, options);
    after_ = LocalStamp();
    return output;
  }

  // The one logger file of the last run, its name checked against the key, the
  // sector letter and the time of the run; its content.
  std::string LoggerFile(char sector) {
    const std::vector<std::string> names = Files();
    EXPECT_EQ(names.size(), 1u);
    if (names.size() != 1) return {};
    std::smatch match;
    const std::regex pattern(state.serialKey + "_" + sector + "([0-9]{14})\\.dat");
    EXPECT_TRUE(std::regex_match(names[0], match, pattern)) << names[0];
    if (match.size() == 2) {
      EXPECT_LE(before_, match[1].str());
      EXPECT_GE(after_, match[1].str());
    }
    std::string content = ReadFile(names[0]);
    fs::remove(workdir() / names[0]);
    return content;
  }

  std::string before_;
  std::string after_;
};

TEST_F(Logger, SmsSectorArrivingInSmallPieces) {
  knobs.chunkSize = 50;
  knobs.chunkPauseMs = 1;
  EXPECT_EQ(Run("3\n1\n\n0\n"), kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                                    "No of records = 300\nDone : 139\nDone : 232\n"
                                    "Reading data from SMS sector : Done...\n" +
                                    kPause + kMainMenu);
  EXPECT_EQ(LoggerFile('P'), ExpectedFile(state.smsSector));
  EXPECT_EQ(sim().Received(), ToBytes("\xFA\xEAINIT\xE4\xEAPREAD\xE4"));
}

TEST_F(Logger, DataCallSectorThenTheNextCommandGetsItsOwnReply) {
  // The record byte that the download does not read is a FRAME_START: it must not
  // become the start of the erase reply that follows.
  state.dataCallSector.back()[21] = 0xEA;
  EXPECT_EQ(Run("3\n2\n\n3\n4\n\n0\n"),
            kLoggerMenu + "Reading data from DataCall sector : Started...\n" + kSending +
                "No of records = 250\nDone : 139\nDone : 232\n"
                "Reading data from DataCall sector : Done...\n" +
                kPause + kMainMenu + kLoggerMenu + SectorErasedText("DataCall") + kPause + kMainMenu);
  EXPECT_EQ(LoggerFile('O'), ExpectedFile(state.dataCallSector));
  EXPECT_EQ(sim().Received(), ToBytes("\xFA\xEAINIT\xE4\xEAOREAD\xE4\xEAODEL\xE4"));
}

TEST_F(Logger, ByteCountsZeroOneRecordAndNotAMultipleOfTheRecordSize) {
  const LoggerRecordBytes record = state.smsSector[7];
  const std::string afterRead = "Reading data from SMS sector : Done...\n" + kPause + kMainMenu;

  sim().WithDevice([](tracksim::Device& device) { device.state().smsSector.clear(); });
  EXPECT_EQ(Run("3\n1\n\n0\n"), kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                                    "No of records = 0\n" + afterRead);
  EXPECT_EQ(LoggerFile('P'), "");

  sim().WithDevice([&record](tracksim::Device& device) { device.state().smsSector = {record}; });
  EXPECT_EQ(Run("3\n1\n\n0\n"), kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                                    "No of records = 1\n" + afterRead);
  EXPECT_EQ(LoggerFile('P'), ExpectedLine(record));

  // 23 bytes: refused, and its file removed; the block that follows anyway does
  // not spoil the erase reply.
  sim().WithDevice([](tracksim::Device& device) { device.knobs().loggerExtraBytes = 1; });
  EXPECT_EQ(WithoutStamps(Run("3\n1\n\n3\n3\n\n0\n")),
            kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                "ERROR COM_DOWNLOAD_DATA_INCORRECT\n"
                "trackctl: download incomplete: " + state.serialKey + "_PSTAMP.dat removed, it held no record\n" +
                afterRead + kLoggerMenu + SectorErasedText("SMS") + kPause + kMainMenu);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Logger, AKeyWithASlashCreatesNoFileAndSendsNothing) {
  state.serialKey = "../x_ab123";
  EXPECT_EQ(Run("3\n1\n\n0\n"), kLoggerMenu + "Reading data from SMS sector : Started...\n"
                                               "error creating file\n"
                                               "trackctl: serial key '../x_ab123' cannot name a logger file: "
                                               "'/', '\\', ':' or a control character\n"
                                               "Reading data from SMS sector : Done...\n" +
                                    kPause + kMainMenu);
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(Files(outerDir()), std::vector<std::string>{"work"});  // nothing next to the working folder
  EXPECT_EQ(sim().Received(), kHandshake);
}

TEST_F(Logger, AFileThatCannotBeWrittenWholeIsReported) {
  RunOptions options;
  options.fileSizeLimit = 4096;
  const std::string output = Run("3\n1\n\n0\n", 0, options);
  // Set aside under another name: a logger file under its own name holds a whole sector.
  const std::vector<std::string> names = Files();
  ASSERT_EQ(names.size(), 1u);
  ASSERT_TRUE(names[0].ends_with(".dat.partial")) << names[0];
  const std::string name = names[0].substr(0, names[0].size() - std::string(".partial").size());
  // The system's reason as its C library words it (wine's says "Invalid argument").
  const std::string shown =
      std::regex_replace(output, std::regex("cannot write the logger file: [^\n]+\n"), "cannot write the logger file: REASON\n");
  EXPECT_EQ(shown, kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                        "No of records = 300\nDone : 139\nDone : 232\n"
                        "ERROR LOGGER_FILE_INCOMPLETE : " +
                        name +
                        " could not be written completely; it does not hold every record of the sector\n"
                        "trackctl: " + name + ": cannot write the logger file: REASON\n"
                        "trackctl: download incomplete: " + name + " kept as " + names[0] + "\n"
                        "Reading data from SMS sector : Done...\n" +
                        kPause + kMainMenu);
  const std::string content = ReadFile(names[0]);
  EXPECT_LE(content.size(), 4096u);
  EXPECT_EQ(content, ExpectedFile(state.smsSector).substr(0, content.size()));
}

TEST_F(Logger, ACountThatCannotBeHeldIsRefused) {
  if (UnderWine()) GTEST_SKIP() << "the address space limit is for the native program";
  if (UnderAddressSanitizer()) GTEST_SKIP() << "AddressSanitizer cannot run under an address space limit";
  // "-4" reads as 4294967292 bytes: 195225786 records.
  knobs.loggerCountText = "-4";
  RunOptions options;
  options.addressSpaceLimit = 1ul << 30;
  EXPECT_EQ(WithoutStamps(Run("3\n1\n\n3\n3\n\n0\n", 0, options)),
            kLoggerMenu + "Reading data from SMS sector : Started...\n" + kSending +
                "No of records = 195225786\n"
                "ERROR NOT_ENOUGH_MEMORY for 195225786 records; nothing is downloaded\n"
                "trackctl: download incomplete: " + state.serialKey + "_PSTAMP.dat removed, it held no record\n"
                "Reading data from SMS sector : Done...\n" +
                kPause + kMainMenu + kLoggerMenu + SectorErasedText("SMS") + kPause + kMainMenu);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Logger, AHangUpInTheMiddleOfTheBlockEndsTheRun) {
  if (UnderWine()) GTEST_SKIP() << "wine's serial reads do not end when a pseudo-terminal hangs up";
  // Slowly enough that the program has read what came before the line drops.
  knobs.chunkSize = 100;
  knobs.chunkPauseMs = 5;
  knobs.hangUpOn = "PREAD";
  knobs.hangUpAfterBytes = 4000;
  const std::string output = Run("3\n1\n\n0\n", 1);
  EXPECT_NE(output.find("No of records = 300\nDone : 139\n"), std::string::npos) << output;
  EXPECT_NE(output.find(kReadFailed), std::string::npos) << output;
  EXPECT_EQ(output.find("Reading data from SMS sector : Done..."), std::string::npos);
  // Three failed block reads in a row, then the end.
  EXPECT_EQ(Occurrences(output, "ERROR CANNOT_READ_FROM_COM_PORT\n"), 3u);
}

TEST_F(Logger, EraseReplies) {
  const std::string prologue = "\nSending delete initialization command to device...\nDeleting data from device......";
  // The other sector's acknowledgement is not taken for this one's.
  knobs.replyFor["ODEL"] = ToBytes("\xEAPDEL_OK\xE4");
  EXPECT_EQ(Run("3\n3\n\n3\n4\n\n0\n"),
            kLoggerMenu + SectorErasedText("SMS") + kPause + kMainMenu + kLoggerMenu +
                "Deleting data in DataCall sector : Started...\n" + prologue +
                "Deleting data in DataCall sector : Over...\n\n" + kPause + kMainMenu);
  sim().WithDevice([](tracksim::Device& device) {
    EXPECT_TRUE(device.state().smsSector.empty());
    EXPECT_EQ(device.state().dataCallSector.size(), 250u);
    device.knobs().replyFor.clear();
    device.knobs().loggerEraseFails = true;
  });
  EXPECT_EQ(Run("3\n4\n\n0\n"), kLoggerMenu + "Deleting data in DataCall sector : Started...\n" + prologue +
                                    "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n"
                                    "Deleting data in DataCall sector : Over...\n\n" +
                                    kPause + kMainMenu);
  EXPECT_EQ(sim().Received(), ToBytes("\xFA\xEAINIT\xE4\xEAPDEL\xE4\xEAODEL\xE4"
                                      "\xFA\xEAINIT\xE4\xEAODEL\xE4"));
}

TEST_F(Logger, WrongChoicesReturnToTheMainMenuAndFiveEndsTheRun) {
  const std::string wrong = kLoggerMenu + "Wrong choice...\n\n\n" + kPause + kMainMenu;
  EXPECT_EQ(Run("3\nx\n\n3\n0\n\n3\n6\n\n3\n-1\n\n3\n5\n"), wrong + wrong + wrong + wrong + kLoggerMenu);
  EXPECT_EQ(sim().Received(), kHandshake);
  EXPECT_TRUE(Files().empty());
}

}  // namespace
}  // namespace trackctl::e2e
