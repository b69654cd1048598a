#include "sim/options.h"

#include <gtest/gtest.h>

namespace tracksim {
namespace {

ParsedOptions Parse(std::vector<const char*> args) { return ParseSimOptions(args); }

TEST(SimOptions, ValuesInBothFormsAndTheCommandAfterTheDashes) {
  const ParsedOptions parsed = Parse({"--key", "ABCDE12345", "--version=112233", "--type", "GT16", "--records=0",
                                      "--state", "dev.state", "--log", "--baud=115200", "--", "trackctl", "--help"});
  ASSERT_EQ(parsed.error, "");
  const SimOptions& o = parsed.options;
  EXPECT_EQ(o.serialKey, "ABCDE12345");
  EXPECT_EQ(o.version, "112233");
  EXPECT_EQ(o.deviceType, "GT16");
  EXPECT_EQ(o.records, 0u);
  EXPECT_EQ(o.stateFile, "dev.state");
  EXPECT_TRUE(o.log);
  EXPECT_EQ(o.baud, 115200u);
  EXPECT_FALSE(o.help);  // "--help" after "--" belongs to the command
  EXPECT_EQ(o.command, (std::vector<std::string>{"trackctl", "--help"}));

  const ParsedOptions none = Parse({});
  EXPECT_EQ(none.error, "");
  EXPECT_FALSE(none.options.serialKey || none.options.records || none.options.stateFile || none.options.log);
  EXPECT_TRUE(Parse({"-h"}).options.help);
}

TEST(SimOptions, BadValuesAndUnknownOptionsAreRefusedWithOneLine) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{"--key", "SHORT"}, "tracksim: --key needs 10 printable characters, not 'SHORT'"},
      {{"--key", "ABCDE 2345"}, "tracksim: --key needs 10 printable characters, not 'ABCDE 2345'"},
      {{"--version", "1.2.3"}, "tracksim: --version needs 6 printable characters, not '1.2.3'"},
      {{"--type=GT1"}, "tracksim: --type needs 4 printable characters, not 'GT1'"},
      {{"--records", "100001"}, "tracksim: --records needs a number from 0 to 100000, not '100001'"},
      {{"--records", "-1"}, "tracksim: --records needs a number from 0 to 100000, not '-1'"},
      {{"--records", "12x"}, "tracksim: --records needs a number from 0 to 100000, not '12x'"},
      {{"--state="}, "tracksim: --state needs a file name"},
      {{"--log", "--key"}, "tracksim: --key needs a value"},
      {{"--baud", "0"}, "tracksim: --baud needs a rate from 1 to 100000000 baud, not '0'"},
      {{"--baud", "+9600"}, "tracksim: --baud needs a rate from 1 to 100000000 baud, not '+9600'"},
      {{"--baud-rate", "9600"}, "tracksim: unknown option '--baud-rate'"},
      {{"--log=yes"}, "tracksim: unknown option '--log=yes'"},
      {{"trackctl"}, "tracksim: unknown option 'trackctl'"},
  };
  for (const auto& [args, error] : cases) EXPECT_EQ(Parse(args).error, error) << args[0];
}

TEST(SimOptions, TheyReplaceTheInitFieldsAndBothSectors) {
  SimOptions options;
  options.serialKey = "ABCDE12345";
  options.records = 7;
  DeviceState state;
  ApplyOptions(options, state);
  EXPECT_EQ(state.serialKey, "ABCDE12345");
  EXPECT_EQ(state.version, DeviceState{}.version);
  EXPECT_EQ(state.smsSector, DefaultSmsSector(7));
  EXPECT_EQ(state.dataCallSector, DefaultDataCallSector(7));
}

}  // namespace
}  // namespace tracksim
