// The one reader of options for every command line of trackctl. Each command
// names its options in a table, one row an option: its names, how it takes a
// value, how often it may be given and what it does to the command's settings.
// The reader walks the arguments against the table and refuses, in one line
// without its line end, an unknown option, an option without its value and an
// option given again that may be given once. An argument is an option when it
// begins with '-' and is longer than that.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace trackctl {

// How often an option may be given: once (a second time is refused, naming
// the option rather than taking one of the values silently), or any number of
// times, each value applied in turn.
enum class Repeat { kOnce, kAny };

// What an option takes.
enum class Value {
  kNone,      // nothing: a switch
  kAny,       // a value, whatever it is
  kNotEmpty,  // a value that is not empty
  kNoOption,  // a value that is not empty; as the next argument it does not begin with '-' (that is the next option)
};

struct OptionRule {
  std::string_view name;     // in messages and for the repeat rule, whichever spelling is given: "--port"
  std::string_view alias{};  // another spelling ("-p"), or none
  Value value = Value::kNone;
  bool equals = false;    // its value may follow '=' in the same argument: --port=COM3
  bool attached = false;  // the alias takes its value joined to it: -pCOM3
  Repeat repeat = Repeat::kOnce;
};

// How a command line words its refusals and where its options end.
struct OptionStyle {
  // The program's own options: "option -p needs a value", an unknown option
  // quoted with its control characters shown as '?'; otherwise a command's:
  // "-o needs a value", the unknown option quoted as it is.
  bool program = false;
  bool dashDashEnds = true;  // "--" ends the options; otherwise it is an unknown option
};

// What became of an argument that is no option.
struct OperandTaken {
  bool endsReading = false;              // the arguments after it are the operand's own: the reading ends
  std::optional<std::string> problem{};  // a refusal
};

// One option of a command, and what it does to the command's `Settings`.
template <typename Settings>
struct OptionRow {
  OptionRule rule;
  // Applies the value (empty for a switch) or returns the refusal.
  std::optional<std::string> (*apply)(Settings&, std::string_view value);
};

// A command's options: how they are worded, the rows, and what its operands do.
template <typename Settings>
struct OptionTable {
  OptionStyle style;
  std::span<const OptionRow<Settings>> rows;
  // An argument that is no option (or comes after "--"), with the arguments after it.
  OperandTaken (*operand)(Settings&, std::span<const char* const> from);
};

// Applies for the rows that only set a member of the settings: a switch to
// true, a value as it is given (SetSwitch<&Settings::json>).
template <typename Member>
struct MemberOf;
template <typename Settings, typename Type>
struct MemberOf<Type Settings::*> {
  using Owner = Settings;
};

template <auto kMember>
std::optional<std::string> SetSwitch(typename MemberOf<decltype(kMember)>::Owner& settings, std::string_view) {
  settings.*kMember = true;
  return std::nullopt;
}

template <auto kMember>
std::optional<std::string> SetValue(typename MemberOf<decltype(kMember)>::Owner& settings, std::string_view value) {
  settings.*kMember = std::string(value);
  return std::nullopt;
}

// The reader's side of a table, whatever its settings are.
class OptionSink {
 public:
  virtual std::size_t Rows() const = 0;
  virtual const OptionRule& Rule(std::size_t row) const = 0;
  virtual std::optional<std::string> Apply(std::size_t row, std::string_view value) = 0;
  virtual OperandTaken Operand(std::span<const char* const> from) = 0;

 protected:
  ~OptionSink() = default;
};

// Reads `args` in turn; the first refusal, or none.
std::optional<std::string> ReadOptions(std::span<const char* const> args, const OptionStyle& style, OptionSink& sink);

template <typename Settings>
std::optional<std::string> ReadOptions(std::span<const char* const> args, const OptionTable<Settings>& table,
                                       Settings& settings) {
  class Sink final : public OptionSink {
   public:
    Sink(const OptionTable<Settings>& table, Settings& settings) : table_(table), settings_(settings) {}
    std::size_t Rows() const override { return table_.rows.size(); }
    const OptionRule& Rule(std::size_t row) const override { return table_.rows[row].rule; }
    std::optional<std::string> Apply(std::size_t row, std::string_view value) override {
      return table_.rows[row].apply(settings_, value);
    }
    OperandTaken Operand(std::span<const char* const> from) override { return table_.operand(settings_, from); }

   private:
    const OptionTable<Settings>& table_;
    Settings& settings_;
  };
  Sink sink(table, settings);
  return ReadOptions(args, table.style, sink);
}

// An argument as a refusal quotes it, its control characters shown as '?' so
// that the message stays one line and cannot drive the terminal.
std::string QuotedArgument(std::string_view arg);

}  // namespace trackctl
