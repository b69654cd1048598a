// trackctl: service console for a GPS/GSM tracking device on a serial port.
#include <span>

#include "app/device/command_line.h"
#include "app/device/port_listing.h"
#include "app/device/port_run.h"
#include "app/process_setup.h"
#include "app/program_commands.h"

int main(int argc, char** argv) {
  using namespace trackctl;
  const std::span<const char* const> args(argv + 1, argc > 0 ? static_cast<std::size_t>(argc - 1) : 0);
  CommandLine line = ParseCommandLine(args);
  // A command that reads its own arguments runs from its row.
  if (line.program != nullptr) {
    PrepareProcess();
    return line.program->run(line.ownArgs);
  }
  switch (line.action) {
    case CommandLine::Action::kListPorts:
      return ShowPortList(line.json);
    case CommandLine::Action::kMenu:
    case CommandLine::Action::kCommand:
      return RunOnPort(line);
    default:
      return ShowCommandLineAnswer(line);
  }
}
