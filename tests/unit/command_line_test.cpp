#include "app/command_line.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace trackctl {
namespace {

CommandLine Parse(std::vector<const char*> args) { return ParseCommandLine(args); }

TEST(CommandLine, NoArgumentsRunTheConsoleAndOptionsAreRecognised) {
  EXPECT_EQ(Parse({}).action, CommandLine::Action::kRun);
  EXPECT_EQ(Parse({"--help"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"-h"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, CommandLine::Action::kVersion);
  EXPECT_EQ(Parse({"--version", "--help"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"--help", "--version"}).action, CommandLine::Action::kHelp);
}

TEST(CommandLine, AnyOtherArgumentIsRefusedWithOneLineNamingIt) {
  for (const auto& args : {std::vector<const char*>{"1"}, {"--help", "--port"}, {"-"}, {""}, {"--versions"}}) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, CommandLine::Action::kRefuse) << args.back();
    EXPECT_EQ(line.error, std::string("trackctl: unknown argument '") + args.back() + "'");
  }
}

TEST(CommandLine, UsageNamesThePortMappingScriptingAndTrace) {
  const std::string usage = UsageText();
  for (const char* part : {"TRACKCTL_COM<n>", "/dev/ttyS<n-1>", "COMn", "TRACKCTL_TRACE", "standard input",
                           "--help", "--version"}) {
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex("trackctl [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << VersionText();
}

}  // namespace
}  // namespace trackctl
