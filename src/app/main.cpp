// trackctl: service console for a GPS/GSM tracking device on a serial port.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/command_line.h"
#include "app/export_arguments.h"
#include "app/main_menu.h"
#include "app/process_setup.h"
#include "app/stream_console.h"
#include "app/system_clock.h"
#include "protocol/handshake.h"
#include "serial/open_port.h"
#include "serial/program_exit.h"
#include "serial/traced_port.h"

int main(int argc, char** argv) {
  using namespace trackctl;
  const char* const* args = argv + 1;
  const CommandLine line = ParseCommandLine({args, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
  if (line.action == CommandLine::Action::kExport) {
    PrepareProcess();
    return RunExportCommand(line.commandArgs);
  }
  if (line.action != CommandLine::Action::kRun) return ShowCommandLineAnswer(line);

  PrepareProcess();
  try {
    TraceFile trace = OpenTraceFile(std::getenv("TRACKCTL_TRACE"));
    StreamConsole console(MakeTerminal());
    std::unique_ptr<SerialPort> port = OpenComPort(console);
    if (trace) port = std::make_unique<TracedPort>(std::move(port), std::move(trace));
    SystemClock clock;
    RandomGenerator random;
    Session session{*port, console, clock, random};

    std::printf("Initializing Device : Started...");
    if (!InitializeDevice(session)) {
      std::printf("Failure in Device Initialization...\nQuiting Application...\nTry Again...");
      EndProgram(1);
    }
    std::printf("\nInitializing Device : Done...\n");
    RunMainMenu(session);
  } catch (const ProgramExit& exit) {
    std::fflush(stdout);
    return exit.status;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "\ntrackctl: %s\n", error.what());
    return 1;
  }
}
