#include "export/export_options.h"

#include <array>
#include <utility>

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

bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
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

// A download names its file "%s_%c%04d%02d%02d%02d%02d%02d.dat": the serial key,
// 'P' (SMS sector) or 'O' (DataCall sector) and the local date and time.
std::string TrackName(std::string_view file) {
  const std::string_view base = BaseName(file);
  constexpr std::size_t kStampLength = std::string_view("_P20050612143005.dat").size();
  if (base.size() > kStampLength && base.ends_with(".dat")) {
    const std::string_view key = base.substr(0, base.size() - kStampLength);
    const std::string_view stamp = base.substr(key.size());
    const std::string_view digits = stamp.substr(2, 14);
    if (stamp[0] == '_' && (stamp[1] == 'P' || stamp[1] == 'O') && AllDigits(digits)) {
      return std::string(key) + (stamp[1] == 'P' ? " SMS" : " DataCall") + " sector (downloaded " +
             std::string(digits.substr(0, 4)) + "-" + std::string(digits.substr(4, 2)) + "-" +
             std::string(digits.substr(6, 2)) + " " + std::string(digits.substr(8, 2)) + ":" +
             std::string(digits.substr(10, 2)) + ":" + std::string(digits.substr(12, 2)) + ")";
    }
  }
  const std::size_t extension = ExtensionStart(base);
  return std::string(base.substr(0, extension));
}

}  // namespace trackctl
