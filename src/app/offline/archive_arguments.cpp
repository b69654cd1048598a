#include "app/offline/archive_arguments.h"

#include <string_view>

#include "app/given_options.h"
#include "track/utc_time.h"

namespace trackctl {
namespace {

// An option's name, and its value after '=' or as the next argument (then `i`
// moves past it). `takesValue` says which options have one.
struct Option {
  std::string_view name;
  std::optional<std::string_view> value;
};

template <typename TakesValue>
Option ReadOption(std::span<const char* const> args, std::size_t& i, TakesValue takesValue) {
  const std::string_view arg(args[i]);
  const std::size_t equals = arg.find('=');
  Option option{arg.substr(0, equals), std::nullopt};
  if (!takesValue(option.name)) {
    if (equals != std::string_view::npos) option.value = arg.substr(equals + 1);
    return option;
  }
  if (equals != std::string_view::npos) {
    option.value = arg.substr(equals + 1);
  } else if (i + 1 < args.size()) {
    option.value = args[++i];
  }
  return option;
}

bool IsOption(std::string_view arg) { return arg.size() >= 2 && arg[0] == '-'; }

std::string Error(std::string_view command, const std::string& text) {
  return "trackctl " + std::string(command) + ": " + text;
}

}  // namespace

std::variant<ImportOptions, std::string> ParseImportArguments(std::span<const char* const> args) {
  ImportOptions options;
  GivenOptions given;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg(args[i]);
    if (optionsEnded || !IsOption(arg)) {
      options.files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const Option option = ReadOption(args, i, [](std::string_view name) {
      return name == "--archive" || name == "--utc-offset";
    });
    if (option.name != "--archive" && option.name != "--utc-offset") {
      return Error("import", "unknown option '" + std::string(arg) + "'");
    }
    if (!option.value || option.value->empty()) return Error("import", std::string(option.name) + " needs a value");
    if (auto twice = given.Take(option.name)) return Error("import", *twice);
    if (option.name == "--archive") {
      options.archive = std::string(*option.value);
    } else {
      options.utcOffsetMinutes = ParseUtcOffset(*option.value);
      if (!options.utcOffsetMinutes) {
        return Error("import", "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '" +
                                   std::string(*option.value) + "'");
      }
    }
  }
  if (options.files.empty()) return Error("import", "no logger file given");
  return options;
}

std::variant<ArchiveOptions, std::string> ParseArchiveArguments(std::span<const char* const> args) {
  ArchiveOptions options;
  GivenOptions given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg(args[i]);
    if (!IsOption(arg)) return Error("archive", "unexpected argument '" + std::string(arg) + "'");
    const Option option = ReadOption(args, i, [](std::string_view name) { return name == "--archive"; });
    if (option.name == "--json" && !option.value) {
      options.json = true;
    } else if (option.name == "--archive") {
      if (!option.value || option.value->empty()) return Error("archive", "--archive needs a value");
      options.archive = std::string(*option.value);
    } else {
      return Error("archive", "unknown option '" + std::string(arg) + "'");
    }
    if (auto twice = given.Take(option.name)) return Error("archive", *twice);
  }
  return options;
}

}  // namespace trackctl
