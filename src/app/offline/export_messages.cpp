#include "app/offline/export_messages.h"

#include <cstdlib>

#include "track/zone_name.h"

namespace trackctl {
namespace {

std::string Count(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// " (empty date: 1, hour 24 or more: 1)", or nothing when no point was left out.
std::string Problems(const ExportCounts& counts) {
  std::string text;
  for (std::size_t i = 1; i < counts.leftOut.size(); ++i) {
    if (counts.leftOut[i] == 0) continue;
    text += text.empty() ? " (" : ", ";
    text += std::string(ProblemText(static_cast<PointProblem>(i))) + ": " + std::to_string(counts.leftOut[i]);
  }
  return text.empty() ? text : text + ")";
}

}  // namespace

std::string SummaryLine(const ExportCounts& counts, const ExportFormat& format, std::string_view output) {
  std::string line = "trackctl export: " + std::string(output == "-" ? "standard output" : output) + ": ";
  const std::size_t leftOut = counts.LeftOutTotal();
  if (format.rows) {
    line += Count(counts.points + leftOut, "row", "rows");
    if (leftOut > 0) line += "; " + std::to_string(leftOut) + " without a valid time or place" + Problems(counts);
  } else {
    line += Count(counts.points, "point", "points") + " in " + Count(counts.tracks, "track", "tracks") + " and " +
            Count(counts.segments, "segment", "segments");
    if (leftOut > 0) line += "; " + std::to_string(leftOut) + " left out" + Problems(counts);
  }
  if (counts.notLoggerLines > 0) {
    line += "; " + Count(counts.notLoggerLines, "line not a logger line", "lines not logger lines");
  }
  return line;
}

std::string FailureLine(const ExportFailure& failure) {
  const std::string& file = failure.file;
  std::string line = "trackctl export: ";
  switch (failure.kind) {
    case ExportFailure::Kind::kOutputIsAFolder: return line + "cannot write " + file + ": a folder, not a file";
    case ExportFailure::Kind::kOutputIsAnInput: return line + file + " would be written over its own input";
    case ExportFailure::Kind::kCannotCreate: line += "cannot create a file beside " + file; break;
    case ExportFailure::Kind::kCannotRead: line += "cannot read " + file; break;
    case ExportFailure::Kind::kCannotWrite: line += "cannot write " + file; break;
  }
  return line + ": " + failure.reason;
}

std::string NoTrackLine(std::string_view file) {
  return "trackctl export: " + std::string(file) + ": no logger line, so no track";
}

std::optional<std::string> UnknownZoneLine(std::string_view command) {
  const char* tz = std::getenv("TZ");
  if (tz == nullptr || ZoneNameIsKnown(tz, ZoneFolder(std::getenv("TZDIR")))) return std::nullopt;
  std::string shown;
  for (const char c : std::string_view(tz)) shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
  return "trackctl " + std::string(command) + ": warning: TZ names an unknown time zone, '" + shown +
         "'; local times are taken as UTC";
}

}  // namespace trackctl
