#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/device/download_run.h"
#include "app/device/sector_download.h"
#include "fake_port.h"
#include "fixed_clock.h"
#include "serial/port_failure.h"
#include "work_dir.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;
using testing::FakePort;
using testing::FixedClock;
using testing::WorkDir;

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Record j: the worked example with the byte value j % 256 and the wide value j.
std::string RecordBytes(unsigned j) {
  std::string bytes = "\x85";
  bytes += static_cast<char>(j % 256);
  bytes += std::string("\x47\x65\xF6\x08\xEC\x04\xF2\xC0\x1D\x99\x99", 11);
  for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((j >> shift) & 0xFF);
  bytes += std::string(5, '\xEE');
  return bytes;
}

std::string RecordLine(unsigned j) {
  return "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520," + std::to_string(j % 256) + ".000000," +
         std::to_string(j) + ".000000;" + kLineEnd;
}

std::string SectorBytes(unsigned count) {
  std::string all;
  for (unsigned j = 0; j < count; ++j) all += RecordBytes(j);
  return all;
}

std::string Lines(unsigned count) {
  std::string all;
  for (unsigned j = 0; j < count; ++j) all += RecordLine(j);
  return all;
}

std::string Written(const FakePort& port) { return std::string(port.written.begin(), port.written.end()); }

// What the console shows of a download of `sector` whose own lines are `lines`.
std::string Shown(Sector sector, const std::string& lines) {
  const std::string name = sector == Sector::kSms ? "SMS" : "DataCall";
  return "Reading data from " + name + " sector : Started...\n" + lines + "Reading data from " + name +
         " sector : Done...\n";
}

// A download as a command runs it, its messages kept in a temporary file.
struct Bench {
  explicit Bench(SerialPort* line = nullptr) : session{line != nullptr ? *line : port, clock, random, say} {
    port.failReadsWhenEmpty = false;  // the line falls quiet after the download
    const char key[] = "1000752301";
    std::copy(std::begin(key), std::end(key), session.serialKey.begin());
  }
  ~Bench() { std::fclose(out); }
  // Runs a download and returns what it showed.
  std::string Read(Sector sector, const std::optional<std::string>& file = std::nullopt) {
    DeviceCommand command;
    command.sector = sector;
    command.outputFile = file;
    const long start = std::ftell(out);
    try {
      outcome = DownloadSector(run, command);
    } catch (const PortFailure& failure) {
      portFailure = failure;
    }
    std::fseek(out, start, SEEK_SET);
    std::string shown;
    for (int c; (c = std::fgetc(out)) != EOF;) shown += static_cast<char>(c);
    return shown;
  }

  std::FILE* out = std::tmpfile();
  ConsoleReport say{out};
  FakePort port;
  FixedClock clock{LocalDateTime{2005, 6, 12, 14, 30, 5}, 0};
  RandomGenerator random;
  Session session;
  InitFields device;
  CommandRun run{session, say, nullptr, device};
  std::optional<PortFailure> portFailure;
  Outcome outcome = Outcome::kDone;
};

TEST(ReadLoggerSector, SmsSectorGoesToItsFileLineByLine) {
  WorkDir dir;
  Bench bench;
  // Noise before the reply and before the block; the device sends the whole last
  // record, a closing byte and a stray FRAME_START after the counted bytes.
  bench.port.Script("\x11\xEAPREAD_OK_66\xE4\x22\xEA" + SectorBytes(3) + "\xE4\xEAjunk");
  const std::string out = bench.Read(Sector::kSms);

  EXPECT_EQ(Written(bench.port), "\xEAPREAD\xE4");
  EXPECT_EQ(out, Shown(Sector::kSms, "\nSending Logger Read command to Device"
                                     "No of records = 3\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(3));
  EXPECT_EQ(dir.Files("."), std::vector<std::string>{"1000752301_P20050612143005.dat"});
  // Nothing of this download is left for the next reply, and the line is back
  // under the command time-outs.
  EXPECT_TRUE(bench.port.incoming.empty());
  ASSERT_FALSE(bench.port.timeouts.empty());
  EXPECT_EQ(bench.port.timeouts.back().readIntervalTimeout, kCommandTimeouts.readIntervalTimeout);
  EXPECT_EQ(bench.port.timeouts.front().readTotalTimeoutConstant, 200u);
  EXPECT_FALSE(bench.portFailure.has_value());
}

// The time-limited waits of a download after the counted bytes, in milliseconds.
std::vector<std::uint32_t> QuietWaits(const FakePort& port) {
  std::vector<std::uint32_t> waits;
  for (const CommTimeouts& t : port.timeouts) {
    if (t.readTotalTimeoutConstant != kCommandTimeouts.readTotalTimeoutConstant) waits.push_back(t.readTotalTimeoutConstant);
  }
  return waits;
}

TEST(ReadLoggerSector, AReplyThatEndsCompleteEndsTheDownloadAfterAShortQuiet) {
  WorkDir dir;
  const std::string reply = "\xEAPREAD_OK_66\xE4\xEA" + SectorBytes(3);
  // The last record byte and FRAME_END, then nothing: 20 ms of quiet are enough.
  Bench complete;
  complete.port.Script(reply + "\xE4");
  complete.Read(Sector::kSms);
  EXPECT_EQ(QuietWaits(complete.port), (std::vector<std::uint32_t>{200, 200, 20}));
  fs::remove("1000752301_P20050612143005.dat");
  // Anything else keeps the rule of 200 ms of quiet: no FRAME_END, or more after it.
  Bench unended;
  unended.port.Script(reply);
  unended.Read(Sector::kSms);
  EXPECT_EQ(QuietWaits(unended.port), (std::vector<std::uint32_t>{200, 200}));
  fs::remove("1000752301_P20050612143005.dat");
  Bench more;
  more.port.Script(reply + "\xE4\xEA");
  more.Read(Sector::kSms);
  EXPECT_EQ(QuietWaits(more.port), (std::vector<std::uint32_t>{200, 200, 20, 200}));
  EXPECT_TRUE(more.port.incoming.empty());
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(3));
}

TEST(ReadLoggerSector, ADownloadInTheSameSecondTakesTheNextSecondsNameAndNeverOverwrites) {
  WorkDir dir;
  Bench bench;
  bench.clock.Then({2005, 6, 12, 14, 30, 5});  // the second download's first reading
  bench.clock.Then({2005, 6, 12, 14, 30, 6});  // then the clock moves on
  bench.port.Script("\xEAOREAD_OK_44\xE4\xEA" + SectorBytes(2));
  EXPECT_EQ(bench.Read(Sector::kDataCall),
            Shown(Sector::kDataCall, "\nSending Logger Read command to DeviceNo of records = 2\n"));
  EXPECT_EQ(bench.outcome, Outcome::kDone);
  EXPECT_EQ(Written(bench.port), "\xEAOREAD\xE4");

  bench.port.Script("\xEAOREAD_OK_22\xE4\xEA" + SectorBytes(1));
  bench.Read(Sector::kDataCall);
  EXPECT_EQ(ReadFile("1000752301_O20050612143005.dat"), Lines(2));
  EXPECT_EQ(ReadFile("1000752301_O20050612143006.dat"), Lines(1));

  // Both names taken: nothing is created, nothing is sent.
  bench.port.written.clear();
  bench.clock.Then({2005, 6, 12, 14, 30, 5});
  bench.clock.Then({2005, 6, 12, 14, 30, 6});
  EXPECT_EQ(bench.Read(Sector::kDataCall), Shown(Sector::kDataCall, "error creating file\n"));
  EXPECT_EQ(bench.outcome, Outcome::kFileProblem);
  EXPECT_TRUE(bench.port.written.empty());
  EXPECT_EQ(ReadFile("1000752301_O20050612143005.dat"), Lines(2));
  EXPECT_EQ(ReadFile("1000752301_O20050612143006.dat"), Lines(1));

  // A name given by the caller that exists is never opened.
  bench.port.Script("\xEAOREAD_OK_22\xE4\xEA" + SectorBytes(1));
  EXPECT_EQ(bench.Read(Sector::kDataCall, "1000752301_O20050612143005.dat"),
            Shown(Sector::kDataCall, "error creating file\n"));
  EXPECT_EQ(bench.outcome, Outcome::kFileProblem);
  EXPECT_TRUE(bench.port.written.empty());
  EXPECT_EQ(ReadFile("1000752301_O20050612143005.dat"), Lines(2));
}

// A download returns what it downloaded: the file's name, the key, the sector,
// the moment at which the file was named, the handshake's version and type,
// the count, and, when asked for, the records as they came, each the line of
// the file.
TEST(ReadLoggerSector, ADownloadReturnsWhatItDownloaded) {
  WorkDir dir;
  Bench bench;
  bench.device.version[0] = "01", bench.device.version[1] = "02", bench.device.version[2] = "03";
  bench.device.deviceType = "GT15";
  bench.clock.Then({2005, 6, 12, 14, 31, 7});
  bench.port.Script("\xEAOREAD_OK_66\xE4\xEA" + SectorBytes(3));
  const DownloadedSector download = DownloadAnnounced(bench.run, Sector::kDataCall, std::nullopt, true);
  ASSERT_EQ(download.outcome, Outcome::kDone);
  const DownloadFacts& facts = download.facts;
  EXPECT_EQ(facts.fileName, "1000752301_O20050612143005.dat");
  EXPECT_EQ(facts.device, "1000752301");
  EXPECT_EQ(facts.sector, Sector::kDataCall);
  EXPECT_EQ(facts.downloaded, (LocalDateTime{2005, 6, 12, 14, 30, 5}));
  EXPECT_EQ(facts.version, "01:02:03");
  EXPECT_EQ(facts.deviceType, "GT15");
  EXPECT_EQ(facts.announced, 3u);
  std::string lines;
  for (const LoggerLine& line : facts.records) lines += FormatLoggerLine(line);
  std::string expected;
  for (unsigned j = 0; j < 3; ++j) {
    expected += "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520," + std::to_string(j) + ".000000," +
                std::to_string(j) + ".000000;\n";
  }
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(ReadFile(facts.fileName), Lines(3));

  // Under -o's name, at the clock's next reading; the records not kept.
  bench.port.Script("\xEAPREAD_OK_22\xE4\xEA" + SectorBytes(1));
  const DownloadedSector named = DownloadAnnounced(bench.run, Sector::kSms, "mine.dat", false);
  ASSERT_EQ(named.outcome, Outcome::kDone);
  EXPECT_EQ(named.facts.fileName, "mine.dat");
  EXPECT_EQ(named.facts.sector, Sector::kSms);
  EXPECT_EQ(named.facts.downloaded, (LocalDateTime{2005, 6, 12, 14, 31, 7}));
  EXPECT_EQ(named.facts.announced, 1u);
  EXPECT_TRUE(named.facts.records.empty());
  EXPECT_EQ(ReadFile("mine.dat"), Lines(1));
}

TEST(ReadLoggerSector, ZeroOneAndAWrongNumberOfBytes) {
  WorkDir dir;
  Bench bench;
  bench.port.Script("\xEAPREAD_OK_0\xE4\xEA");
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "No of records = 0\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), "");
  EXPECT_TRUE(bench.port.incoming.empty());
  EXPECT_EQ(bench.outcome, Outcome::kDone);
  fs::remove("1000752301_P20050612143005.dat");

  // One record; its last byte never comes and is not needed.
  bench.port.Script("\xEAPREAD_OK_22\xE4\xEA" + SectorBytes(1).substr(0, 21));
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "No of records = 1\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(1));
  fs::remove("1000752301_P20050612143005.dat");

  // 23 bytes: refused, the file stays empty and the block sent anyway is dropped.
  bench.port.Script("\xEAPREAD_OK_23\xE4\xEA" + SectorBytes(1) + "\x01");
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "ERROR COM_DOWNLOAD_DATA_INCORRECT\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), "");
  EXPECT_TRUE(bench.port.incoming.empty());
  EXPECT_EQ(bench.outcome, Outcome::kRefused);
  fs::remove("1000752301_P20050612143005.dat");

  // A reply without digits after its last '_' counts as no records, but is no success.
  bench.port.Script("\xEAREAD_ERROR\xE4");
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "No of records = 0\n"));
  EXPECT_EQ(bench.outcome, Outcome::kRefused);
}

TEST(ReadLoggerSector, ProgressAfterEveryHundredRecords) {
  WorkDir dir;
  Bench bench;
  bench.port.Script("\xEAPREAD_OK_6600\xE4\xEA" + SectorBytes(300));
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "No of records = 300\n"
                           "Done : 139\n"
                           "Done : 232\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(300));
  fs::remove("1000752301_P20050612143005.dat");

  // The same sector arriving seven bytes at a time.
  bench.port.maxPerRead = 7;
  bench.port.Script("\xEAPREAD_OK_6600\xE4\xEA" + SectorBytes(300));
  EXPECT_EQ(bench.Read(Sector::kSms), Shown(Sector::kSms, "\nSending Logger Read command to Device"
                           "No of records = 300\n"
                           "Done : 101\n"
                           "Done : 201\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(300));
}

// Block reads that return nothing for a while, without failing.
class StutteringPort : public FakePort {
 public:
  ReadResult Read(std::span<std::uint8_t> dst) override {
    if (dst.size() > 1 && emptyBlockReads > 0) {
      --emptyBlockReads;
      return {true, 0};
    }
    return FakePort::Read(dst);
  }
  int emptyBlockReads = 0;
};

TEST(ReadLoggerSector, EmptyBlockReadsAreRetriedFailedOnesEndTheRun) {
  WorkDir dir;
  Bench bench;
  StutteringPort stuttering;
  stuttering.failReadsWhenEmpty = false;
  stuttering.emptyBlockReads = 5;
  Bench stutteringBench(&stuttering);
  stuttering.Script("\xEAPREAD_OK_44\xE4\xEA" + SectorBytes(2));
  std::string out = stutteringBench.Read(Sector::kSms);
  EXPECT_EQ(out, Shown(Sector::kSms, "\nSending Logger Read command to Device"
                                     "No of records = 2\n"
                                     "ERROR COM_TIME_OUT\nERROR COM_TIME_OUT\nERROR COM_TIME_OUT\n"
                                     "ERROR COM_TIME_OUT\nERROR COM_TIME_OUT\n"));
  EXPECT_EQ(ReadFile("1000752301_P20050612143005.dat"), Lines(2));
  fs::remove("1000752301_P20050612143005.dat");

  // The port goes away in the middle of the block.
  bench.port.failReadsWhenEmpty = true;
  bench.port.Script("\xEAPREAD_OK_66\xE4\xEA" + SectorBytes(2));
  out = bench.Read(Sector::kSms);
  ASSERT_TRUE(bench.portFailure.has_value());
  EXPECT_EQ(bench.portFailure->step, PortStep::kRead);
  EXPECT_EQ(bench.portFailure->errorNumber, 5);
  EXPECT_EQ(out, "Reading data from SMS sector : Started...\n"
                 "\nSending Logger Read command to Device"
                 "No of records = 3\n"
                 "ERROR CANNOT_READ_FROM_COM_PORT\nERROR COM_TIME_OUT\n"
                 "ERROR CANNOT_READ_FROM_COM_PORT\nERROR COM_TIME_OUT\n"
                 "ERROR CANNOT_READ_FROM_COM_PORT\nERROR COM_TIME_OUT\n");
}

TEST(ReadLoggerSector, KeysThatLeadOutOfTheFolderCreateNothing) {
  WorkDir dir;
  Bench bench;
  for (const char* key : {"../evil123", "..\\evil123", "C:evil1234", "ab\x01" "cdefghi"}) {
    std::fill(bench.session.serialKey.begin(), bench.session.serialKey.end(), '\0');
    std::copy(key, key + std::char_traits<char>::length(key), bench.session.serialKey.begin());
    EXPECT_EQ(bench.Read(Sector::kDataCall), Shown(Sector::kDataCall, "error creating file\n")) << key;
  }
  EXPECT_TRUE(bench.port.written.empty());
  EXPECT_TRUE(dir.Files(".").empty());
  EXPECT_EQ(dir.Files(dir.outer()), std::vector<std::string>{"work"});
}


}  // namespace
}  // namespace trackctl
