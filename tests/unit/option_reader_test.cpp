#include "app/option_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace trackctl {
namespace {

// A command with one option of each kind; each value taken is noted in turn.
struct Taken {
  std::vector<std::string> values;  // "--name=value" for each option applied
  std::vector<std::string> operands;
};

template <const char* kName>
std::optional<std::string> Note(Taken& taken, std::string_view value) {
  taken.values.push_back(std::string(kName) + "=" + std::string(value));
  return std::nullopt;
}

constexpr char kSwitch[] = "--switch";
constexpr char kAny[] = "--any";
constexpr char kNotEmpty[] = "--full";
constexpr char kPort[] = "--port";
constexpr char kTag[] = "--tag";

constexpr OptionRow<Taken> kRows[] = {
    {{.name = kSwitch, .alias = "-s"}, Note<kSwitch>},
    {{.name = kAny, .value = Value::kAny}, Note<kAny>},
    {{.name = kNotEmpty, .value = Value::kNotEmpty, .equals = true}, Note<kNotEmpty>},
    {{.name = kPort, .alias = "-p", .value = Value::kNoOption, .equals = true, .attached = true}, Note<kPort>},
    {{.name = kTag, .value = Value::kAny, .equals = true, .repeat = Repeat::kAny}, Note<kTag>},
};

// An operand "stop" ends the reading: what follows is its own.
OperandTaken TakeOperand(Taken& taken, std::span<const char* const> from) {
  taken.operands.emplace_back(from.front());
  return {.endsReading = taken.operands.back() == "stop", .problem = {}};
}

struct Read {
  std::optional<std::string> problem;
  Taken taken;
};

Read ReadWith(OptionStyle style, std::vector<const char*> args) {
  const OptionTable<Taken> table{style, kRows, TakeOperand};
  Read read;
  read.problem = ReadOptions(args, table, read.taken);
  return read;
}

Read ProgramRead(std::vector<const char*> args) { return ReadWith({.program = true}, std::move(args)); }
Read CommandRead(std::vector<const char*> args) { return ReadWith({}, std::move(args)); }

TEST(OptionReader, EachValueIsTakenInTheFormsItsRowAllows) {
  const Read read = ProgramRead({"a", "-s", "--any", "-x", "--full=f", "--port", "P", "--tag", "", "--tag=t", "b"});
  EXPECT_EQ(read.problem, std::nullopt);
  EXPECT_EQ(read.taken.values,
            (std::vector<std::string>{"--switch=", "--any=-x", "--full=f", "--port=P", "--tag=", "--tag=t"}));
  EXPECT_EQ(read.taken.operands, (std::vector<std::string>{"a", "b"}));
  // The alias takes its value joined to it, '=' and all; the long name after '='.
  EXPECT_EQ(ProgramRead({"-pCOM3", "--any", "", "-s"}).taken.values,
            (std::vector<std::string>{"--port=COM3", "--any=", "--switch="}));
  EXPECT_EQ(ProgramRead({"-p=x"}).taken.values, std::vector<std::string>{"--port==x"});
  EXPECT_EQ(ProgramRead({"--port=-x"}).taken.values, std::vector<std::string>{"--port=-x"});
  // "--" ends the options, "-" is an operand, and an operand may end the reading.
  const Read ended = CommandRead({"--", "-s", "-", "--"});
  EXPECT_EQ(ended.taken.operands, (std::vector<std::string>{"-s", "-", "--"}));
  EXPECT_TRUE(ended.taken.values.empty());
  const Read stopped = CommandRead({"-s", "stop", "--unknown", "-s"});
  EXPECT_EQ(stopped.problem, std::nullopt);
  EXPECT_EQ(stopped.taken.values, std::vector<std::string>{"--switch="});
}

TEST(OptionReader, RefusalsNameTheOptionAsTheCommandWordsThem) {
  const struct {
    std::vector<const char*> args;
    const char* program;  // the refusal with the program's wording
    const char* command;  // with a command's
  } cases[] = {
      {{"--unknown"}, "unknown option '--unknown'", "unknown option '--unknown'"},
      {{"--sw"}, "unknown option '--sw'", "unknown option '--sw'"},
      {{"--x\x1b[2J"}, "unknown option '--x?[2J'", "unknown option '--x\x1b[2J'"},
      {{"--switch=1"}, "unknown option '--switch=1'", "unknown option '--switch=1'"},
      {{"--any=1"}, "unknown option '--any=1'", "unknown option '--any=1'"},
      {{"-sx"}, "unknown option '-sx'", "unknown option '-sx'"},
      {{"--any"}, "option --any needs a value", "--any needs a value"},
      {{"--full", ""}, "option --full needs a value", "--full needs a value"},
      {{"--full="}, "option --full needs a value", "--full needs a value"},
      {{"-p", "-x"}, "option -p needs a value", "-p needs a value"},
      {{"--port", "-"}, "option --port needs a value", "--port needs a value"},
      {{"--port="}, "option --port needs a value", "--port needs a value"},
      {{"-s", "--switch"}, "option --switch is given twice", "option --switch is given twice"},
      {{"--port=1", "-p2"}, "option --port is given twice", "option --port is given twice"},
      {{"--full", "a", "--full=a"}, "option --full is given twice", "option --full is given twice"},
  };
  for (const auto& [args, program, command] : cases) {
    EXPECT_EQ(ProgramRead(args).problem, program) << program;
    EXPECT_EQ(CommandRead(args).problem, command) << command;
  }
  // Without "--" as the end of the options, it is an unknown option.
  EXPECT_EQ(ReadWith({.dashDashEnds = false}, {"--", "a"}).problem, "unknown option '--'");
  // The refusal comes before the option's value is applied; a value is not an option.
  const Read missing = ProgramRead({"-s", "--port", "--any"});
  EXPECT_EQ(missing.problem, "option --port needs a value");
  EXPECT_EQ(missing.taken.values, std::vector<std::string>{"--switch="});
  const Read taken = ProgramRead({"--any", "--any"});
  EXPECT_EQ(taken.problem, std::nullopt);
  EXPECT_EQ(taken.taken.values, std::vector<std::string>{"--any=--any"});
}

}  // namespace
}  // namespace trackctl
