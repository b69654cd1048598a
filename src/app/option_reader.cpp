#include "app/option_reader.h"

#include <vector>

namespace trackctl {
namespace {

bool IsOption(std::string_view arg) { return arg.size() >= 2 && arg[0] == '-'; }

bool Spells(const OptionRule& rule, std::string_view name) {
  return name == rule.name || (!rule.alias.empty() && name == rule.alias);
}

// The row that an option argument names, the spelling it is named by, and its
// value when the argument holds it.
struct Named {
  std::size_t row = 0;
  std::string_view spelling;
  std::optional<std::string_view> joined;
};

std::optional<Named> Name(const OptionSink& sink, std::string_view arg) {
  for (std::size_t row = 0; row < sink.Rows(); ++row) {
    if (Spells(sink.Rule(row), arg)) return Named{row, arg, std::nullopt};
  }
  for (std::size_t row = 0; row < sink.Rows(); ++row) {
    const OptionRule& rule = sink.Rule(row);
    if (rule.attached && arg.starts_with(rule.alias)) return Named{row, rule.alias, arg.substr(rule.alias.size())};
  }
  const std::size_t equals = arg.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  const std::string_view name = arg.substr(0, equals);
  for (std::size_t row = 0; row < sink.Rows(); ++row) {
    const OptionRule& rule = sink.Rule(row);
    if (rule.equals && Spells(rule, name)) return Named{row, name, arg.substr(equals + 1)};
  }
  return std::nullopt;
}

std::string UnknownOption(const OptionStyle& style, std::string_view arg) {
  return "unknown option " + (style.program ? QuotedArgument(arg) : "'" + std::string(arg) + "'");
}

std::string NeedsValue(const OptionStyle& style, std::string_view spelling) {
  return (style.program ? "option " : "") + std::string(spelling) + " needs a value";
}

// The value of an option that takes one: joined to it, or the next argument
// (then `i` moves past it); none when there is none that it takes.
std::optional<std::string_view> ValueOf(const OptionRule& rule, const Named& named, std::span<const char* const> args,
                                        std::size_t& i) {
  const bool anyValue = rule.value == Value::kAny;
  if (named.joined) {
    if (named.joined->empty() && !anyValue) return std::nullopt;
    return named.joined;
  }
  if (i + 1 == args.size()) return std::nullopt;
  const std::string_view next(args[i + 1]);
  if (next.empty() && !anyValue) return std::nullopt;
  if (rule.value == Value::kNoOption && next.starts_with('-')) return std::nullopt;
  ++i;
  return next;
}

}  // namespace

std::optional<std::string> ReadOptions(std::span<const char* const> args, const OptionStyle& style, OptionSink& sink) {
  std::vector<bool> given(sink.Rows(), false);
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg(args[i]);
    if (optionsEnded || !IsOption(arg)) {
      OperandTaken taken = sink.Operand(args.subspan(i));
      if (taken.problem) return taken.problem;
      if (taken.endsReading) return std::nullopt;
      continue;
    }
    if (style.dashDashEnds && arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::optional<Named> named = Name(sink, arg);
    if (!named) return UnknownOption(style, arg);
    const OptionRule& rule = sink.Rule(named->row);
    std::string_view value;
    if (rule.value != Value::kNone) {
      const std::optional<std::string_view> found = ValueOf(rule, *named, args, i);
      if (!found) return NeedsValue(style, named->spelling);
      value = *found;
    }
    if (rule.repeat == Repeat::kOnce && given[named->row]) return "option " + std::string(rule.name) + " is given twice";
    given[named->row] = true;
    if (std::optional<std::string> problem = sink.Apply(named->row, value)) return problem;
  }
  return std::nullopt;
}

std::string QuotedArgument(std::string_view arg) {
  std::string text = "'";
  for (const char c : arg) text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return text + "'";
}

}  // namespace trackctl
