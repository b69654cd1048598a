// The arguments of `trackctl export`:
//   export [--format NAME] [-o OUT] [--utc-offset +HH:MM] [--split-gap MINUTES] FILE...
//   export --archive DB [--device KEY]... [--since T] [--until T] [--format NAME] [--split-gap MINUTES] -o OUT
// with NAME one of the export formats.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <variant>

#include "export/export_options.h"

namespace trackctl {

// The options, or a one-line error without its line end. `args` are the
// arguments after "export". Options take their value as the next argument or
// after '='; "--" ends the options.
std::variant<ExportOptions, std::string> ParseExportArguments(std::span<const char* const> args);

}  // namespace trackctl
