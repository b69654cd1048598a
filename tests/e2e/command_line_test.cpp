// One command per run: each command's success, refusal and file problems as
// exit statuses, bad command lines, ports given by name, the menu with -p.
#include <fstream>
#include <iterator>
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using tracksim::Bytes;
using tracksim::ToBytes;

const std::string kPortPrompt = "\nPLEASE ENTER COM PORTS BETWEEN COM1 AND COM20\nEnter the port Number: ";

class CommandLineRun : public E2eTest {
 protected:
  // Runs trackctl with `args` to its end; returns the exit status and keeps the output.
  int Run(std::vector<std::string> args, RunOptions options = {}) {
    options.args = std::move(args);
    Program& run = Start("", options);
    const int status = run.WaitExit();
    output = run.Output();
    return status;
  }
  // The start-up text of a command run: the menu's without the port question and the menu.
  std::string StartUp(int port = 1) {
    std::string text = StartUpText(sim().slavePath(), state);
    text = text.substr(kPortPrompt.size(), text.size() - kPortPrompt.size() - kMainMenu.size());
    if (port != 1) text.replace(text.find("COM1"), 4, "COM" + std::to_string(port));
    return text;
  }
  std::string Received() {
    const Bytes bytes = sim().Received();
    return std::string(bytes.begin(), bytes.end());
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(workdir() / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  template <typename Fn>
  auto Device(Fn&& fn) {
    return sim().WithDevice([&](tracksim::Device& device) { return fn(device.state()); });
  }

  std::string output;
};

std::size_t CountLines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST_F(CommandLineRun, EveryCommandDoesItsWorkAndEndsWithStatusZero) {
  EXPECT_EQ(Run({"info"}), 0);
  EXPECT_EQ(output, StartUp() + "\n");

  EXPECT_EQ(Run({"read-config"}), 0);
  EXPECT_EQ(output.find(StartUp() + "\nSending READ CONFIG command to Device...DONE\n"), 0u) << output;
  EXPECT_NE(output.find("version = R1.5.2\nGSM Type = 2\n"), std::string::npos) << output;

  EXPECT_EQ(Run({"download", "sms", "-o", "sms.dat"}), 0);
  EXPECT_EQ(output, StartUp() +
                        "Reading data from SMS sector : Started...\n\nSending Logger Read command to Device"
                        "No of records = 300\nDone : 139\nDone : 232\nReading data from SMS sector : Done...\n\n");
  EXPECT_EQ(CountLines(ReadFile("sms.dat")), 300u);

  EXPECT_EQ(Run({"erase", "sms"}), 0);
  EXPECT_EQ(output, StartUp() +
                        "Deleting data in SMS sector : Started...\n\nSending delete initialization command to "
                        "device...\nDeleting data from device......\nDeleting Logger Data in SMS Sector Done..."
                        "Deleting data in SMS sector : Over...\n\n\n");
  EXPECT_TRUE(Device([](auto& s) { return s.smsSector.empty(); }));

  fs::copy_file(fs::path(TRACKCTL_EXAMPLES_DIR) / "config15.dat", workdir() / "bench.dat");
  EXPECT_EQ(Run({"start", "-c", "bench.dat"}), 0);
  EXPECT_EQ(output, StartUp() + "\nSending START TRACKING command to Device\nSTART TRACKING...DONE\n");
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 1);

  EXPECT_EQ(Run({"stop"}), 0);
  EXPECT_EQ(output, StartUp() + "\nSending STOP TRACKING command to Device\nStop Tracking...DONE\n");
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 0);

  std::ofstream(workdir() / "image.bin", std::ios::binary) << std::string(1500, '\x5A');
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
  fs::copy_file(fs::path(TRACKCTL_EXAMPLES_DIR) / "config15.dat", workdir() / "config15.dat");
  std::ofstream(workdir() / "RAVU.BIN", std::ios::binary) << "image";
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
  std::ofstream(workdir() / "taken.dat") << "earlier download\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> problems = {
      {{"start"}, "Cannot open input file.\n"},
      {{"start", "-c", "missing.dat"}, "Cannot open input file.\n"},
      {{"upgrade", "missing.bin"}, "FILE not found...\n"},
      {{"upgrade"}, "FILE not found...\n"},
      {{"download", "datacall", "-o", "taken.dat"}, "error creating file\n"},
  };
  for (const auto& [args, message] : problems) {
    StartSim();
    EXPECT_EQ(Run(args), 4) << args[0] << "\n" << output;
    EXPECT_NE(output.find(StartUp()), std::string::npos) << output;
    EXPECT_NE(output.find(message), std::string::npos) << args[0] << "\n" << output;
    EXPECT_EQ(Received(), "\xFA\xEAINIT\xE4") << args[0];  // the handshake, then nothing
  }
  EXPECT_EQ(ReadFile("taken.dat"), "earlier download\n");
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
    EXPECT_EQ(output, "trackctl: " + problem +
                          "\nusage: trackctl [-p PORT] [--json] COMMAND [ARGS]; trackctl --help for more\n");
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
  EXPECT_EQ(output.find("\nMessage : \nThe specified COM port is not supported by your PC\n"), 0u) << output;
}

TEST_F(CommandLineRun, DownloadEraseDownloadInOneScriptKeepsBothFiles) {
  EXPECT_EQ(Run({"download", "sms"}), 0);
  EXPECT_EQ(Run({"erase", "sms"}), 0);
  EXPECT_EQ(Run({"download", "sms"}), 0);
  std::vector<std::string> sizes;
  for (const auto& entry : fs::directory_iterator(workdir())) {
    sizes.push_back(std::to_string(CountLines(ReadFile(entry.path().filename().string()))));
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<std::string>{"0", "300"}));
}

TEST_F(CommandLineRun, ADownloadEndsWithinFiftyMillisecondsOfItsLastByte) {
  // The trace stamps each line of bytes: the next request follows the last byte
  // of the 300-record download almost at once, not after the 200 ms of quiet
  // that a reply without its end waits for.
  RunOptions traced;
  traced.env = {{"TRACKCTL_TRACE", "trace.txt"}};
  Program& run = Start("1\n3\n1\n\n6\n\n0\n", traced);
  EXPECT_EQ(run.WaitExit(), 0);
  std::ifstream in(workdir() / "trace.txt");
  const std::regex stamped(R"(\d{4}-\d\d-\d\d (\d\d):(\d\d):(\d\d)\.(\d{3}) (>>|<<) .*\r?)");
  long lastReceived = -1;
  long gap = -1;
  for (std::string line; std::getline(in, line);) {
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
  EXPECT_LT(gap, 50) << "ms from the download's last byte to the next request";
}

}  // namespace
}  // namespace trackctl::e2e
