// The arguments of `trackctl export`:
//   export [--format NAME] [-o OUT] [--utc-offset +HH:MM] [--split-gap MINUTES] FILE...
// with NAME one of the export formats.
#pragma once

#include <span>
#include <string>
#include <variant>

#include "export/export_options.h"

namespace trackctl {

// The options, or a one-line error without its line end. `args` are the
// arguments after "export". Options take their value as the next argument or
// after '='; "--" ends the options.
std::variant<ExportOptions, std::string> ParseExportArguments(std::span<const char* const> args);

// Parses the arguments and runs the export; a refused argument is one line on
// standard error and status 2, as is an exception.
int RunExportCommand(std::span<const char* const> args);

}  // namespace trackctl
