#include "app/offline/archive_arguments.h"

#include <string_view>

#include "app/option_reader.h"
#include "track/utc_time.h"

namespace trackctl {
namespace {

using Refusal = std::optional<std::string>;

std::string Error(std::string_view command, const std::string& text) {
  return "trackctl " + std::string(command) + ": " + text;
}

Refusal SetUtcOffset(ImportOptions& options, std::string_view value) {
  options.utcOffsetMinutes = ParseUtcOffset(value);
  if (options.utcOffsetMinutes) return std::nullopt;
  return "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '" + std::string(value) + "'";
}

constexpr OptionRow<ImportOptions> kImportOptions[] = {
    {{.name = "--archive", .value = Value::kNotEmpty, .equals = true}, SetValue<&ImportOptions::archive>},
    {{.name = "--utc-offset", .value = Value::kNotEmpty, .equals = true}, SetUtcOffset},
};

OperandTaken TakeFile(ImportOptions& options, std::span<const char* const> from) {
  options.files.emplace_back(from.front());
  return {};
}

constexpr OptionTable<ImportOptions> kImportTable{{}, kImportOptions, TakeFile};

constexpr OptionRow<ArchiveOptions> kArchiveOptions[] = {
    {{.name = "--archive", .value = Value::kNotEmpty, .equals = true}, SetValue<&ArchiveOptions::archive>},
    {{.name = "--json"}, SetSwitch<&ArchiveOptions::json>},
};

// The summary takes options only, and "--" ends nothing.
OperandTaken RefuseOperand(ArchiveOptions&, std::span<const char* const> from) {
  return {.problem = "unexpected argument '" + std::string(from.front()) + "'"};
}

constexpr OptionTable<ArchiveOptions> kArchiveTable{{.dashDashEnds = false}, kArchiveOptions, RefuseOperand};

}  // namespace

std::variant<ImportOptions, std::string> ParseImportArguments(std::span<const char* const> args) {
  ImportOptions options;
  if (const Refusal problem = ReadOptions(args, kImportTable, options)) return Error("import", *problem);
  if (options.files.empty()) return Error("import", "no logger file given");
  return options;
}

std::variant<ArchiveOptions, std::string> ParseArchiveArguments(std::span<const char* const> args) {
  ArchiveOptions options;
  if (const Refusal problem = ReadOptions(args, kArchiveTable, options)) return Error("archive", *problem);
  return options;
}

}  // namespace trackctl
