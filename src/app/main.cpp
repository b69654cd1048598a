// trackctl: service console for a GPS/GSM tracking device on a serial port.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

#include "app/command_line.h"
#include "app/export_arguments.h"
#include "app/json_stdout.h"
#include "app/main_menu.h"
#include "app/one_command.h"
#include "app/port_listing.h"
#include "app/port_prompt.h"
#include "app/process_setup.h"
#include "app/stream_console.h"
#include "app/system_clock.h"
#include "protocol/handshake.h"
#include "serial/open_port.h"
#include "serial/program_exit.h"
#include "serial/traced_port.h"

namespace {

using namespace trackctl;

// The port of -p; without it, port 1 for a command and the operator's answer for the menu.
std::unique_ptr<SerialPort> OpenRunPort(const CommandLine& line, Console& console) {
  if (line.port) {
    return OpenPort(line.port->number != 0 ? PortPathForNumber(line.port->number) : PortPathForName(line.port->name));
  }
  if (line.action == CommandLine::Action::kCommand) return OpenPort(PortPathForNumber(kFirstPort));
  return OpenComPort(console);
}

}  // namespace

int main(int argc, char** argv) {
  const char* const* args = argv + 1;
  const CommandLine line = ParseCommandLine({args, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
  if (line.action == CommandLine::Action::kListPorts) return ShowPortList();
  if (line.action == CommandLine::Action::kExport) {
    PrepareProcess();
    return RunExportCommand(line.exportArgs);
  }
  if (line.action != CommandLine::Action::kMenu && line.action != CommandLine::Action::kCommand) {
    return ShowCommandLineAnswer(line);
  }

  if (line.action == CommandLine::Action::kCommand) {
    if (const std::optional<int> status = RefuseBeforeOpening(line.command)) return *status;
  }

  PrepareProcess();
  try {
    std::optional<JsonStdout> json;
    if (line.json) json.emplace();
    TraceFile trace = OpenTraceFile(std::getenv("TRACKCTL_TRACE"));
    StreamConsole console(MakeTerminal());
    std::unique_ptr<SerialPort> port = OpenRunPort(line, console);
    if (trace) port = std::make_unique<TracedPort>(std::move(port), std::move(trace));
    SystemClock clock;
    RandomGenerator random;
    Session session{*port, clock, random};

    std::printf("Initializing Device : Started...");
    const std::optional<InitFields> device = InitializeDevice(session);
    if (!device) {
      std::printf("Failure in Device Initialization...\nQuiting Application...\nTry Again...");
      EndProgram(1);
    }
    std::printf("\nInitializing Device : Done...\n");
    if (line.action == CommandLine::Action::kCommand) {
      return RunOneCommand(session, line.command, *device, json ? &*json : nullptr);
    }
    RunMainMenu(session, console);
  } catch (const ProgramExit& exit) {
    std::fflush(stdout);
    return exit.status;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "\ntrackctl: %s\n", error.what());
    return 1;
  }
}
