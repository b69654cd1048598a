#include "app/program_commands.h"

#include "app/offline/archive_command.h"
#include "app/offline/import_command.h"
#include "app/offline/export_command.h"

namespace trackctl {
namespace {

constexpr ProgramCommand kCommands[] = {
    {"export", CommandLine::Action::kExport, RunExportCommand},
    {"import", CommandLine::Action::kImport, RunImportCommand},
    {"archive", CommandLine::Action::kArchive, RunArchiveCommand},
};

}  // namespace

const ProgramCommand* FindProgramCommand(std::string_view word) {
  for (const ProgramCommand& command : kCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

}  // namespace trackctl
