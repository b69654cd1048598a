// Names of logger files: serial key, sector letter and the local date and time,
// written for a download and read back for the export.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/timewords.h"

namespace trackctl {

// True when the key can stand in a file name without leading out of the working
// folder: no '/', '\\' or ':' and no control character.
bool IsSafeKeyForFileName(std::string_view serialKey);

// "%s_%c%04d%02d%02d%02d%02d%02d.dat"; nothing when the key is not safe.
std::optional<std::string> LoggerFileName(std::string_view serialKey, char sectorLetter,
                                          const LocalDateTime& now);

struct LoggerFileNameParts {
  std::string serialKey;
  char sectorLetter = 'P';  // 'P' SMS sector, 'O' DataCall sector
  LocalDateTime downloaded;
};

// The parts of `name`, a file name without its folder, when it has the form
// above with a key of at least one character; nothing otherwise.
std::optional<LoggerFileNameParts> ReadLoggerFileName(std::string_view name);

}  // namespace trackctl
