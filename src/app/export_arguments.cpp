#include "app/export_arguments.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string_view>
#include <vector>

#include "app/export_messages.h"
#include "app/process_setup.h"
#include "export/run_export.h"
#include "export/zone_name.h"

namespace trackctl {
namespace {

constexpr int kMaxSplitGapMinutes = 9'999'999;

std::string Error(const std::string& text) { return "trackctl export: " + text; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "+HH:MM" or "-HH:MM", hours 00 to 23, in minutes.
std::optional<int> ParseUtcOffset(std::string_view text) {
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return std::nullopt;
  for (const std::size_t i : {1u, 2u, 4u, 5u}) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  const int hours = (text[1] - '0') * 10 + (text[2] - '0');
  const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
  if (hours > 23 || minutes > 59) return std::nullopt;
  return (text[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

std::optional<int> ParseMinutes(std::string_view text) {
  if (text.empty() || text.size() > 7) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value <= kMaxSplitGapMinutes ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

std::variant<ExportOptions, std::string> ParseExportArguments(std::span<const char* const> args) {
  ExportOptions options;
  std::vector<std::string_view> given;  // the options seen so far
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg(args[i]);
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // The option's name, and its value after '=' or as the next argument.
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    std::optional<std::string_view> value;
    if (equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[i + 1];
    }
    if (name != "--format" && name != "-o" && name != "--utc-offset" && name != "--split-gap") {
      return Error("unknown option '" + std::string(arg) + "'");
    }
    if (!value) return Error(std::string(name) + " needs a value");
    if (equals == std::string_view::npos) ++i;
    // Each option takes one value: a second one is refused, not silently taken.
    if (std::find(given.begin(), given.end(), name) != given.end()) return Error(std::string(name) + " is given twice");
    given.push_back(name);

    if (name == "--format") {
      const ExportFormat* format = ExportFormatNamed(*value);
      if (format == nullptr) {
        return Error("unknown format '" + std::string(*value) + "' (" + ExportFormatNames(", ", " or ") + ")");
      }
      options.format = format;
    } else if (name == "-o") {
      if (value->empty()) return Error("-o needs a file name");
      options.output = *value;
    } else if (name == "--utc-offset") {
      const std::optional<int> offset = ParseUtcOffset(*value);
      if (!offset) return Error("--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '" + std::string(*value) + "'");
      options.utcOffsetMinutes = offset;
    } else {
      const std::optional<int> minutes = ParseMinutes(*value);
      if (!minutes) {
        return Error("--split-gap wants a whole number of minutes from 0 to " + std::to_string(kMaxSplitGapMinutes) +
                     ", not '" + std::string(*value) + "'");
      }
      options.splitGapMinutes = *minutes;
    }
  }
  if (options.files.empty()) return Error("no logger file given");
  if (options.output.empty()) {
    if (options.files.size() > 1) return Error("-o OUT is needed for more than one file");
    options.output = DefaultOutputName(options.files.front(), *options.format);
  }
  return options;
}

int RunExportCommand(std::span<const char* const> args) {
  const auto parsed = ParseExportArguments(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s (usage: trackctl --help)\n", error->c_str());
    return 2;
  }
  const ExportOptions& options = std::get<ExportOptions>(parsed);
  if (!options.utcOffsetMinutes) {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr && !ZoneNameIsKnown(tz, ZoneFolder(std::getenv("TZDIR")))) {
      std::fprintf(stderr, "%s\n", UnknownZoneLine(tz).c_str());
    }
  }
  if (options.output == "-") MakeStandardOutputBinary();
  try {
    std::size_t withoutTrack = 0;
    const auto result = RunExport(
        options,
        [](const std::string& file, std::size_t line) {
          std::fprintf(stderr, "%s:%zu: not a logger line\n", file.c_str(), line);
        },
        [&withoutTrack](const std::string& file) {
          ++withoutTrack;
          std::fprintf(stderr, "%s\n", NoTrackLine(file).c_str());
        });
    if (const ExportFailure* failure = std::get_if<ExportFailure>(&result)) {
      std::fprintf(stderr, "%s\n", FailureLine(*failure).c_str());
      return 2;
    }
    const ExportCounts& counts = std::get<ExportCounts>(result);
    std::fprintf(stderr, "%s\n", SummaryLine(counts, *options.format, options.output).c_str());
    return counts.notLoggerLines > 0 || withoutTrack > 0 ? 1 : 0;
  } catch (const std::exception& error) {  // no memory, or a name the system cannot take
    std::fprintf(stderr, "trackctl export: %s\n", error.what());
    return 2;
  }
}

}  // namespace trackctl
