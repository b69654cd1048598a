#include "export/export_options.h"

#include "track/utc_time.h"
#include "logger/logger_file_name.h"

namespace trackctl {
namespace {

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

std::string DefaultOutputName(std::string_view file, const ExportFormat& format) {
  return std::string(file.substr(0, ExtensionStart(file))) + std::string(format.extension);
}

std::string TrackName(std::string_view file) {
  const std::string_view base = BaseName(file);
  if (const std::optional<LoggerFileNameParts> name = ReadLoggerFileName(base)) {
    std::string track = name->serialKey + (name->sectorLetter == 'P' ? " SMS" : " DataCall") + " sector (downloaded ";
    AppendDateTime(track, name->downloaded, ' ');
    return track + ")";
  }
  return std::string(base.substr(0, ExtensionStart(base)));
}

}  // namespace trackctl
