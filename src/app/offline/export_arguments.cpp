#include "app/offline/export_arguments.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "app/option_reader.h"
#include "archive/archive_time.h"
#include "export/export_formats.h"
#include "track/utc_time.h"

namespace trackctl {
namespace {

constexpr int kMaxSplitGapMinutes = 9'999'999;

std::string Error(const std::string& text) { return "trackctl export: " + text; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> ParseMinutes(std::string_view text) {
  if (text.empty() || text.size() > 7) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value <= kMaxSplitGapMinutes ? std::optional<int>(value) : std::nullopt;
}

using Refusal = std::optional<std::string>;

Refusal SetFormat(ExportOptions& options, std::string_view value) {
  const ExportFormat* format = ExportFormatNamed(value);
  if (format == nullptr) return "unknown format '" + std::string(value) + "' (" + ExportFormatNames(", ", " or ") + ")";
  options.format = format;
  return std::nullopt;
}

Refusal SetOutput(ExportOptions& options, std::string_view value) {
  if (value.empty()) return "-o needs a file name";
  options.output = value;
  return std::nullopt;
}

Refusal SetUtcOffset(ExportOptions& options, std::string_view value) {
  options.utcOffsetMinutes = ParseUtcOffset(value);
  if (options.utcOffsetMinutes) return std::nullopt;
  return "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '" + std::string(value) + "'";
}

Refusal SetSplitGap(ExportOptions& options, std::string_view value) {
  const std::optional<int> minutes = ParseMinutes(value);
  if (!minutes) {
    return "--split-gap wants a whole number of minutes from 0 to " + std::to_string(kMaxSplitGapMinutes) +
           ", not '" + std::string(value) + "'";
  }
  options.splitGapMinutes = *minutes;
  return std::nullopt;
}

Refusal SetArchive(ExportOptions& options, std::string_view value) {
  if (value.empty()) return "--archive needs a value";
  options.fromArchive = true;
  options.archive = value;
  return std::nullopt;
}

Refusal AddDevice(ExportOptions& options, std::string_view value) {
  if (value.empty()) return "--device needs a value";
  options.fromArchive = true;
  // A device named twice is one track.
  if (std::find(options.devices.begin(), options.devices.end(), value) == options.devices.end()) {
    options.devices.emplace_back(value);
  }
  return std::nullopt;
}

// --since and --until: a bound of an export from the archive, in the stored form.
template <BoundEnd kEnd>
Refusal SetBound(ExportOptions& options, std::string_view value) {
  const char* name = kEnd == BoundEnd::kFirst ? "--since" : "--until";
  const std::optional<std::string> bound = TimeBound(value, kEnd);
  if (!bound) {
    return std::string(name) + " wants a UTC date, YYYY-MM-DD, or a time with its zone, "
           "YYYY-MM-DDThh:mm:ssZ or YYYY-MM-DDThh:mm:ss+HH:MM, not '" + std::string(value) + "'";
  }
  options.fromArchive = true;
  (kEnd == BoundEnd::kFirst ? options.since : options.until) = bound;
  return std::nullopt;
}

// Every option takes its value as the next argument or after '='; only
// --device gathers its values.
constexpr OptionRow<ExportOptions> kExportOptions[] = {
    {{.name = "--format", .value = Value::kAny, .equals = true}, SetFormat},
    {{.name = "-o", .value = Value::kAny, .equals = true}, SetOutput},
    {{.name = "--utc-offset", .value = Value::kAny, .equals = true}, SetUtcOffset},
    {{.name = "--split-gap", .value = Value::kAny, .equals = true}, SetSplitGap},
    {{.name = "--archive", .value = Value::kAny, .equals = true}, SetArchive},
    {{.name = "--device", .value = Value::kAny, .equals = true, .repeat = Repeat::kAny}, AddDevice},
    {{.name = "--since", .value = Value::kAny, .equals = true}, SetBound<BoundEnd::kFirst>},
    {{.name = "--until", .value = Value::kAny, .equals = true}, SetBound<BoundEnd::kLast>},
};

OperandTaken TakeFile(ExportOptions& options, std::span<const char* const> from) {
  options.files.emplace_back(from.front());
  return {};
}

constexpr OptionTable<ExportOptions> kExportTable{{}, kExportOptions, TakeFile};

}  // namespace

std::variant<ExportOptions, std::string> ParseExportArguments(std::span<const char* const> args) {
  ExportOptions options;
  if (const Refusal problem = ReadOptions(args, kExportTable, options)) return Error(*problem);
  if (options.fromArchive) {
    if (!options.files.empty()) return Error("an export from the archive takes no logger file: '" + options.files.front() + "'");
    if (options.output.empty()) return Error("-o OUT is needed for an export from the archive");
    // Both in the stored form, which sorts as the times do.
    if (options.since && options.until && *options.since > *options.until) {
      return Error("--since " + *options.since + " is after --until " + *options.until + ": no time is in between");
    }
    return options;
  }
  if (options.files.empty()) return Error("no logger file given");
  if (options.output.empty()) {
    if (options.files.size() > 1) return Error("-o OUT is needed for more than one file");
    options.output = DefaultOutputName(options.files.front(), *options.format);
  }
  return options;
}

}  // namespace trackctl
