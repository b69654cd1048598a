#include "export/export_options.h"

#include <array>
#include <cstdio>
#include <utility>

#include "logger/logger_file_name.h"

namespace trackctl {
namespace {

constexpr std::array<std::pair<std::string_view, ExportFormat>, 5> kFormats = {{
    {"gpx", ExportFormat::kGpx},
    {"kml", ExportFormat::kKml},
    {"geojson", ExportFormat::kGeoJson},
    {"csv", ExportFormat::kCsv},
    {"svg", ExportFormat::kSvg},
}};

// The part of `file` after its last folder separator.
std::string_view BaseName(std::string_view file) {
  const std::size_t slash = file.find_last_of("/\\");
  return slash == std::string_view::npos ? file : file.substr(slash + 1);
}

// Where the extension of `file` begins: its base name's last '.', not its first
// character; npos when it has none.
std::size_t ExtensionStart(std::string_view file) {
  const std::size_t base = file.size() - BaseName(file).size();
  const std::size_t dot = file.rfind('.');
  return dot != std::string_view::npos && dot > base ? dot : std::string_view::npos;
}

}  // namespace

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  for (const auto& [text, format] : kFormats) {
    if (text == name) return format;
  }
  return std::nullopt;
}

std::string_view FileExtension(ExportFormat format) {
  switch (format) {
    case ExportFormat::kGpx: return ".gpx";
    case ExportFormat::kKml: return ".kml";
    case ExportFormat::kGeoJson: return ".geojson";
    case ExportFormat::kCsv: return ".csv";
    case ExportFormat::kSvg: return ".svg";
  }
  return "";
}

std::string DefaultOutputName(std::string_view file, ExportFormat format) {
  return std::string(file.substr(0, ExtensionStart(file))) + std::string(FileExtension(format));
}

std::string TrackName(std::string_view file) {
  const std::string_view base = BaseName(file);
  if (const std::optional<LoggerFileNameParts> name = ReadLoggerFileName(base)) {
    const LocalDateTime& at = name->downloaded;
    char downloaded[80];
    std::snprintf(downloaded, sizeof downloaded, "%04d-%02d-%02d %02d:%02d:%02d", at.year, at.month, at.day, at.hour,
                  at.minute, at.second);
    return name->serialKey + (name->sectorLetter == 'P' ? " SMS" : " DataCall") + " sector (downloaded " +
           downloaded + ")";
  }
  return std::string(base.substr(0, ExtensionStart(base)));
}

}  // namespace trackctl
