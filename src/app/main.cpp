// trackctl: service console for a GPS/GSM tracking device on a serial port.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

#include "app/command_line.h"
#include "app/console_report.h"
#include "app/export_arguments.h"
#include "app/main_menu.h"
#include "app/one_command.h"
#include "app/port_listing.h"
#include "app/port_prompt.h"
#include "app/process_setup.h"
#include "app/program_exit.h"
#include "app/stream_console.h"
#include "app/system_clock.h"
#include "app/terminal.h"
#include "protocol/handshake.h"
#include "serial/traced_port.h"

namespace {

using namespace trackctl;

// The port of -p; without it, port 1 for a command and the operator's answer for the menu.
OpenedPort OpenRunPort(const CommandLine& line, ConsoleReport& say, Console& console) {
  if (line.port) {
    return OpenPort(line.port->number != 0 ? PortPathForNumber(line.port->number) : PortPathForName(line.port->name));
  }
  if (line.action == CommandLine::Action::kCommand) return OpenPort(PortPathForNumber(kFirstPort));
  return OpenComPort(say, console);
}

// The file that TRACKCTL_TRACE names, opened for appending; none when it names
// none, and none with one warning when it cannot be opened.
TraceFile OpenTraceFile(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  TraceFile file(std::fopen(path, "a"));
  if (!file) {
    std::fprintf(stderr, "trackctl: cannot open the trace file %s (%s); running without a trace\n", path,
                 std::strerror(errno));
  }
  return file;
}

// Opens the port, wakes the device and runs the menu or the one command.
int RunDevice(const CommandLine& line, ConsoleReport& say) {
  TraceFile trace = OpenTraceFile(std::getenv("TRACKCTL_TRACE"));
  StreamConsole console(MakeTerminal());
  OpenedPort opened = OpenRunPort(line, say, console);
  if (opened.ready) say.Say("Initializing %s.......DONE\n", opened.path.c_str());
  std::unique_ptr<SerialPort> port = std::move(opened.port);
  if (trace) port = std::make_unique<TracedPort>(std::move(port), std::move(trace));
  SystemClock clock;
  RandomGenerator random;
  Session session{*port, clock, random, say};

  say.Say("Initializing Device : Started...");
  const InitAnswer device = InitializeDevice(session);
  switch (device.kind) {
    case InitAnswer::Kind::kAccepted:
      say.Say("\nReceived OK response from device...");
      say.Say("\nSerial key of Device = %s", say.Device(session.serialKey.data()).c_str());
      say.Say("\nVersion Number = %s:%s:%s", say.Device(device.fields.version[0]).c_str(),
              say.Device(device.fields.version[1]).c_str(), say.Device(device.fields.version[2]).c_str());
      say.Say("\nDevice type = %s", say.Device(device.fields.deviceType).c_str());
      break;
    case InitAnswer::Kind::kInitError:
      say.Say("Error in initializing the device...\n");
      break;
    case InitAnswer::Kind::kUnexpected:
      say.Say("Device Initialization Failed...\n");
      break;
  }
  if (device.kind != InitAnswer::Kind::kAccepted) {
    say.Say("Failure in Device Initialization...\nQuiting Application...\nTry Again...");
    return 1;
  }
  say.Say("\nInitializing Device : Done...\n");
  CommandRun run{session, say, &console, device.fields, line.json};
  if (line.action == CommandLine::Action::kCommand) {
    run.console = nullptr;
    return RunOneCommand(run, line.command);
  }
  RunMainMenu(run);
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

  // With --json, standard output carries the JSON document alone.
  std::FILE* messages = line.json ? stderr : stdout;
  ConsoleReport say(messages, StreamIsTerminal(messages) ? DeviceTextMode::kEscaped : DeviceTextMode::kAsItIs);
  if (line.action == CommandLine::Action::kCommand) {
    if (const std::optional<int> status = RefuseBeforeOpening(line.command, say)) return *status;
  }

  PrepareProcess();
  try {
    return RunDevice(line, say);
  } catch (const ProgramExit& exit) {
    return exit.status;
  } catch (const PortFailure& failure) {
    say.PortFailed(failure);
    return 1;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "\ntrackctl: %s\n", error.what());
    return 1;
  }
}
