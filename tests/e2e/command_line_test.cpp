// One command per run: each command's success, refusal and file problems as
// exit statuses, bad command lines, ports given by name, the menu with -p; every
// kind of file for every file argument, outputs that fail at their end, the
// modes of created files, the port list.
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using tracksim::ToBytes;

class CommandLineRun : public E2eTest {
 protected:
  // Runs trackctl with `args` to its end; returns the exit status and keeps the output.
  int Run(std::vector<std::string> args, RunOptions options = {}) { return RunArgs(std::move(args), output, options); }
  // The start-up text of a command run: the menu's without the port question and the menu.
  std::string StartUp(int port = 1) {
    std::string text = ExpectedStartUp();
    text = text.substr(kPortPrompt.size(), text.size() - kPortPrompt.size() - kMainMenu.size());
    if (port != 1) text.replace(text.find("COM1"), 4, "COM" + std::to_string(port));
    return text;
  }

  std::string output;
};

TEST_F(CommandLineRun, EveryCommandDoesItsWorkAndEndsWithStatusZero) {
  EXPECT_EQ(Run({"info"}), 0);
  EXPECT_EQ(output, StartUp() + "\n");

  EXPECT_EQ(Run({"read-config"}), 0);
  EXPECT_EQ(output.find(StartUp() + kReadConfigDone), 0u) << output;
  EXPECT_NE(output.find("version = R1.5.2\nGSM Type = 2\n"), std::string::npos) << output;

  EXPECT_EQ(Run({"download", "sms", "-o", "sms.dat"}), 0);
  EXPECT_EQ(output, StartUp() +
                        "Reading data from SMS sector : Started...\n\nSending Logger Read command to Device"
                        "No of records = 300\nDone : 139\nDone : 232\nReading data from SMS sector : Done...\n\n");
  EXPECT_EQ(Occurrences(ReadFile("sms.dat"), "\n"), 300u);

  EXPECT_EQ(Run({"erase", "sms"}), 0);
  EXPECT_EQ(output, StartUp() + SectorErasedText("SMS") + "\n");
  EXPECT_TRUE(Device([](auto& s) { return s.smsSector.empty(); }));

  PutExample("config15.dat", "bench.dat");
  EXPECT_EQ(Run({"start", "-c", "bench.dat"}), 0);
  EXPECT_EQ(output, StartUp() + kStartSent + "\nSTART TRACKING...DONE\n");
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 1);

  EXPECT_EQ(Run({"stop"}), 0);
  EXPECT_EQ(output, StartUp() + kStopSent + "\nStop Tracking...DONE\n");
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 0);

  WriteFile("image.bin", std::string(1500, '\x5A'));
  EXPECT_EQ(Run({"upgrade", "image.bin"}), 0);
  EXPECT_EQ(output.find(StartUp() + "Upgrade Code : Started...\nFilelength in bytes is 1500\n"), 0u) << output;
  EXPECT_NE(output.find("Upgrade Code : Done...\n\n"), std::string::npos) << output;
  EXPECT_EQ(Device([](auto& s) { return s.codeImageSize; }), 1500u);

  EXPECT_EQ(Run({"write-key", "1000752399"}), 0);
  EXPECT_NE(output.find(" Done...\nSerial key written to flash...\n\n"), std::string::npos) << output;
  EXPECT_EQ(Run({"info"}), 0);
  EXPECT_NE(output.find("Serial key of Device = 1000752399\n"), std::string::npos) << output;
}

TEST_F(CommandLineRun, RefusalsAndUnexpectedAnswersEndWithStatusThree) {
  knobs.replyFor["READCONFIG_"] = ToBytes("\xEA" "ERROR_BUSY\xE4");
  knobs.replyFor["STARTTRACK_"] = ToBytes("\xEASTARTTRACK_ERROR\xE4");
  knobs.replyFor["STOPTRACK"] = ToBytes("\xEASTOPTRACK_ERROR\xE4");
  knobs.replyFor["CODE_"] = ToBytes("\xEA" "CODE_ERROR\xE4");
  knobs.replyFor["SERIALKEY_"] = ToBytes("\xEASERIALKEY_ERROR\xE4");
  knobs.replyFor["OREAD"] = ToBytes("\xEAOREAD_ERROR\xE4");
  knobs.loggerCountText = "23";
  knobs.loggerEraseFails = true;
  PutExample("config15.dat");
  WriteFile("RAVU.BIN", "image");
  const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
      {{"read-config"}, "\nan error occured. \xEA" "ERROR_BUSY\xE4\n"},
      {{"start"}, "\nERROR RESPONSE...\xEASTARTTRACK_ERROR\xE4\n"},
      {{"stop"}, "\nERROR RESPONSE...\xEASTOPTRACK_ERROR\xE4\n"},
      {{"upgrade"}, "\nThe device refused the code upgrade : \xEA" "CODE_ERROR\xE4\nNo data sent...\n"},
      {{"write-key", "1000752399"}, "Error Response.. \xEASERIALKEY_ERROR\xE4\n"},
      {{"download", "sms"}, "ERROR COM_DOWNLOAD_DATA_INCORRECT\n"},
      {{"download", "datacall"}, "No of records = 0\n"},  // no count in the answer
      {{"erase", "datacall"}, "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\n"},
  };
  for (const auto& [args, message] : refusals) {
    EXPECT_EQ(Run(args), 3) << args[0] << "\n" << output;
    EXPECT_NE(output.find(message), std::string::npos) << args[0] << "\n" << output;
  }

  knobs.replyFor["INIT"] = ToBytes("\xEAINIT_ERROR\xE4");
  StartSim();
  EXPECT_EQ(Run({"info"}), 1);
  EXPECT_NE(output.find("Failure in Device Initialization...\n"), std::string::npos) << output;
}

TEST_F(CommandLineRun, LocalFileProblemsEndWithStatusFourAndSendNothing) {
  WriteFile("taken.dat", "earlier download\n");
  // Tracking settings that cannot be read: the device is not even woken.
  const std::vector<std::pair<std::vector<std::string>, std::string>> unread = {
      {{"start"}, "config15.dat: cannot read the tracking settings: not found"},
      {{"start", "-c", "missing.dat"}, "missing.dat: cannot read the tracking settings: not found"},
      {{"start", "-c", "."}, ".: cannot read the tracking settings: a folder, not a file"},
  };
  for (const auto& [args, problem] : unread) {
    StartSim();
    EXPECT_EQ(Run(args), 4) << args.back() << "\n" << output;
    EXPECT_EQ(output, "Cannot open input file.\ntrackctl: " + problem + "\n");
    EXPECT_TRUE(sim().Received().empty()) << args.back();
  }
  // A missing image: the device is not even woken.
  for (const auto& [args, image] : {std::pair{std::vector<std::string>{"upgrade", "missing.bin"}, "missing.bin"},
                                    {{"upgrade"}, "RAVU.BIN"}}) {
    StartSim();
    EXPECT_EQ(Run(args), 4) << args.back();
    EXPECT_EQ(output, std::string("FILE not found...\ntrackctl: ") + image +
                          ": cannot read the firmware image: No such file or directory\n");
    EXPECT_TRUE(sim().Received().empty());
  }
  // An existing logger file: the device is not even woken.
  StartSim();
  EXPECT_EQ(Run({"download", "datacall", "-o", "taken.dat"}), 4);
  EXPECT_EQ(output, "error creating file\ntrackctl: taken.dat: cannot create the logger file: it exists already\n");
  EXPECT_TRUE(sim().Received().empty());
  // Nor is it for a logger file whose folder is missing.
  StartSim();
  EXPECT_EQ(Run({"download", "datacall", "-o", "no-such-folder/x.dat"}), 4);
  EXPECT_EQ(output, "error creating file\ntrackctl: no-such-folder/x.dat: cannot create the logger file: its folder "
                    "does not exist\n");
  EXPECT_TRUE(sim().Received().empty());
  EXPECT_EQ(ReadFile("taken.dat"), "earlier download\n");

  // A logger file that cannot be written whole (the file size limit here).
  RunOptions limited;
  limited.fileSizeLimit = 4096;
  EXPECT_EQ(Run({"download", "sms", "-o", "sms.dat"}, limited), 4);
  EXPECT_NE(output.find("ERROR LOGGER_FILE_INCOMPLETE : sms.dat could not be written completely"), std::string::npos)
      << output;
}

TEST_F(CommandLineRun, BadCommandLinesAreRefusedBeforeThePortIsOpened) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"reboot"}, "unknown command 'reboot'"},
      {{"info", "extra"}, "too many arguments for info: 'extra'"},
      {{"download"}, "download needs the sector: sms or datacall"},
      {{"erase", "both"}, "unknown sector 'both' (sms or datacall)"},
      {{"info", "-p"}, "option -p needs a value"},
      {{"write-key", "1000752"}, "the serial key must be 10 characters, not 7: '1000752'"},
      {{"--json", "download", "sms"}, "--json goes with info or read-config only"},
      {{"start", "-x"}, "unknown option '-x'"},
  };
  for (const auto& [args, problem] : cases) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_EQ(output, "trackctl: " + problem + " (usage: trackctl --help)\n");
  }
  EXPECT_TRUE(sim().Received().empty());
}

TEST_F(CommandLineRun, APortGivenByNameAndTheMenuWithoutThePortQuestion) {
  // Linux: the device path itself. Windows: COM23, a port the menu cannot offer.
  RunOptions byName;
  byName.port = 23;
  const std::string name = UnderWine() ? "COM23" : sim().slavePath();
  EXPECT_EQ(Run({"info", "-p", name}, byName), 0);
  const std::string shown = UnderWine() ? "\\\\.\\COM23" : sim().slavePath();
  EXPECT_EQ(output.find("Initializing " + shown + ".......DONE\n"), 0u) << output;

  byName.args = {"-p", name};
  Program& menu = Start("0\n", byName);
  EXPECT_EQ(menu.WaitExit(), 0);
  EXPECT_EQ(menu.Output(), StartUp(UnderWine() ? 23 : 1) + kMainMenu);

  RunOptions missing;
  missing.port = 23;
  missing.portPath = "";
  EXPECT_EQ(Run({"info", "-p", UnderWine() ? "COM23" : (workdir() / "ttyNONE").string()}, missing), 1);
  EXPECT_EQ(output.find(kPortNotSupported), 0u) << output;
}

TEST_F(CommandLineRun, DownloadEraseDownloadInOneScriptKeepsBothFiles) {
  EXPECT_EQ(Run({"download", "sms"}), 0);
  EXPECT_EQ(Run({"erase", "sms"}), 0);
  EXPECT_EQ(Run({"download", "sms"}), 0);
  std::vector<std::string> sizes;
  for (const std::string& name : Files()) sizes.push_back(std::to_string(Occurrences(ReadFile(name), "\n")));
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<std::string>{"0", "300"}));
}

TEST_F(CommandLineRun, ADownloadEndsWellBeforeTheQuietThatAReplyWithoutItsEndWaitsFor) {
  // The trace stamps each line of bytes: the next request follows the last byte
  // of the 300-record download almost at once (a few ms; more under wine on a
  // busy machine), not after the 200 ms of quiet that a reply without its end
  // waits for.
  RunOptions traced;
  traced.env = {{"TRACKCTL_TRACE", "trace.txt"}};
  Program& run = Start("1\n3\n1\n\n6\n\n0\n", traced);
  EXPECT_EQ(run.WaitExit(), 0);
  const std::regex stamped(R"(\d{4}-\d\d-\d\d (\d\d):(\d\d):(\d\d)\.(\d{3}) (>>|<<) .*\r?)");
  long lastReceived = -1;
  long gap = -1;
  for (const std::string& line : Lines(ReadFile("trace.txt"))) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, stamped)) << line;
    const long ms = ((std::stol(m[1]) * 60 + std::stol(m[2])) * 60 + std::stol(m[3])) * 1000 + std::stol(m[4]);
    if (m[5] == "<<") {
      lastReceived = ms;
    } else if (line.find("EA 53 54 4F 50") != std::string::npos) {  // STOP
      gap = ms - lastReceived;
    }
  }
  ASSERT_GE(gap, 0);
  EXPECT_LT(gap, 150) << "ms from the download's last byte to the next request";
}

// Text bytes as the JSON reader gives them back: each byte the code point of its value.
std::string AsCodePoints(const std::string& bytes) {
  std::string utf8;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | byte >> 6);
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

TEST_F(CommandLineRun, JsonCarriesEveryFieldAsTheDeviceReportsIt) {
  state.config.smsc = "+91\x01\x7F\xB0\"\\x";  // bytes that are not printable ASCII, and JSON's own
  RunOptions apart;
  apart.stderrFile = "messages.txt";
  EXPECT_EQ(Run({"--json", "info"}, apart), 0);
  EXPECT_EQ(nlohmann::json::parse(output),
            nlohmann::json({{"serialKey", "1000752301"}, {"version", {"01", "02", "03"}}, {"deviceType", "GT15"}}));
  EXPECT_NE(ReadFile("messages.txt").find("Serial key of Device = 1000752301"), std::string::npos);

  EXPECT_EQ(Run({"read-config", "--json"}, apart), 0);
  EXPECT_EQ(output.find('\n'), output.size() - 1) << output;  // one line of printable ASCII
  EXPECT_TRUE(std::all_of(output.begin(), output.end() - 1, [](char c) { return c >= 0x20 && c < 0x7F; }));
  EXPECT_NE(output.find(R"("smsc":"+91\u0001\u007f\u00b0\"\\x")"), std::string::npos) << output;
  const tracksim::ConfigBlock& c = state.config;
  const tracksim::StatusBlock& s = state.status;
  const nlohmann::json expected = {
      {"serialKey", "1000752301"},
      {"kind", "F"},
      {"config",
       {{"gpsState", c.gpsState}, {"trackMode", c.trackMode}, {"trackStatus", c.trackStatus}, {"units", c.units},
        {"signalStrength", c.signalStrength}, {"sessionId", c.sessionId}, {"featuresEnabled", c.featuresEnabled},
        {"deviceTimeWord", c.deviceTimeWord}, {"deviceDateWord", c.deviceDateWord}, {"trackInterval", c.trackInterval},
        {"stopDelayThreshold", c.stopDelayThreshold}, {"startDelayThreshold", c.startDelayThreshold},
        {"startDistanceThreshold", c.startDistanceThreshold}, {"ovSpdThreshold", c.ovSpdThreshold},
        {"overSpdDelayThreshold", c.overSpdDelayThreshold}, {"overSpdTrackInterval", c.overSpdTrackInterval},
        {"accelThreshold", c.accelThreshold}, {"decelThreshold", c.decelThreshold}, {"dataCallTime", c.dataCallTime},
        {"dataCallInterval", c.dataCallInterval}, {"dataCallTrackInterval", c.dataCallTrackInterval},
        {"errorCode", c.errorCode}, {"smsc", AsCodePoints(c.smsc)}, {"cumulativeDistance", c.cumulativeDistance},
        {"voiceNumber", c.voiceNumber}, {"version", c.version},
        // The device's defaults: time word 16660, date word 2287.
        {"deviceTime", "09:15:20"}, {"deviceDate", "2005-06-15"}}},
      {"status",
       {{"gsmType", s.gsmType}, {"gpsType", s.gpsType}, {"bootupTimeWord", s.bootupTimeWord},
        {"bootupDateWord", s.bootupDateWord}, {"loggerTimeWord", s.loggerTimeWord}, {"loggerDateWord", s.loggerDateWord},
        {"codeUpgradeDateWord", s.codeUpgradeDateWord}, {"codeReleaseDateWord", s.codeReleaseDateWord},
        {"homeNumber", s.homeNumber}, {"lastBootupTime", "08:00:00"}, {"lastBootupDate", "2005-06-15"},
        {"lastLoggerTime", "08:53:20"}, {"lastLoggerDate", "2005-06-15"}, {"codeUpgradeDate", "2005-06-12"},
        {"codeReleaseDate", "2005-05-10"}}}};
  EXPECT_EQ(nlohmann::json::parse(output), expected);
  EXPECT_NE(ReadFile("messages.txt").find(kReadConfigSent + "...DONE"), std::string::npos);

  // A status-only reply has no configuration; an empty date is null; a refusal prints no JSON.
  knobs.readConfigKind = 'D';
  state.status.codeUpgradeDateWord = 0;
  StartSim();
  EXPECT_EQ(Run({"--json", "read-config"}, apart), 0);
  const nlohmann::json statusOnly = nlohmann::json::parse(output);
  EXPECT_FALSE(statusOnly.contains("config"));
  EXPECT_EQ(statusOnly["kind"], "D");
  EXPECT_TRUE(statusOnly["status"]["codeUpgradeDate"].is_null());
  // No JSON and status 3 for a refusal, a reply that ends short, and a kind without blocks.
  const std::vector<std::pair<std::string, std::string>> refusals = {
      {"\xEA" "ERROR_BUSY\xE4", "an error occured."},
      {"\xEAREADCONFIG_OK_1000752301F" + std::string(10, '\x01') + "\xE4", "short reply from device: 37 of 124"},
      {"\xEAREADCONFIG_OK_1000752301X\xE4", "...DONE"},
  };
  for (const auto& [reply, message] : refusals) {
    knobs.replyFor["READCONFIG_"] = ToBytes(reply);
    StartSim();
    EXPECT_EQ(Run({"--json", "read-config"}, apart), 3) << message;
    EXPECT_EQ(output, "");
    EXPECT_NE(ReadFile("messages.txt").find(message), std::string::npos) << ReadFile("messages.txt");
  }
}

TEST_F(CommandLineRun, OutputThatCannotBeWrittenIsNoSuccess) {
  RunOptions full;
  full.stdoutFile = "/dev/full";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info"}, {"--json", "info"}, {"--json", "read-config"}, {"--list-ports"}, {"--help"},
        {"--version"}, {"export", "--help"}}) {
    EXPECT_EQ(Run(args, full), 4) << args.back();
  }
}

// What a file argument can name.
enum class FileKind { kRegular, kMissing, kDanglingLink, kFolder, kFifo };

// Writes `bytes` into the FIFO `path` once a reader has opened it; gives up
// after a few seconds without one.
std::thread FeedFifo(const fs::path& path, std::string bytes) {
  return std::thread([path, bytes = std::move(bytes)] {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    int fd = -1;
    while ((fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && errno == ENXIO &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(2ms);
    }
    if (fd < 0) return;
    fcntl(fd, F_SETFL, 0);
    for (std::string_view rest = bytes; !rest.empty();) {
      const ssize_t n = write(fd, rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    close(fd);
  });
}

TEST_F(CommandLineRun, EveryKindOfFileForEveryFileArgument) {
  if (UnderWine()) GTEST_SKIP() << "FIFOs and links of the POSIX side";
  const std::string config = ReadFile(ExamplePath("config15.dat"));
  const std::string logger = "5,1,0,0,1:30:0.00,31:3:2024,13.400000,52.500000,30.000000,100.000000;\n";
  WriteFile("a.dat", logger);
  const std::string image(1500, '\x5A');
  constexpr int kRefusedFirst = -4;  // status 4, and the port never opened
  const struct {
    std::vector<std::string> args;  // "X" stands for the file
    std::string content;            // what the file holds when it is a regular file or a FIFO
    std::array<int, 5> status;      // for each kind, in the order of FileKind
  } arguments[] = {
      {{"download", "sms", "-o", "X"}, "older", {kRefusedFirst, 0, kRefusedFirst, kRefusedFirst, 0}},
      {{"start", "-c", "X"}, config, {0, kRefusedFirst, kRefusedFirst, kRefusedFirst, 0}},
      {{"upgrade", "X"}, image, {0, kRefusedFirst, kRefusedFirst, kRefusedFirst, kRefusedFirst}},
      {{"export", "--utc-offset", "+00:00", "-o", "out.csv", "X"}, logger, {0, 2, 2, 2, 0}},
      {{"export", "--utc-offset", "+00:00", "-o", "X", "a.dat"}, "older", {0, 0, 0, 2, 0}},
  };
  for (const auto& [args, content, statuses] : arguments) {
    const bool readsX = args.back() == "X" && args[0] != "download";
    const auto option = std::find(args.begin(), args.end(), "-o");
    const bool writesX = option != args.end() && option + 1 != args.end() && option[1] == "X";
    for (const FileKind kind : {FileKind::kRegular, FileKind::kMissing, FileKind::kDanglingLink, FileKind::kFolder,
                                FileKind::kFifo}) {
      const fs::path x = workdir() / "X";
      fs::remove_all(x);
      fs::remove(workdir() / "out.csv");
      if (kind == FileKind::kRegular) WriteFile(x, content);
      if (kind == FileKind::kDanglingLink) fs::create_symlink("nowhere", x);
      if (kind == FileKind::kFolder) fs::create_directory(x);
      if (kind == FileKind::kFifo) {
        ASSERT_EQ(mkfifo(x.c_str(), 0600), 0);
      }
      std::thread feeder;
      if (kind == FileKind::kFifo && readsX) feeder = FeedFifo(x, content);
      const int expected = statuses[static_cast<std::size_t>(kind)];
      std::optional<FifoReader> reader;
      if (kind == FileKind::kFifo && writesX && expected == 0) reader.emplace(x);
      StartSim();
      const int status = Run(args);
      if (feeder.joinable()) feeder.join();
      const std::string drained = reader ? reader->Finish() : std::string();
      const std::string what = args[0] + " " + args[args.size() - 2] + ", kind " + std::to_string(int(kind));
      EXPECT_EQ(status, std::abs(expected)) << what << "\n" << output;
      if (args[0] == "upgrade" && expected == 0) {
        EXPECT_EQ(Device([](auto& s) { return s.codeImageSize; }), image.size()) << what;
      }
      if (args[0] == "export" || expected == kRefusedFirst) {
        EXPECT_TRUE(sim().Received().empty()) << what;
      } else if (expected == 4) {
        EXPECT_EQ(sim().Received(), kHandshake) << what;  // the handshake, then nothing
      }
      // Whatever X was, it still is: a link stays a link, a FIFO a FIFO. A refused
      // output leaves what was there; a written FIFO had the output.
      if (kind != FileKind::kMissing) {
        EXPECT_EQ(fs::symlink_status(x).type(), kind == FileKind::kRegular ? fs::file_type::regular
                                                : kind == FileKind::kDanglingLink ? fs::file_type::symlink
                                                : kind == FileKind::kFolder ? fs::file_type::directory
                                                                            : fs::file_type::fifo)
            << what;
      }
      if (expected == kRefusedFirst || expected == 2) {
        if (kind == FileKind::kRegular) {
          EXPECT_EQ(ReadFile("X"), content) << what;
        }
        EXPECT_FALSE(fs::exists(workdir() / "nowhere")) << what;
      }
      if (kind == FileKind::kFifo && writesX && expected == 0) {
        EXPECT_NE(drained.find(args[0] == "download" ? ";\n" : "</gpx>"), std::string::npos) << what << drained;
      }
      fs::remove(workdir() / "nowhere");
    }
  }
}

TEST_F(CommandLineRun, OutputThatFailsOnlyAtItsEndIsNoSuccess) {
  // Each output once whole, then with a file size limit one byte short of it:
  // only the last write fails.
  RunOptions apart;
  apart.stdoutFile = "out.txt";
  // A logger file that is not whole is set aside under another name.
  const struct {
    std::vector<std::string> args;
    std::string file;
    std::string left;
  } outputs[] = {
      {{"--json", "read-config"}, "out.txt", "out.txt"},
      {{"read-config"}, "out.txt", "out.txt"},
      {{"download", "sms", "-o", "sms.dat"}, "sms.dat", "sms.dat.partial"},
  };
  for (const auto& [args, file, left] : outputs) {
    fs::remove(workdir() / "sms.dat");
    ASSERT_EQ(Run(args, apart), 0) << args[0];
    const auto whole = fs::file_size(workdir() / file);
    fs::remove(workdir() / "sms.dat");
    RunOptions limited = apart;
    limited.fileSizeLimit = whole - 1;
    EXPECT_EQ(Run(args, limited), 4) << args[0] << " " << whole << " bytes\n" << output;
    EXPECT_EQ(fs::file_size(workdir() / left), whole - 1) << args[0];
    EXPECT_EQ(fs::exists(workdir() / file), file == left) << args[0];
  }
}

TEST_F(CommandLineRun, CreatedFilesTakeTheirModeFromTheUmask) {
  if (UnderWine()) GTEST_SKIP() << "file modes of the POSIX side";
  WriteFile("a.dat", "5,1,0,0,1:30:0.00,31:3:2024,13.400000,52.500000,30.000000,100.000000;\n");
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
    RunOptions options;
    options.umask = mask;
    options.env = {{"TRACKCTL_TRACE", "trace.txt"}};
    for (const char* name : {"sms.dat", "trace.txt", "a.gpx", "a.kml"}) fs::remove(workdir() / name);
    ASSERT_EQ(Run({"download", "sms", "-o", "sms.dat"}, options), 0) << output;
    ASSERT_EQ(Run({"export", "a.dat"}, options), 0) << output;
    ASSERT_EQ(Run({"export", "--format", "kml", "a.dat"}, options), 0) << output;
    for (const char* name : {"sms.dat", "trace.txt", "a.gpx", "a.kml"}) {
      struct stat info {};
      ASSERT_EQ(stat((workdir() / name).c_str(), &info), 0) << name;
      EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask) << name << " under umask 0" << std::oct << mask;
    }
  }
}

TEST_F(CommandLineRun, APortThatAnotherProgramHoldsIsListed) {
  if (UnderWine()) GTEST_SKIP() << "terminals of the POSIX side";
  // Two pseudo-terminals as on-board ports: ttyS4 held exclusively, ttyS5 free.
  // A free one has no UART and is left out; a held one cannot be asked, and counts.
  const fs::path dev = workdir() / "dev";
  fs::create_directories(dev);
  int master[2], slave[2];
  char name[2][128];
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(openpty(&master[i], &slave[i], name[i], nullptr, nullptr), 0);
    fs::create_symlink(name[i], dev / ("ttyS" + std::to_string(4 + i)));
  }
  ASSERT_EQ(ioctl(slave[0], TIOCEXCL), 0);
  RunOptions options;
  options.env = {{"TRACKCTL_DEV_ROOT", dev.string()}};
  options.exclusiveBindsRoot = true;
  EXPECT_EQ(Run({"--list-ports"}, options), 0);
  EXPECT_EQ(output, (dev / "ttyS4").string() + "\n");
  for (int i = 0; i < 2; ++i) close(master[i]), close(slave[i]);
}

TEST_F(CommandLineRun, TheSerialPortsPresentAreListed) {
  RunOptions options;
  if (UnderWine()) {
    // The registry's map of serial ports, which Windows fills from the devices it finds.
    ASSERT_EQ(std::system("wine reg add 'HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM' /v '\\Device\\Test23' /d COM23 /f "
                          ">/dev/null 2>&1"),
              0);
    EXPECT_EQ(Run({"--list-ports"}), 0);
    std::system("wine reg delete 'HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM' /v '\\Device\\Test23' /f >/dev/null 2>&1");
    EXPECT_NE(output.find("COM23\n"), std::string::npos) << output;
    EXPECT_TRUE(sim().Received().empty());
    return;
  }
  // A device folder of the test's own stands for /dev.
  const fs::path dev = workdir() / "dev";
  fs::create_directories(dev / "serial" / "by-id");
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "null"}) WriteFile(dev / name, "");
  fs::create_symlink("../../ttyUSB2", dev / "serial" / "by-id" / "usb-FTDI_FT232R_A1B2C3-if00-port0");
  options.env = {{"TRACKCTL_DEV_ROOT", dev.string()}, {"TRACKCTL_SYS_ROOT", (workdir() / "sys").string()}};
  EXPECT_EQ(Run({"--list-ports"}, options), 0);
  const std::string root = dev.string();
  EXPECT_EQ(output, root + "/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0 -> " + root + "/ttyUSB2\n" + root +
                        "/ttyUSB2\n" + root + "/ttyUSB10\n" + root + "/ttyACM0\n");  // ttyS0: no UART

  fs::remove_all(dev);
  fs::create_directories(dev);
  EXPECT_EQ(Run({"--list-ports"}, options), 0);
  EXPECT_EQ(output, "no serial ports found\n");
  EXPECT_TRUE(sim().Received().empty());
}

}  // namespace
}  // namespace trackctl::e2e
