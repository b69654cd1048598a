// What an export is asked to do, and the names that follow from it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackctl {

enum class ExportFormat { kGpx, kKml, kGeoJson, kCsv, kSvg };

inline constexpr int kDefaultSplitGapMinutes = 10;

struct ExportOptions {
  ExportFormat format = ExportFormat::kGpx;
  std::vector<std::string> files;  // logger files, a track each
  std::string output;              // the file written
  std::optional<int> utcOffsetMinutes;  // the device clock's offset from UTC; none: this machine's zone
  int splitGapMinutes = kDefaultSplitGapMinutes;
};

// "gpx", "kml", "geojson", "csv" or "svg".
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

// ".gpx", ".kml", ".geojson", ".csv" or ".svg".
std::string_view FileExtension(ExportFormat format);

// `file` with its extension, if it has one, replaced by the format's.
std::string DefaultOutputName(std::string_view file, ExportFormat format);

// The track's name for a logger file: "<key> SMS sector (downloaded <date> <time>)"
// (or DataCall sector) for a name that a download gives, otherwise the name
// without its folder and extension.
std::string TrackName(std::string_view file);

}  // namespace trackctl
