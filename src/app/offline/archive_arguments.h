// The arguments of the archive's commands:
//   import [--archive DB] [--utc-offset +HH:MM] FILE...
//   archive [--archive DB] [--json]
// Options take their value as the next argument or after '='; "--" ends them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace trackctl {

struct ImportOptions {
  std::optional<std::string> archive;
  std::optional<int> utcOffsetMinutes;  // none: this machine's zone
  std::vector<std::string> files;
};

struct ArchiveOptions {
  std::optional<std::string> archive;
  bool json = false;
};

// The options, or a one-line error without its line end.
std::variant<ImportOptions, std::string> ParseImportArguments(std::span<const char* const> args);
std::variant<ArchiveOptions, std::string> ParseArchiveArguments(std::span<const char* const> args);

}  // namespace trackctl
