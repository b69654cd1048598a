#include "app/offline/export_arguments.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>
#include <vector>

#include "app/given_options.h"
#include "app/offline/archive_messages.h"
#include "app/offline/export_messages.h"
#include "app/process_setup.h"
#include "app/offline/archive_export.h"
#include "archive/archive_time.h"
#include "archive/open_archive.h"
#include "export/run_export.h"
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

// The export from the archive, its summary or why it stopped; the status.
int RunArchiveExportCommand(const ExportOptions& options) {
  const std::string path = ArchivePath(options.archive);
  auto opened = OpenArchive(path, ArchiveAccess::kRead);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) {
    std::fprintf(stderr, "%s\n", ArchiveErrorLine("export", path, *error).c_str());
    return 2;
  }
  const auto result =
      RunArchiveExport(*std::get<std::unique_ptr<Archive>>(opened), path, options);
  if (const ExportFailure* failure = std::get_if<ExportFailure>(&result)) {
    std::fprintf(stderr, "%s\n", FailureLine(*failure).c_str());
    return 2;
  }
  std::fprintf(stderr, "%s\n", SummaryLine(std::get<ExportCounts>(result), *options.format, options.output).c_str());
  return 0;
}

}  // namespace

std::variant<ExportOptions, std::string> ParseExportArguments(std::span<const char* const> args) {
  ExportOptions options;
  GivenOptions given({"--device"});
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
    if (name != "--format" && name != "-o" && name != "--utc-offset" && name != "--split-gap" &&
        name != "--archive" && name != "--device" && name != "--since" && name != "--until") {
      return Error("unknown option '" + std::string(arg) + "'");
    }
    if (!value) return Error(std::string(name) + " needs a value");
    if (equals == std::string_view::npos) ++i;
    if (auto twice = given.Take(name)) return Error(*twice);

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
    } else if (name == "--archive" || name == "--device") {
      if (value->empty()) return Error(std::string(name) + " needs a value");
      options.fromArchive = true;
      if (name == "--archive") {
        options.archive = *value;
      } else if (std::find(options.devices.begin(), options.devices.end(), *value) == options.devices.end()) {
        options.devices.emplace_back(*value);  // a device named twice is one track
      }
    } else if (name == "--since" || name == "--until") {
      const std::optional<std::string> bound = TimeBound(*value, name == "--since" ? BoundEnd::kFirst : BoundEnd::kLast);
      if (!bound) {
        return Error(std::string(name) + " wants a UTC date, YYYY-MM-DD, or a time with its zone, "
                     "YYYY-MM-DDThh:mm:ssZ or YYYY-MM-DDThh:mm:ss+HH:MM, not '" + std::string(*value) + "'");
      }
      options.fromArchive = true;
      (name == "--since" ? options.since : options.until) = bound;
    } else {
      const std::optional<int> minutes = ParseMinutes(*value);
      if (!minutes) {
        return Error("--split-gap wants a whole number of minutes from 0 to " + std::to_string(kMaxSplitGapMinutes) +
                     ", not '" + std::string(*value) + "'");
      }
      options.splitGapMinutes = *minutes;
    }
  }
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

int RunExportCommand(std::span<const char* const> args) {
  const auto parsed = ParseExportArguments(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s (usage: trackctl --help)\n", error->c_str());
    return 2;
  }
  ExportOptions options = std::get<ExportOptions>(parsed);
  options.standardOutput = stdout;
  if (!options.utcOffsetMinutes) {
    if (const std::optional<std::string> warning = UnknownZoneLine("export")) std::fprintf(stderr, "%s\n", warning->c_str());
  }
  if (options.output == "-") MakeStandardOutputBinary();
  try {
    if (options.fromArchive) return RunArchiveExportCommand(options);
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
