// The arguments of `trackctl export`:
//   export [--format NAME] [-o OUT] [--utc-offset +HH:MM] [--split-gap MINUTES] FILE...
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

// Parses the arguments and runs the export. Standard error gets each line that is
// not a logger line ("FILE:LINE: not a logger line") when it is met, then the
// summary, or one line that says why the export stopped. Returns the exit
// status: 0, 1 when some line was not a logger line (the rest is written), 2
// when an argument is refused, a file cannot be read, the output names a folder
// or cannot be written, or on an exception.
int RunExportCommand(std::span<const char* const> args);

}  // namespace trackctl
