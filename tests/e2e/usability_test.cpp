// The command line and the protocol trace.
#include <regex>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

using tracksim::ToBytes;

RunOptions WithArgument(std::string arg) {
  RunOptions options;
  options.args = {std::move(arg)};
  return options;
}

RunOptions WithTrace(std::string path) {
  RunOptions options;
  options.env = {{"TRACKCTL_TRACE", std::move(path)}};
  return options;
}

class Usability : public E2eTest {
 protected:
  // The trace file's lines as "<direction> <hex>", each checked for its time stamp.
  std::vector<std::string> TraceLines(const std::string& name) {
    std::vector<std::string> lines;
    const std::regex line(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (>>|<<) ((?:[0-9A-F]{2} ?)+) +\|.*\|\r?)");
    for (const std::string& text : Lines(ReadFile(name))) {
      std::smatch parts;
      EXPECT_TRUE(std::regex_match(text, parts, line)) << text;
      std::string hex = parts[3];
      hex.erase(hex.find_last_not_of(' ') + 1);
      lines.push_back(std::string(parts[2]) + " " + hex);
    }
    return lines;
  }
};

TEST_F(Usability, HelpVersionAndBadArgumentsLeaveThePortAlone) {
  Program& help = Start("", WithArgument("--help"));
  EXPECT_EQ(help.WaitExit(), 0);
  EXPECT_EQ(help.Output().find("usage: trackctl [-p PORT]  "), 0u) << help.Output();

  Program& version = Start("", WithArgument("--version"));
  EXPECT_EQ(version.WaitExit(), 0);
  EXPECT_EQ(version.Output(), "trackctl " TRACKCTL_VERSION "\n");

  Program& bad = Start("1\n0\n", WithArgument("COM1"));
  EXPECT_EQ(bad.WaitExit(), 2);
  EXPECT_EQ(bad.Output(), "trackctl: unknown command 'COM1' (usage: trackctl --help)\n");
  EXPECT_TRUE(sim().Received().empty());
}

TEST_F(Usability, TheTraceHoldsEveryByteOfTheHandshakeAndChangesNothingElse) {
  const RunOptions traced = WithTrace("trace.txt");
  Program& run = Start("1\n0\n", traced);
  EXPECT_EQ(run.WaitExit(), 0);
  EXPECT_EQ(run.Output(), ExpectedStartUp());
  const std::vector<std::string> handshake = {
      ">> FA",
      "<< FA",
      ">> EA 49 4E 49 54 E4",
      "<< EA 49 4E 49 54 5F 4F 4B 20 31 30 30 30 37 35 32",  // INIT_OK 1000752
      "<< 33 30 31 20 30 31 30 32 30 33 20 47 54 31 35 E4",  // 301 010203 GT15
  };
  EXPECT_EQ(TraceLines("trace.txt"), handshake);

  // A run that ends on a refused handshake still has its last line; the file grows.
  knobs.replyFor["INIT"] = ToBytes("\xEAINIT_ERROR\xE4");
  StartSim();
  Program& refused = Start("1\n0\n", traced);
  EXPECT_EQ(refused.WaitExit(), 1);
  std::vector<std::string> both = handshake;
  both.insert(both.end(), {">> FA", "<< FA", ">> EA 49 4E 49 54 E4", "<< EA 49 4E 49 54 5F 45 52 52 4F 52 E4"});
  EXPECT_EQ(TraceLines("trace.txt"), both);
}

TEST_F(Usability, ATraceFileThatCannotBeOpenedGivesOneWarning) {
  Program& run = Start("1\n0\n", WithTrace("missing/trace.txt"));
  EXPECT_EQ(run.WaitExit(), 0);
  const std::string output = run.Output();
  const std::size_t lineEnd = output.find('\n');
  EXPECT_EQ(output.substr(0, lineEnd).find("trackctl: cannot open the trace file missing/trace.txt ("), 0u) << output;
  EXPECT_EQ(output.substr(lineEnd + 1), ExpectedStartUp());
}

}  // namespace
}  // namespace trackctl::e2e
